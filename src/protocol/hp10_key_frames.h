// HomePlug 1.0 frames that set network keys. Each builder zeroes `frame` (at
// least kHp1RequestBuffer bytes), writes the header from `source` to
// `destination` and the entries, and returns the length to send.
//
//   set key:      14 count | 15 0x04 | 16 9 | 17 key select | 18..25 key
//                 [26 0x1F | 27 3 | 28..30 option bytes]                 31 bytes
//   options:      14 1 | 15 0x1F | 16 3 | 17..19 option bytes            20 bytes
//   Boost local:  the set-key entry alone                                35 bytes
//   Boost remote: 14 1 | 15 0x14 | 16 10 | 17 1 | 18 0 | 19..26 DEK
//                 27..28 88 7B | 29 1 | 30 0x04 | 31 9 | 32 key select | 33..40 key   41 bytes
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/mac_address.h"

namespace strandline {

inline constexpr std::uint8_t kHp1KeyConfirm = 0x06;
inline constexpr std::uint8_t kHp1CarriedKey = 0x14;

inline constexpr std::size_t kHp1SetKeyLength = 31;
inline constexpr std::size_t kHp1OptionsLength = 20;
inline constexpr std::size_t kBoostLocalKeyLength = 35;
inline constexpr std::size_t kBoostRemoteKeyLength = 41;

// Entry 0x04, followed by entry 0x1F when `options` (three bytes) is given.
std::size_t buildHp1SetKey(std::uint8_t* frame, const MacAddress& source,
                           const MacAddress& destination, std::uint8_t keySelect,
                           const std::uint8_t* key, const std::uint8_t* options);
std::size_t buildHp1Options(std::uint8_t* frame, const MacAddress& source,
                            const MacAddress& destination, const std::uint8_t* options);
std::size_t buildBoostLocalKey(std::uint8_t* frame, const MacAddress& source,
                               const MacAddress& destination, const std::uint8_t* key);
// The network key carried to the station holding `deviceKey`.
std::size_t buildBoostRemoteKey(std::uint8_t* frame, const MacAddress& source,
                                const MacAddress& destination, const std::uint8_t* deviceKey,
                                const std::uint8_t* key);

}  // namespace strandline
