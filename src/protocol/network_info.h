// The station list of a network-information confirmation (0xA039).
//
// Version 0 (payload at 20): 20 network count | per network from 21: NID 7,
//   SNID, TEI, role, CCo MAC 6, CCo TEI | 38 station count | from 39, 15 bytes
//   a station: MAC 6, TEI, bridged MAC 6, TX rate, RX rate (Mbit/s).
// Version 1 (payload at 22): 27 network count | 54 station count | from 60,
//   24 bytes a station: MAC 6 ... TX rate (LE 16) at 16, RX rate (LE 16) at 20.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

struct AvStationEntry {
  MacAddress mac{};
  std::uint16_t tx = 0;
  std::uint16_t rx = 0;
};

// The stations of the first network of a network-information confirmation;
// only entries wholly inside the received frame are read.
std::vector<AvStationEntry> parseNetworkInfo(ByteView frame, bool versionOne);

}  // namespace strandline
