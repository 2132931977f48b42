// The About texts live in storage/ so that Livery shares them; this header
// keeps the names the window's code uses.
#pragma once

#include "storage/about_texts.h"

namespace strandline::app {
using strandline::kBuildNumber;
using strandline::kReadmeMissing;
using strandline::kReleaseDate;
using strandline::kVersionCode;
using strandline::releaseText;
using strandline::versionText;
}  // namespace strandline::app
