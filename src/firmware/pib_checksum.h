// The 32-bit block checksum of parameter blocks and firmware images: the
// complement of the XOR of all whole 32-bit little-endian words. A trailing 1 to
// 3 bytes are outside it. A block that carries its own checksum verifies when
// the checksum over the whole block, checksum word included, is 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/bytes.h"

namespace strandline {

inline std::uint32_t PibChecksum(ByteView block) {
  std::uint32_t sum = 0;
  ByteReader reader(block);
  for (std::size_t words = block.size() / 4; words > 0; --words) sum ^= reader.u32le();
  return ~sum;
}

}  // namespace strandline
