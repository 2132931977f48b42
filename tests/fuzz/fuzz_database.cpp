// Device database images: decoding never reads out of bounds, and whatever
// decodes cleanly encodes to the same bytes (up to the version and the
// clamped current card).
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "storage/device_database.h"

using namespace strandline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteView input(data, size);
  auto db = std::make_unique<DeviceDatabase>();
  DecodeResult result = decodeDatabase(input, *db);
  if (db->known.count() > kMaxKnownDevices) std::abort();
  if (db->currentCard < 0 || db->currentCard > 7) std::abort();
  if (!result.ok()) return 0;

  Bytes image = encodeDatabase(*db);
  std::size_t used = databaseSize(db->known.count());
  if (image.size() != used || size < used) std::abort();
  // Byte for byte apart from the version (any from 306 up reads, 306 is
  // written) and the current card (read into range).
  for (std::size_t i = 8; i < used; ++i)
    if (image[i] != data[i]) std::abort();

  // Compared as bytes: a rate may be a NaN, which never equals itself.
  auto again = std::make_unique<DeviceDatabase>();
  if (!decodeDatabase(image, *again).ok() || encodeDatabase(*again) != image) std::abort();
  return 0;
}
