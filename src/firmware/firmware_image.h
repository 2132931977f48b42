// Firmware image files (".NVM"): a chain of blocks, each a 44-byte header of
// eleven 32-bit little-endian words followed by one image.
//
//   0 header version (0x60000000)   4 (not interpreted)   8 load address
//  12 image length                  16 image checksum      20 16 bytes (not interpreted)
//  36 next header (offset in the file, 0 = last block)    40 (not interpreted)
//
// A header verifies when the checksum over its 44 bytes is 0; an image verifies
// when the checksum over its whole words equals the header's image checksum.
// The chain is walked only inside the bytes actually there: a header or image
// that leaves the file, or a next header that points back into a block already
// walked (a loop or an overlap), is refused, never followed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"

namespace strandline {

inline constexpr std::size_t kNvmHeaderLength = 44;
inline constexpr std::uint32_t kNvmHeaderVersion = 0x60000000;

struct NvmBlockHeader {
  std::uint32_t version = 0;
  std::uint32_t word1 = 0;
  std::uint32_t loadAddress = 0;
  std::uint32_t imageLength = 0;
  std::uint32_t imageChecksum = 0;
  std::array<std::uint32_t, 4> words5to8{};
  std::uint32_t nextHeader = 0;
  std::uint32_t word10 = 0;
};

// Reads the header at `offset`; false when it does not lie wholly inside `file`.
bool readNvmHeader(ByteView file, std::size_t offset, NvmBlockHeader& out);
// Writes the 44 bytes of a header (used by tests and tools that build files).
void writeNvmHeader(const NvmBlockHeader& header, std::uint8_t* out);
bool nvmHeaderVerifies(ByteView file, std::size_t offset);

struct NvmBlock {
  std::size_t offset = 0;  // of the header in the file
  NvmBlockHeader header;
  std::size_t imageOffset() const { return offset + kNvmHeaderLength; }
};

// Result of the in-memory walk: error is 0 on success, else EFAULT (a header or
// image outside the buffer), EINVAL (a header that does not verify) or ELOOP (a
// next header pointing into a block already walked).
struct NvmLastBlock {
  int error = 0;
  NvmBlock block;
  bool ok() const { return error == 0; }
};

// Walks the chain from offset 0 and returns the block whose next header is 0.
NvmLastBlock findLastNvmBlock(ByteView file);

// True when the first header verifies and its next header is 0: a file of one
// block, which the upgrade refuses.
bool nvmFirstBlockIsLast(ByteView file);

// The toolkit's full file check: header version, header checksum and image
// checksum of every block, numbered from 0. On failure `message` is one of
// "Can't read header: NAME (N)", "Bad header version: NAME (N)", "Bad header
// checksum: NAME (N)", "Bad image checksum: NAME (N)" or "Overlapping block:
// NAME (N)" (block N lies over a block already walked: a loop or an overlap).
struct NvmCheck {
  bool ok = false;
  int block = 0;
  std::string message;
  std::vector<NvmBlock> blocks;  // every block walked, in chain order
};
NvmCheck checkNvmFile(ByteView file, const std::string& name);

}  // namespace strandline
