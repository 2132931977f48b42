// MAC addresses, keys and their text form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace strandline {

using MacAddress = std::array<std::uint8_t, 6>;
// Network keys are kept in 16-byte fields; HomePlug 1.0 keys use the first 8.
using Key16 = std::array<std::uint8_t, 16>;

inline constexpr MacAddress kBroadcastMac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// Whatever adapter is attached to the card answers AV requests sent here.
inline constexpr MacAddress kLocalDeviceMac{0x00, 0xB0, 0x52, 0x00, 0x00, 0x01};

inline constexpr std::size_t kAvKeyWidth = 16;
inline constexpr std::size_t kHp1KeyWidth = 8;

bool macEqual(const std::uint8_t* a, const std::uint8_t* b);
bool macIsSet(const std::uint8_t* mac);
void macCopy(std::uint8_t* dst, const std::uint8_t* src);
// Copies 16 bytes on an AV adapter, 8 bytes on a HomePlug 1.0 adapter.
void keyCopy(std::uint8_t* dst, const std::uint8_t* src, bool avMode);
inline std::size_t keyWidth(bool avMode) {
  return avMode ? kAvKeyWidth : kHp1KeyWidth;
}

// "%02X:%02X:%02X:%02X:%02X:%02X" into text (at least 18 bytes).
void macToText(const std::uint8_t* mac, char* text);
std::string macToText(const MacAddress& mac);

// Selector 0: broadcast address; 1: local-device address; other: unchanged.
void specialAddress(std::uint8_t* buffer, int selector);

// Strict parse of "XX:XX:XX:XX:XX:XX" (also '-' or no separators) for the
// command-line tools and configuration files; never used to match user text.
bool parseMac(const std::string& text, MacAddress& out);

}  // namespace strandline
