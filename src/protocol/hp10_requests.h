// HomePlug 1.0 management requests of discovery and the scan. Each writes a
// whole frame into `frame` (at least 60 bytes, zeroed by the builder) and
// returns the length to send.
//
//   14 entry count 1 | 15 entry type | 16 entry length | 17.. data
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/mac_address.h"

namespace strandline {

inline constexpr std::uint8_t kHp1SetKey = 4;
inline constexpr std::uint8_t kHp1StationRequest = 7;
inline constexpr std::uint8_t kHp1StationReply = 8;
inline constexpr std::uint8_t kHp1LocalParams = 25;
inline constexpr std::uint8_t kHp1NetworkStats = 26;
inline constexpr std::uint8_t kHp1StatsAlternate = 30;
inline constexpr std::uint8_t kHp1SetLocalParams = 31;

inline constexpr std::size_t kHp1RequestBuffer = 60;

// Type 26, length byte 187, data byte 0 = 0x80, sent as a 38-byte frame.
std::size_t buildNetworkStatsRequest(std::uint8_t* frame, const MacAddress& source,
                                     const MacAddress& destination);
// Type 25, length 15, data byte 0 = `select` (0 or 16), a 32-byte frame.
std::size_t buildLocalParamsRequest(std::uint8_t* frame, const MacAddress& source,
                                    const MacAddress& destination, std::uint8_t select);
// Type 7 with no data.
std::size_t buildStationRequest(std::uint8_t* frame, const MacAddress& source,
                                const MacAddress& destination);

}  // namespace strandline
