// HomePlug AV firmware images: a chain of blocks, each a 44-byte header of
// eleven little-endian words followed by its image.
//
//   word 0  header version 0x60000000     word 2  load address
//   word 3  image length                  word 4  image checksum
//   word 5  entry point                   word 9  offset of the next header (0: last)
//   word 10 header checksum carrier: makes the XOR of all eleven words 0xFFFFFFFF
//
// The simulated firmware puts its version text, NUL-terminated, at the start
// of the last block's image, so a device that takes a new image reports the
// version found there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"

namespace strandline::sim {

inline constexpr std::size_t kNvmHeaderLength = 44;
inline constexpr std::uint32_t kNvmHeaderVersion = 0x60000000;

struct NvmHeader {
  std::size_t offset = 0;  // of the header in the image
  std::uint32_t loadAddress = 0;
  std::uint32_t length = 0;
  std::uint32_t checksum = 0;
  std::uint32_t entryPoint = 0;
  std::uint32_t next = 0;
};

// Two blocks: a small loader and the firmware carrying versionText.
Bytes buildFirmwareImage(const std::string& versionText);

enum class ImageCheck { Ok, HeaderOutside, BadHeaderVersion, BadHeaderChecksum, BadImageChecksum };
// Walks the chain from offset 0, checking every header and image; on success
// `last` is the header of the last block.
ImageCheck checkFirmwareImage(ByteView image, NvmHeader* last = nullptr);

// The version text at the start of the last block's image, if printable.
std::optional<std::string> firmwareVersionOf(ByteView image);

}  // namespace strandline::sim
