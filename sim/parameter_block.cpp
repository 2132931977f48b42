#include "sim/parameter_block.h"

#include <algorithm>

#include "sim/checksum.h"

namespace strandline::sim {

namespace {

void put32(Bytes& b, std::size_t offset, std::uint32_t v) {
  ByteWriter w(b, offset);
  w.u32le(v);
}
void put16(Bytes& b, std::size_t offset, std::uint16_t v) {
  ByteWriter w(b, offset);
  w.u16le(v);
}

// Values that the content rules demand (ranges that exclude zero) and the
// hardware block with its LED table, so that tools that patch the block find
// a sound one.
void writeDefaults(Bytes& b) {
  // Quality of service as adapters ship: default CAPs of unicast, multicast,
  // IGMP and IGMP streams; the time to live per CAP in microseconds; VLAN
  // and TOS priorities on, both mapped 1, 0, 0, 1, 2, 2, 3, 3.
  const std::uint8_t caps[4] = {1, 1, 3, 2};
  const std::uint32_t ttl[4] = {2000000, 2000000, 300000, 300000};
  for (std::size_t i = 0; i < 4; ++i) {
    b[kPibOffsetDefaultCap + i] = caps[i];
    put32(b, kPibOffsetTimeToLive + 4 * i, ttl[i]);
  }
  b[kPibOffsetVlanSwitch] = 1;
  b[kPibOffsetVlanSwitch + 1] = 1;
  const std::uint8_t maps[4] = {0x41, 0xFA, 0x41, 0xFA};
  for (std::size_t i = 0; i < 4; ++i) b[kPibOffsetPriorityMap + i] = maps[i];
  put32(b, 7824, 100);
  put32(b, 8080, 1000000);
  b[10248] = 1;  // one 5-byte entry, zero
  for (std::size_t r = 0; r < 3; ++r) {
    std::size_t at = 11420 + 12 * r;
    put32(b, at, 115200);
    b[at + 4] = 8;
    b[at + 5] = 0;
    b[at + 6] = 1;
    b[at + 7] = 0;
  }
  // Hardware block, marked valid, with eight LED entries.
  b[kPibOffsetHardwareMarker] = 0xC0;
  pibSetLeds(b, std::vector<LedSetting>(8, LedSetting{1, 2, 3}));
  b[9981] = 50;
  b[9982] = 100;
  b[9987] = 40;
  b[9988] = 10;
  b[9989] = 5;
}

}  // namespace

Bytes buildParameterBlock(const PibIdentity& identity) {
  Bytes b(kPibLength, 0);
  b[0] = 4;
  b[1] = 4;
  put16(b, kPibOffsetLength, static_cast<std::uint16_t>(kPibLength));
  ByteWriter w(b, kPibOffsetMac);
  w.bytes(identity.mac.data(), 6);
  w.bytes(identity.dak.data(), 16);
  w.text("Simulated HomePlug AV Device", 64);
  w.seek(kPibOffsetUserHfid);
  w.text(identity.userHfid, 64);
  w.text("Simulated Network", 64);
  writeDefaults(b);
  pibSetNmk(b, identity.nmk);
  return b;
}

void pibSetNmk(Bytes& pib, const Key16& nmk) {
  if (pib.size() < kPibLength) return;
  std::copy(nmk.begin(), nmk.end(), pib.begin() + kPibOffsetNmk);
  Nid nid = avNid(nmk, 0);
  std::copy(nid.begin(), nid.end(), pib.begin() + kPibOffsetNid);
  pibReseal(pib);
}

void pibSetLeds(Bytes& pib, const std::vector<LedSetting>& leds) {
  if (pib.size() < kPibLength || leds.size() > kPibMaxLeds) return;
  pib[kPibOffsetLedCount] = static_cast<std::uint8_t>(leds.size());
  for (std::size_t i = 0; i < leds.size(); ++i) {
    std::size_t e = kPibOffsetLedTable + kPibLedEntryLength * i;
    pib[e] = static_cast<std::uint8_t>(i);  // the LED and the pin it drives
    pib[e + 1] = static_cast<std::uint8_t>(i);
    std::copy(leds[i].begin(), leds[i].end(), pib.begin() + static_cast<std::ptrdiff_t>(e + 2));
  }
  pibReseal(pib);
}

std::vector<LedSetting> pibLeds(ByteView pib) {
  std::vector<LedSetting> leds;
  ByteReader r(pib, kPibOffsetLedCount);
  std::size_t count = std::min<std::size_t>(r.u8(), kPibMaxLeds);
  for (std::size_t i = 0; r.ok() && i < count; ++i) {
    r.seek(kPibOffsetLedTable + kPibLedEntryLength * i + 2);
    LedSetting s = r.array<3>();
    if (r.ok()) leds.push_back(s);
  }
  return leds;
}

void pibReseal(Bytes& pib) {
  if (pib.size() < kPibLength) return;
  put32(pib, kPibOffsetChecksum, 0);
  put32(pib, kPibOffsetChecksum, checksum32(ByteView(pib).first(kPibLength)));
}

MacAddress pibMac(ByteView pib) {
  ByteReader r(pib, kPibOffsetMac);
  return r.array<6>();
}
Key16 pibDak(ByteView pib) {
  ByteReader r(pib, kPibOffsetDak);
  return r.array<16>();
}
Key16 pibNmk(ByteView pib) {
  ByteReader r(pib, kPibOffsetNmk);
  return r.array<16>();
}
Nid pibNid(ByteView pib) {
  ByteReader r(pib, kPibOffsetNid);
  return r.array<7>();
}

PibCheck checkParameterBlock(ByteView pib) {
  ByteReader r(pib);
  std::uint8_t major = r.u8();
  std::uint8_t minor = r.u8();
  r.skip(2);
  std::uint16_t length = r.u16le();
  if (!r.ok()) return PibCheck::TooShort;
  if (major != 4 || minor != 4) return PibCheck::BadVersion;
  if (length != kPibLength || pib.size() != kPibLength) return PibCheck::BadLength;
  if (checksum32(pib) != 0) return PibCheck::BadChecksum;
  return PibCheck::Ok;
}

}  // namespace strandline::sim
