// OUI list text: loading respects the capacity, names fit an entry, the
// table is ordered, and every loaded OUI is found again by the lookup.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/oui_list.h"

using namespace strandline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  OuiList list = parseOuiList(text);
  if (list.capacity != size / kOuiLineBytes || list.entries.size() > list.capacity) std::abort();
  const std::array<std::uint8_t, 3> noOui{0xFF, 0xFF, 0xFF};
  for (std::size_t i = 0; i < list.entries.size(); ++i) {
    const OuiEntry& e = list.entries[i];
    if (e.vendor.empty() || e.vendor.size() > kMaxVendorLength) std::abort();
    if (i > 0 && list.entries[i - 1].oui > e.oui) std::abort();
    MacAddress mac{e.oui[0], e.oui[1], e.oui[2], 0, 0, 0};
    std::string name = vendorNameFor(list, mac, noOui, "");
    // Equal OUIs may carry different names; the lookup gives one of them.
    bool known = false;
    for (const OuiEntry& other : list.entries) known |= other.oui == e.oui && other.vendor == name;
    if (!known) std::abort();
  }
  if (size >= 3) {
    MacAddress mac{data[0], data[1], data[2], 0, 0, 0};
    if (vendorNameFor(list, mac, noOui, "").empty()) std::abort();
  }
  return 0;
}
