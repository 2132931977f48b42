#include "storage/about_texts.h"

#include <array>

namespace strandline {

std::string releaseText(const std::string& date) {
  static constexpr std::array<const char*, 12> kMonths = {
      "January", "Feburary", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  if (date.size() < 8) return "Released: ";
  int month = 0;
  for (char c : date.substr(4, 2)) month = c >= '0' && c <= '9' ? month * 10 + (c - '0') : -100;
  std::string text = "Released: ";
  if (month >= 1 && month <= 12) text += kMonths[static_cast<std::size_t>(month - 1)];
  return text + " " + date.substr(6, 2) + ", " + date.substr(0, 4);
}

std::string versionText(const std::string& code, const std::string& build) {
  // The fourth number: after the third '-' up to the next one.
  std::size_t start = 0;
  for (int dash = 0; dash < 3 && start != std::string::npos; ++dash) {
    start = code.find('-', start);
    if (start != std::string::npos) ++start;
  }
  std::string fourth;
  if (start != std::string::npos) fourth = code.substr(start, code.find('-', start) - start);
  std::string padded = build.size() >= 4 ? build : std::string(4 - build.size(), '0') + build;
  return "v6.0.0." + fourth + ", Build " + padded;
}

}  // namespace strandline
