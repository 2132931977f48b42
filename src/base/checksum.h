// The 32-bit block checksum of parameter blocks, firmware images and module
// transfers: the bitwise complement of the exclusive-or of all 32-bit
// little-endian words of the block (and of a seed). A block followed by its
// own checksum word therefore checks to 0.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace strandline {

// Covers the whole 32-bit words of `block`; trailing bytes of a length that is
// not a multiple of 4 are not part of any word and are not covered.
std::uint32_t checksum32(ByteView block, std::uint32_t seed = 0);

// True when the block, checked with `seed`, gives 0: seed is its checksum.
inline bool checksumMatches(ByteView block, std::uint32_t seed) {
  return checksum32(block, seed) == 0;
}

}  // namespace strandline
