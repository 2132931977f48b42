#include "protocol/network_info.h"

namespace strandline {

std::vector<AvStationEntry> parseNetworkInfo(ByteView frame, bool versionOne) {
  const std::size_t description = versionOne ? 28 : 21;
  const std::size_t countOffset = description + (versionOne ? 26 : 17);
  const std::size_t firstEntry = description + (versionOne ? 32 : 18);
  const std::size_t entrySize = versionOne ? 24 : 15;
  std::vector<AvStationEntry> entries;
  ByteReader header(frame, description - 1);
  if (header.u8() == 0) return entries;  // no network
  ByteReader count(frame, countOffset);
  std::uint8_t stations = count.u8();
  if (!count.ok()) return entries;
  for (std::size_t i = 0; i < stations; ++i) {
    ByteReader r(frame, firstEntry + i * entrySize);
    if (!r.has(entrySize)) break;
    AvStationEntry e;
    e.mac = r.array<6>();
    if (versionOne) {
      r.seek(firstEntry + i * entrySize + 16);
      e.tx = r.u16le();
      r.seek(firstEntry + i * entrySize + 20);
      e.rx = r.u16le();
    } else {
      r.skip(7);
      e.tx = r.u8();
      e.rx = r.u8();
    }
    entries.push_back(e);
  }
  return entries;
}

}  // namespace strandline
