// 8-bit palette bitmap files (the logos and device pictures): file header,
// information header, 256-entry palette (blue, green, red, reserved), pixel
// rows bottom-up, each padded to four bytes. Decoded into 0xRRGGBB pixels,
// top row first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace strandline {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xRRGGBB, width x height, top row first
};

// Every read is bounds-checked; a file that is not an 8-bit palette bitmap,
// or is too short for what its headers state, gives nothing.
std::optional<Bitmap> decodePaletteBitmap(ByteView file);
std::optional<Bitmap> loadPaletteBitmap(const std::string& path);

// The first of the working directory, the build tree's share folder and the
// installed share folder that holds the file; empty when none does.
std::string findDataFile(const std::string& name);

}  // namespace strandline
