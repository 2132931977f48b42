// The private management frames of Boost HomePlug 1.0 adapters: finding the
// adapter, its identity and version string, network statistics with
// per-station rates, and its current network encryption key.
//
// Private request (entry 0x02), 35 bytes:
//   14 count 1 | 15 0x02 | 16 data length + 4 | 17..19 00 04 87 | 20 code | 21 data
// Private answer: as the request, with bit 7 of the code set at 20.
//   identity (0x10): 21 where (bit 0: a remote station) | 23 form | 24 major |
//                    25 minor | 26 vendor (length, text) | product (length, text)
//   statistics (0x18): 16 entry length | from 21, 14 bytes a station: MAC 6,
//                      raw rate (BE) 2
// Private read request (entry 0x12), 272 bytes: 16 length 1 | 17 what
// (0x20 version, 0x21 key). Read answer (entry 0x13): 16 length | 17 what |
//   version: 18 text | key: 19 the 8-byte key
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

inline constexpr std::uint8_t kBoostPrivateRequest = 0x02;
inline constexpr std::uint8_t kBoostReadRequest = 0x12;
inline constexpr std::uint8_t kBoostReadAnswer = 0x13;
inline constexpr std::uint8_t kBoostIdentity = 0x10;
inline constexpr std::uint8_t kBoostStatistics = 0x18;
inline constexpr std::uint8_t kBoostExtendedStatistics = 0x23;
inline constexpr std::uint8_t kBoostReadVersion = 0x20;
inline constexpr std::uint8_t kBoostReadKey = 0x21;
inline constexpr std::size_t kBoostPrivateRequestLength = 35;
inline constexpr std::size_t kBoostReadRequestLength = 272;

// Writes a private request with code and up to 14 data bytes (at least one,
// zero when none is given) into frame (kBoostPrivateRequestLength bytes).
void buildBoostPrivateRequest(std::uint8_t* frame, const MacAddress& source,
                              const MacAddress& destination, std::uint8_t code,
                              const std::uint8_t* data, std::size_t dataLength);
// Writes a read request for `what` into frame (kBoostReadRequestLength bytes).
void buildBoostReadRequest(std::uint8_t* frame, const MacAddress& source,
                           const MacAddress& destination, std::uint8_t what);

struct BoostIdentity {
  bool remote = false;  // a remote station's answer, not the local adapter's
  MacAddress source{};
  std::string version;  // boostVersionText of the answer
  std::string vendor;
  std::string product;
};
// An identity answer; nothing when a field leaves the frame.
std::optional<BoostIdentity> parseBoostIdentity(ByteView frame);

struct BoostStationRate {
  MacAddress mac{};
  std::uint16_t raw = 0;  // one raw rate for both directions
};
// The stations of a statistics answer (at most 15), only those wholly inside the frame.
std::vector<BoostStationRate> parseBoostStatistics(ByteView frame);

// The version string of a read answer, cut at its first NUL and at 64 characters.
std::string parseBoostVersionString(ByteView frame);
// Firmware whose version string reads 1.5 or 1.6 at characters 14 and 16
// cannot take keys from this program.
bool boostFirmwareTooOld(const std::string& version);

// "Version 1.2", "Version 1.4" or "Version %d.%d" from an identity answer.
std::string boostVersionText(std::uint8_t form, std::uint8_t major, std::uint8_t minor);

// The displayed rate in Mbit/s of a raw HomePlug 1.0 rate.
double scaleHp10Rate(double raw);

}  // namespace strandline
