#include "base/mac_address.h"

#include <cstdio>
#include <cstring>

#include "base/bytes.h"

namespace strandline {

bool macEqual(const std::uint8_t* a, const std::uint8_t* b) {
  return std::memcmp(a, b, 6) == 0;
}

bool macIsSet(const std::uint8_t* mac) {
  for (int i = 0; i < 6; ++i)
    if (mac[i] != 0) return true;
  return false;
}

void macCopy(std::uint8_t* dst, const std::uint8_t* src) {
  std::memmove(dst, src, 6);
}

void keyCopy(std::uint8_t* dst, const std::uint8_t* src, bool avMode) {
  std::memmove(dst, src, keyWidth(avMode));
}

void macToText(const std::uint8_t* mac, char* text) {
  std::snprintf(text, 18, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                mac[5]);
}

std::string macToText(const MacAddress& mac) {
  char text[18];
  macToText(mac.data(), text);
  return text;
}

void specialAddress(std::uint8_t* buffer, int selector) {
  if (selector == 0) macCopy(buffer, kBroadcastMac.data());
  if (selector == 1) macCopy(buffer, kLocalDeviceMac.data());
}

bool parseMac(const std::string& text, MacAddress& out) {
  Bytes bytes;
  if (!parseHex(text, bytes) || bytes.size() != 6) return false;
  std::memcpy(out.data(), bytes.data(), 6);
  return true;
}

}  // namespace strandline
