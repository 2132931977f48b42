// Headers of the management frames the simulated devices read and write.
//
//   bytes 0-5 destination, 6-11 source, 12-13 ethertype (big-endian)
//   AV (0x88E1): 14 version, 15-16 message type (little-endian), then
//     version 0: 17-19 OUI, payload from 20
//     version 1: 17-18 fragment info (zero), 19-21 OUI, payload from 22
//   HomePlug 1.0 (0x887B): 14 entry count, entries from 15
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline::sim {

inline constexpr std::uint16_t kEtherTypeAv = 0x88E1;
inline constexpr std::uint16_t kEtherTypeHp10 = 0x887B;
inline constexpr std::size_t kMinFrameLength = 60;  // without frame check sequence
inline constexpr std::size_t kMaxFrameLength = 1514;

inline constexpr std::size_t kAvVersionAt = 14;
inline constexpr std::uint8_t kAvOui[3] = {0x00, 0xB0, 0x52};
inline constexpr std::size_t kHp1CountAt = 14;
inline constexpr std::size_t kHp1EntriesAt = 15;

// Where the OUI and the payload of an AV header of `version` (0 or 1) start.
constexpr std::size_t avOuiAt(std::uint8_t version) {
  return version == 1 ? 19 : 17;
}
constexpr std::size_t avPayloadAt(std::uint8_t version) {
  return avOuiAt(version) + 3;
}

// The two low bits of an AV message type tell request (0) from confirmation,
// indication and response.
constexpr bool isAvRequest(std::uint16_t type) {
  return (type & 3) == 0;
}

// The ethertype, or 0 when the frame is too short to hold one.
std::uint16_t frameEtherType(ByteView frame);

// Writes the Ethernet header and the AV header of `version` into the first
// bytes of `frame` (at least 22 long); returns where the payload starts.
std::size_t writeAvHeader(Bytes& frame, const MacAddress& destination, const MacAddress& source,
                          std::uint16_t type, std::uint8_t version);
// Writes the Ethernet header of a HomePlug 1.0 frame and zeroes the two bytes
// after it; the entry count at 14 is left to the caller.
void writeHp1Header(Bytes& frame, const MacAddress& destination, const MacAddress& source);

}  // namespace strandline::sim
