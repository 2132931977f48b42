#include "base/bytes.h"

namespace strandline {

std::string toHex(ByteView data, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(data.size() * 2);
  for (std::uint8_t b : data) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 0x0F]);
  }
  return out;
}

static int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool parseHex(const std::string& text, Bytes& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == ':' || c == '-' || c == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return false;
    int hi = hexValue(c), lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    i += 2;
  }
  return true;
}

}  // namespace strandline
