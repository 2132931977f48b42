// Encoders of the AV message library's single-frame requests.
//
// Each writes the Ethernet header (destination, source, 0x88E1), the vendor
// header and the payload into `buffer`, fills with zeros up to byte 63 and
// returns the frame length (64), or 0 with lib.lastError set: 14 for a missing
// buffer, 34 for a buffer below 64 bytes (cleared), 22 for an invalid key
// selector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/mac_address.h"
#include "protocol/av_library.h"

namespace strandline {

// 0xA000, no payload.
std::size_t thpapiEncodeVersionRequest(ThpapiContext& lib, const MacAddress& source,
                                       const MacAddress& destination,
                                       std::span<std::uint8_t> buffer);

// 0xA038: no payload with the version-0 header; with the version-1 header (a
// TSC4000-family local adapter) four zero bytes.
std::size_t thpapiEncodeNetworkInfoRequest(ThpapiContext& lib, const MacAddress& source,
                                           const MacAddress& destination,
                                           std::span<std::uint8_t> buffer, bool versionOne);

// Key selectors of the set-key request.
inline constexpr std::uint8_t kKeySelectorRemote = 0;  // carry the key to the target station
inline constexpr std::uint8_t kKeySelectorLocal = 15;  // key of the receiving adapter

// The 39-byte key parameter block of the set-key request.
struct SetKeyParameters {
  Key16 key{};  // the network membership key to set
  std::uint8_t selector = kKeySelectorLocal;
  MacAddress target{};  // the adapter whose key is set
  Key16 secondKey{};    // remote form: the target's device access key
};

// 0xA050: 20: 1, 21: key, 37: selector, 38: target, 44: second key (zeros in
// the local form), 60..63 zero. Selectors other than 0 and 15 fail with 22.
std::size_t thpapiEncodeSetKeyRequest(ThpapiContext& lib, const MacAddress& source,
                                      const MacAddress& destination, std::span<std::uint8_t> buffer,
                                      const SetKeyParameters& parameters);

// 0xA058, no payload.
std::size_t thpapiReadConfigurationBlock(ThpapiContext& lib, const MacAddress& source,
                                         const MacAddress& destination,
                                         std::span<std::uint8_t> buffer);

}  // namespace strandline
