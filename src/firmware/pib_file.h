// Patching one field of a parameter block image and resealing it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

namespace strandline {

// Writes `count` bytes at `offset` of the block and reseals it (checksum field
// cleared, then the checksum over the whole block stored there). Refused, with
// the block unchanged, unless the block's size equals its length field, the
// block verifies, offset is below the size and count fits behind it.
bool patchPibImage(Bytes& image, std::size_t offset, const std::uint8_t* bytes, std::size_t count);

}  // namespace strandline
