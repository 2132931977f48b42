// OEM preference files of any length: parsing stays in bounds, texts fit
// their fields, and the written image reads back as the same record.
#include <cstdint>
#include <cstdlib>

#include "storage/oem_prefs.h"

using namespace strandline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  OemPrefs prefs = parseOemPrefs(ByteView(data, size));
  if (prefs.webAddress.size() >= kWebAddressWidth || prefs.appName.size() >= kAppNameWidth ||
      prefs.vendorName.size() >= kVendorNameWidth || prefs.copyright.size() >= kCopyrightWidth)
    std::abort();
  Bytes image = serializeOemPrefs(prefs);
  if (image.size() != kOemPrefsSize) std::abort();
  if (!(parseOemPrefs(image) == prefs)) std::abort();
  return 0;
}
