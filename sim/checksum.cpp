#include "sim/checksum.h"

namespace strandline::sim {

std::uint32_t checksum32(ByteView data, std::uint32_t seed) {
  ByteReader r(data);
  std::uint32_t x = seed;
  while (r.has(4)) x ^= r.u32le();
  return ~x;
}

}  // namespace strandline::sim
