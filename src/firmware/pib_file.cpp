#include "firmware/pib_file.h"

#include <cstring>

#include "base/checksum.h"
#include "firmware/parameter_block.h"

namespace strandline {

bool patchPibImage(Bytes& image, std::size_t offset, const std::uint8_t* bytes, std::size_t count) {
  ByteReader r(image, pib::kOffsetLength);
  std::uint16_t length = r.u16le();
  if (!r.ok() || length != image.size() || image.size() < pib::kHeaderLength) return false;
  if (!pibVerifies(image)) return false;
  if (offset >= image.size() || image.size() - offset < count) return false;
  if (count) std::memcpy(image.data() + offset, bytes, count);
  ByteWriter w(image, pib::kOffsetChecksum);
  w.u32le(0);
  std::uint32_t sum = checksum32(image);
  w.seek(pib::kOffsetChecksum);
  w.u32le(sum);
  return true;
}

}  // namespace strandline
