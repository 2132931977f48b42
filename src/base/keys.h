// Key derivations of the HomePlug standards.
//
// AV: PBKDF1 over SHA-256, 1000 digests, first 16 bytes (NMK and DAK salts
// differ in the last byte). HomePlug 1.0: PBKDF1 over MD5, 1000 digests, first
// 8 bytes with odd parity. NID: five SHA-256 digests of the NMK.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "base/mac_address.h"

namespace strandline {

using Nid = std::array<std::uint8_t, 7>;

inline constexpr std::uint8_t kNmkSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x86};
inline constexpr std::uint8_t kDakSalt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x85};
inline constexpr std::uint8_t kHp10Salt[8] = {0x08, 0x85, 0x6D, 0xAF, 0x7C, 0xF5, 0x81, 0x85};

inline constexpr const char* kDefaultAvNetworkName = "HomePlugAV";
inline constexpr const char* kDefaultHp10NetworkName = "HomePlug";

Key16 deriveNetworkKey(const std::string& networkName);    // NMK
Key16 deriveDeviceKey(const std::string& devicePassword);  // DAK
// NEK or DEK in bytes 0..7; bytes 8..15 hold the rest of the last digest and are no key.
Key16 deriveHp10Key(const std::string& text);
Nid deriveNid(const Key16& nmk, std::uint8_t securityLevel);

// The generator of random keys: state = state * 214013 + 2531011; output bits 16..30.
class KeyRandom {
 public:
  void seed(std::uint32_t s) { state_ = s; }
  std::uint8_t nextByte() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<std::uint8_t>((state_ >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t state_ = 1;
};

// A random key for a short-lived private network, seeded with `now` (seconds
// since 1970): 16 bytes, 8 on a Boost HomePlug 1.0 adapter. Never shares its
// first 8 bytes with the default public key of the adapter kind.
Key16 makeRandomKey(bool avMode, bool kestrelMode, std::time_t now);

}  // namespace strandline
