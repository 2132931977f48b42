#include "api/mac_address.h"

#include <cstdio>
#include <cstring>

#include "api/bytes.h"

namespace strandline {

bool MacEqual(const std::uint8_t* a, const std::uint8_t* b) {
  return std::memcmp(a, b, 6) == 0;
}

bool MacIsSet(const std::uint8_t* mac) {
  for (int i = 0; i < 6; ++i)
    if (mac[i] != 0) return true;
  return false;
}

void MacCopy(std::uint8_t* dst, const std::uint8_t* src) {
  std::memmove(dst, src, 6);
}

void KeyCopy(std::uint8_t* dst, const std::uint8_t* src, bool avMode) {
  std::memmove(dst, src, KeyWidth(avMode));
}

void MacToText(const std::uint8_t* mac, char* text) {
  std::snprintf(text, 18, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                mac[5]);
}

std::string MacToText(const MacAddress& mac) {
  char text[18];
  MacToText(mac.data(), text);
  return text;
}

void SpecialAddress(std::uint8_t* buffer, int selector) {
  if (selector == 0) MacCopy(buffer, kBroadcastMac.data());
  if (selector == 1) MacCopy(buffer, kLocalDeviceMac.data());
}

bool ParseMac(const std::string& text, MacAddress& out) {
  Bytes bytes;
  if (!ParseHex(text, bytes) || bytes.size() != 6) return false;
  std::memcpy(out.data(), bytes.data(), 6);
  return true;
}

}  // namespace strandline
