// The keys the simulated devices derive from network names and device
// passwords. Texts count up to their first 64 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/mac_address.h"

namespace strandline::sim {

using Nid = std::array<std::uint8_t, 7>;

inline constexpr char kPublicAvNetworkName[] = "HomePlugAV";
inline constexpr char kPublicHp10NetworkName[] = "HomePlug";

// HomePlug AV network membership key: PBKDF1, SHA-256, salt ...86.
Key16 avNetworkKey(std::string_view networkName);
// HomePlug AV device access key: PBKDF1, SHA-256, salt ...85.
Key16 avDeviceKey(std::string_view devicePassword);
// HomePlug 1.0 network or device key: PBKDF1, MD5, in bytes 0-7 with odd
// parity; bytes 8-15 are zero.
Key16 hp10Key(std::string_view text);
// The network identifier of an NMK: 52 bits of its fifth SHA-256 digest, the
// security level (0-3) in bits 4-5 of the last byte.
Nid avNid(const Key16& nmk, std::uint8_t securityLevel);

}  // namespace strandline::sim
