// The 32-bit checksum of parameter blocks, firmware images and transfer
// chunks: the complement of the XOR of all whole little-endian 32-bit words
// (a trailing 1 to 3 bytes are left out). A block followed by its checksum
// word therefore checks to 0. The simulator keeps its own copy of the rule so
// that it does not share a mistake with the system it tests.
#pragma once

#include <cstdint>

#include "base/bytes.h"

namespace strandline::sim {

std::uint32_t checksum32(ByteView data, std::uint32_t seed = 0);

}  // namespace strandline::sim
