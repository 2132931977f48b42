#include "protocol/hp10_requests.h"

#include <cstring>

#include "protocol/management_frame.h"

namespace strandline {

static std::size_t build(std::uint8_t* frame, const MacAddress& source,
                         const MacAddress& destination, std::uint8_t type, std::uint8_t length,
                         std::size_t frameLength) {
  std::memset(frame, 0, kHp1RequestBuffer);
  buildHp1Header(frame, source.data(), destination.data());
  frame[14] = 1;
  frame[15] = type;
  frame[16] = length;
  return frameLength;
}

std::size_t buildNetworkStatsRequest(std::uint8_t* frame, const MacAddress& source,
                                     const MacAddress& destination) {
  std::size_t n = build(frame, source, destination, kHp1NetworkStats, 187, 38);
  frame[17] = 0x80;
  return n;
}

std::size_t buildLocalParamsRequest(std::uint8_t* frame, const MacAddress& source,
                                    const MacAddress& destination, std::uint8_t select) {
  std::size_t n = build(frame, source, destination, kHp1LocalParams, 15, 32);
  frame[17] = select;
  return n;
}

std::size_t buildStationRequest(std::uint8_t* frame, const MacAddress& source,
                                const MacAddress& destination) {
  return build(frame, source, destination, kHp1StationRequest, 0, 17);
}

}  // namespace strandline
