#include "storage/bitmap_file.h"

#include <unistd.h>

#include <array>

#include "platform/file_ops.h"

namespace strandline {

namespace {
constexpr std::size_t kMaxBitmapBytes = 16 * 1024 * 1024;
constexpr int kMaxSide = 4096;
}  // namespace

std::optional<Bitmap> decodePaletteBitmap(ByteView file) {
  ByteReader r(file);
  if (r.u8() != 'B' || r.u8() != 'M') return std::nullopt;
  std::uint32_t fileSize = r.u32le();
  r.skip(4);
  std::uint32_t pixelOffset = r.u32le();
  // The information header.
  std::size_t infoStart = 14;
  std::uint32_t infoSize = r.u32le();
  auto width = static_cast<std::int32_t>(r.u32le());
  auto height = static_cast<std::int32_t>(r.u32le());
  r.skip(2);  // planes
  std::uint16_t bits = r.u16le();
  std::uint32_t compression = r.u32le();
  if (!r.ok() || bits != 8 || compression != 0 || infoSize < 40) return std::nullopt;
  if (fileSize > file.size()) return std::nullopt;
  bool bottomUp = height > 0;
  int rows = bottomUp ? height : -height;
  if (width <= 0 || width > kMaxSide || rows <= 0 || rows > kMaxSide) return std::nullopt;

  std::array<std::uint32_t, 256> palette{};
  ByteReader p(file, infoStart + infoSize);
  for (std::uint32_t& entry : palette) {
    std::uint8_t blue = p.u8(), green = p.u8(), red = p.u8();
    p.skip(1);
    entry = (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
  }
  if (!p.ok()) return std::nullopt;

  auto stride = static_cast<std::size_t>((width + 3) / 4 * 4);
  Bitmap bmp;
  bmp.width = width;
  bmp.height = rows;
  bmp.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    ByteReader line(file, pixelOffset + static_cast<std::size_t>(row) * stride);
    ByteView bytes = line.view(static_cast<std::size_t>(width));
    if (!line.ok()) return std::nullopt;
    int target = bottomUp ? rows - 1 - row : row;
    for (int x = 0; x < width; ++x)
      bmp.pixels[static_cast<std::size_t>(target) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)] = palette[bytes[static_cast<std::size_t>(x)]];
  }
  return bmp;
}

std::optional<Bitmap> loadPaletteBitmap(const std::string& path) {
  if (path.empty()) return std::nullopt;
  ReadFileResult file = readWholeFile(systemFileOps(), path, kMaxBitmapBytes);
  if (file.status != ReadFileResult::Status::Ok) return std::nullopt;
  return decodePaletteBitmap(file.data);
}

std::string findDataFile(const std::string& name) {
  for (std::string folder : {std::string("."), std::string(STRANDLINE_BUILD_SHARE_DIR),
                             std::string(STRANDLINE_SHARE_DIR)}) {
    std::string path = folder + "/" + name;
    if (::access(path.c_str(), R_OK) == 0) return path;
  }
  return {};
}

}  // namespace strandline
