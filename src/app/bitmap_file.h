// The bitmap reader lives in storage/ so that Livery shares it; this header
// keeps the names the window's code uses.
#pragma once

#include "storage/bitmap_file.h"

namespace strandline::app {
using strandline::Bitmap;
using strandline::decodePaletteBitmap;
using strandline::findDataFile;
using strandline::loadPaletteBitmap;
}  // namespace strandline::app
