// The decoder of the AV message library: validates a received frame and fills
// a ThpapiResult.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "protocol/av_library.h"

namespace strandline {

inline constexpr std::size_t kResultDataSize = 1513;

struct ThpapiResult {
  std::uint32_t operation = 0;         // the library operation the frame belongs to
  std::uint32_t completion = 0;        // 1: another request is pending, 2: finished
  std::uint16_t messageType = 0xFFFF;  // 0xFFFF when the frame could not be decoded
  std::uint8_t status = 0;             // device status byte or a local error number; 0 = success
  MacAddress destination{};
  MacAddress source{};           // the station that answered
  std::uint8_t dataValid = 0;    // 1 when data holds decoded payload
  std::uint32_t dataLength = 0;  // meaningful bytes in data
  std::array<std::uint8_t, kResultDataSize> data{};
};

// Decodes one received frame (the whole Ethernet frame). versionSelector 4
// checks the version-1 header (network information from a TSC4000-family
// local adapter); any other value the version-0 header. 0 on success; -1 with
// lib.lastError and result.status set to the error:
//   1  not ethertype 0x88E1
//   14 missing frame, wrong version byte or OUI, frame too short for its type
//      or for the lengths it declares, bad image header in a module read
//   22 a transfer confirmation that no running transfer is waiting for, or a
//      write that failed after its retries
//   40 a message type the library does not know (messageType stays 0xFFFF)
// Transfer confirmations (0xA005, 0xA00D, 0xA021, 0xA025, 0xA029) advance the
// transfer of lib; a host-action indication (0xA062) prepares its response.
int thpapiDecodeFrame(ThpapiContext& lib, ByteView frame, ThpapiResult& result,
                      int versionSelector);

// Records a decoder failure: lastError and status become `error`; operation,
// completion and the payload part of the result are cleared. Returns -1.
int failDecode(ThpapiContext& lib, ThpapiResult& result, int error);

}  // namespace strandline
