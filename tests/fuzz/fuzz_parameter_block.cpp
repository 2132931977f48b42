// Attach, reseal and read a parameter block built from arbitrary bytes. The
// buffer is exactly the input's size, so any read past it trips the sanitizer.
//
// An input starting with 'P' is instead a list of 3-byte patches (16-bit offset,
// value) applied to a default image, which lets the fuzzer reach the rules of
// every section rather than stopping at the first broken one.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/parameter_block.h"

using namespace strandline;

namespace {

Bytes defaultImage() {
  Bytes image(pib::kImageLength);
  ParameterBlockImage pib;
  pib.buildDefault(image);
  return image;
}

Bytes imageFrom(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || data[0] != 'P') return Bytes(data, data + size);
  static const Bytes kDefault = defaultImage();
  Bytes image = kDefault;
  for (std::size_t i = 1; i + 3 <= size; i += 3) {
    std::size_t offset = (data[i] | data[i + 1] << 8) % image.size();
    image[offset] = data[i + 2];
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes image = imageFrom(data, size);
  ParameterBlockImage pib;
  PibStatus status = pib.attach(image);
  if (pib.valid() != (status == PibStatus::Ok)) __builtin_trap();

  Key16 nmk{};
  pib.getNmk(nmk);
  MacAddress mac{};
  pib.getMac(mac);
  std::uint8_t led = 0;
  pib.getLedSetting(0, 0, led);
  std::size_t count = 0;
  pib.getListCount(PibList::First, count);
  PibListEntry entry{};
  pib.getListEntry(PibList::Second, 1, entry);

  pibVerifies(image);
  PibStatus sealed = pib.reseal(image);
  // A resealed image of the right version and length verifies.
  if (sealed == PibStatus::Ok && !pibVerifies(image)) __builtin_trap();
  return 0;
}
