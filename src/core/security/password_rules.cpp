#include "core/security/password_rules.h"

#include <algorithm>
#include <cstring>

namespace strandline {

namespace {

bool lengthAllowed(const std::string& text) {
  return text.size() >= kMinPasswordLength && text.size() <= kMaxPasswordLength;
}

}  // namespace

bool checkNetworkName(Prompter& prompter, const std::string& text) {
  if (lengthAllowed(text)) return true;
  prompter.messageBox(kInvalidNetworkNameText, kInvalidEntryCaption, MessageIcon::Error,
                      MessageButtons::Ok);
  return false;
}

bool checkNetworkPassword(const std::optional<std::string>& text, std::ostream& out) {
  if (!text) {
    out << "No password was entered...exiting\n";
    return false;
  }
  if (!lengthAllowed(*text)) {
    out << "Password length illegal, use 4-24 chars\n";
    return false;
  }
  for (char c : *text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x80) {
      out << "Illegal character in password, CTRL and ALT characters not allowed.\n";
      return false;
    }
  }
  return true;
}

bool checkDevicePassword(Prompter& prompter, const std::string& text) {
  if (lengthAllowed(text)) return true;
  prompter.messageBox(kInvalidDevicePasswordText, kInvalidEntryCaption, MessageIcon::Error,
                      MessageButtons::Ok);
  return false;
}

void dashPassword(std::array<char, kDashedPasswordBuffer>& buffer) {
  constexpr std::size_t last = kDashedPasswordBuffer - 1;
  for (std::size_t p = 0; p <= 18; ++p) {
    if ((p + 1) % 5 != 0 || buffer[p] == '-') continue;
    std::memmove(buffer.data() + p + 1, buffer.data() + p, last - p);
    buffer[p] = '-';
    buffer[last] = '\0';
  }
}

std::string dashPassword(const std::string& text) {
  std::array<char, kDashedPasswordBuffer> buffer{};
  std::memcpy(buffer.data(), text.data(), std::min(text.size(), kDashedPasswordBuffer - 1));
  dashPassword(buffer);
  return std::string(buffer.data());
}

std::string upperPassword(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace strandline
