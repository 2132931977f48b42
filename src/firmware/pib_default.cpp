#include "firmware/pib_default.h"

#include <algorithm>
#include <cstddef>

#include "base/bytes.h"
#include "base/keys.h"
#include "firmware/parameter_block.h"

namespace strandline {

namespace {

// The table block at 2576: one 32-bit transmit setting for each of the 1155
// carriers, all enabled at full amplitude.
constexpr std::size_t kCarrierCount = 1155;
constexpr std::uint32_t kDefaultCarrierSetting = 0x000000FF;
static_assert(kCarrierCount * 4 == pib::kDefaultTableLength);

void writeIdentity(ByteWriter& w) {
  Key16 nmk = deriveNetworkKey(kDefaultAvNetworkName);
  Key16 dak = deriveDeviceKey(kDefaultDevicePassword);
  Nid nid = deriveNid(nmk, 0);
  w.seek(pib::kOffsetMac);
  w.bytes(kLocalDeviceMac.data(), kLocalDeviceMac.size());
  w.seek(pib::kOffsetDak);
  w.bytes(dak.data(), dak.size());
  w.seek(pib::kOffsetManufacturerHfid);
  w.text(kDefaultManufacturerHfid, pib::kHfidLength);
  w.seek(pib::kOffsetNmk);
  w.bytes(nmk.data(), nmk.size());
  w.seek(pib::kOffsetUserHfid);
  w.text(kDefaultUserHfid, pib::kHfidLength);
  w.seek(pib::kOffsetNetworkHfid);
  w.text(kDefaultNetworkHfid, pib::kHfidLength);
  w.seek(pib::kOffsetNid);
  w.bytes(nid.data(), nid.size());
}

void writeQos(ByteWriter& w) {
  // Unicast CAP 1, multicast/broadcast CAP 1, IGMP CAP 3, IGMP streams CAP 2.
  w.seek(pib::kOffsetDefaultCap);
  for (std::uint8_t cap : {1, 1, 3, 2}) w.u8(cap);
  for (std::uint32_t ttl : {2000000u, 2000000u, 300000u, 300000u}) w.u32le(ttl);
  w.seek(pib::kOffsetVlanSwitch);
  w.u8(1);
  w.u8(1);
  // Priorities 0..7 to CAP 1, 0, 0, 1, 2, 2, 3, 3 for VLAN tags and TOS bits alike.
  w.seek(pib::kOffsetPriorityMap);
  for (std::uint8_t map : {0x41, 0xFA, 0x41, 0xFA}) w.u8(map);
  w.seek(pib::kOffsetDefaultTable);
  for (std::size_t i = 0; i < kCarrierCount; ++i) w.u32le(kDefaultCarrierSetting);
}

void writeConfiguration(ByteWriter& w) {
  w.seek(7824);
  w.u32le(60);
  w.seek(8080);
  w.u32le(1000000);
  w.seek(10248);
  w.u8(1);  // one slot entry, all fields 0
  // Three serial port records: 115200 baud, 8 data bits, no parity, 1 stop bit.
  for (std::size_t r : {11420u, 11432u, 11444u}) {
    w.seek(r);
    w.u32le(115200);
    w.u8(8);
    w.u8(0);
    w.u8(1);
    w.u8(0);
  }
}

void writeHardware(ByteWriter& w) {
  w.seek(pib::kOffsetHardwareMarker);
  w.u8(pib::kHardwareMarker);
  // Three LEDs on pins 0..2, each on.
  w.seek(pib::kOffsetLedCount);
  w.u8(3);
  for (std::uint8_t i = 0; i < 3; ++i) {
    w.seek(pib::kOffsetLedTable + pib::kLedEntryLength * i);
    for (std::uint8_t b : {i, std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}})
      w.u8(b);
  }
  w.seek(9981);
  w.u8(50);
  w.u8(100);
  w.seek(9987);
  w.u8(40);
  w.u8(10);
  w.u8(5);
}

}  // namespace

bool writeDefaultPib(std::span<std::uint8_t> image) {
  if (image.size() < pib::kImageLength) return false;
  for (const pib::Section& s : pib::kSections)
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(s.offset), s.size, std::uint8_t{0});
  ByteWriter w(image.first(pib::kImageLength));
  w.u8(pib::kMajorVersion);
  w.u8(pib::kMinorVersion);
  w.seek(pib::kOffsetLength);
  w.u16le(static_cast<std::uint16_t>(pib::kImageLength));
  writeIdentity(w);
  writeQos(w);
  writeConfiguration(w);
  writeHardware(w);
  return w.ok();
}

}  // namespace strandline
