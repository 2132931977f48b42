#include "base/checksum.h"

namespace strandline {

std::uint32_t checksum32(ByteView block, std::uint32_t seed) {
  ByteReader r(block);
  std::uint32_t x = seed;
  for (std::size_t i = 0; i < block.size() / 4; ++i) x ^= r.u32le();
  return ~x;
}

}  // namespace strandline
