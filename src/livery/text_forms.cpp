#include "livery/text_forms.h"

#include <cctype>
#include <cstdio>
#include <limits>

namespace strandline::livery {

std::string showDecimal(std::int64_t value) {
  return std::to_string(value);
}

std::string showHex(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return text;
}

std::string showOui(const std::array<std::uint8_t, 3>& oui) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X", oui[0], oui[1], oui[2]);
  return text;
}

namespace {

int digitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// One number from text[pos...] as scanf's integer conversions read it; pos
// ends after it. Unsigned magnitude, saturated; `negative` tells the sign.
struct Scanned {
  std::uint64_t magnitude = 0;
  bool negative = false;
  bool saturated = false;
};

std::optional<Scanned> scanNumber(std::string_view text, std::size_t& pos, int base) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  Scanned n;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) n.negative = text[pos++] == '-';
  bool digits = false;
  if (base == 16 && pos + 1 < text.size() && text[pos] == '0' &&
      (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    pos += 2;
    digits = true;  // "0x" alone reads as 0
  }
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  for (int d; pos < text.size() && (d = digitValue(text[pos], base)) >= 0; ++pos) {
    digits = true;
    auto b = static_cast<std::uint64_t>(base);
    if (n.magnitude > (kMax - static_cast<std::uint64_t>(d)) / b) n.saturated = true;
    if (!n.saturated) n.magnitude = n.magnitude * b + static_cast<std::uint64_t>(d);
  }
  if (!digits) return std::nullopt;
  return n;
}

// A hexadecimal number as an unsigned "%x" conversion stores it.
std::optional<std::uint32_t> scanHex(std::string_view text, std::size_t& pos) {
  std::optional<Scanned> n = scanNumber(text, pos, 16);
  if (!n) return std::nullopt;
  std::uint64_t v = n->saturated ? std::numeric_limits<std::uint64_t>::max() : n->magnitude;
  if (n->negative) v = ~v + 1;
  return static_cast<std::uint32_t>(v);
}

}  // namespace

std::optional<std::int64_t> readDecimal(std::string_view text) {
  text = text.substr(0, kMaxBoxText);
  std::size_t pos = 0;
  std::optional<Scanned> n = scanNumber(text, pos, 10);
  if (!n) return std::nullopt;
  constexpr std::uint64_t kLimit = std::numeric_limits<std::int64_t>::max();
  if (n->negative) {
    if (n->saturated || n->magnitude > kLimit) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(n->magnitude);
  }
  if (n->saturated || n->magnitude > kLimit) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(n->magnitude);
}

std::optional<std::uint32_t> readHex(std::string_view text) {
  std::size_t pos = 0;
  return scanHex(text.substr(0, kMaxBoxText), pos);
}

std::optional<std::array<std::uint8_t, 3>> readOui(std::string_view text) {
  text = text.substr(0, kMaxBoxText);
  std::array<std::uint8_t, 3> oui{};
  std::size_t pos = 0;
  for (std::size_t i = 0; i < oui.size(); ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != ':') return std::nullopt;
      ++pos;
    }
    std::optional<std::uint32_t> v = scanHex(text, pos);
    if (!v) return std::nullopt;
    oui[i] = static_cast<std::uint8_t>(*v & 0xFF);
  }
  return oui;
}

std::string fitText(std::string_view text, std::size_t width) {
  std::size_t n = std::min(text.size(), width == 0 ? 0 : width - 1);
  // Back off over continuation bytes so that no character is cut in half.
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return std::string(text.substr(0, n));
}

}  // namespace strandline::livery
