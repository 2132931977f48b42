#include "storage/led_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

namespace strandline {

namespace {

// A profile file of a few hundred bytes; anything far larger is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::string_view kSection = "id";

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// The keys and values of section "ID"; the first occurrence of a key counts.
std::map<std::string, std::string_view> sectionEntries(std::string_view text) {
  std::map<std::string, std::string_view> entries;
  bool inSection = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      inSection =
          close != std::string_view::npos && lower(trim(line.substr(1, close - 1))) == kSection;
      continue;
    }
    std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    entries.emplace(lower(trim(line.substr(0, equals))), trim(line.substr(equals + 1)));
  }
  return entries;
}

}  // namespace

std::string formatLedConfig(const std::vector<std::uint8_t>& values) {
  std::string text = "[ID]\n";
  for (std::size_t n = 1; n <= values.size(); ++n)
    text += "ID" + std::to_string(n) + "=" + std::to_string(values[n - 1]) + "\n";
  return text;
}

bool parseLedConfig(std::string_view text, std::size_t count, std::vector<std::uint8_t>& values) {
  std::map<std::string, std::string_view> entries = sectionEntries(text);
  std::vector<std::uint8_t> out;
  for (std::size_t n = 1; n <= count; ++n) {
    auto it = entries.find("id" + std::to_string(n));
    if (it == entries.end()) return false;
    std::string_view v = it->second;
    unsigned value = 0;
    auto [stop, error] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (v.empty() || error != std::errc() || stop != v.data() + v.size() ||
        value > kMaxLedSettingValue)
      return false;
    out.push_back(static_cast<std::uint8_t>(value));
  }
  values = std::move(out);
  return true;
}

Status saveLedConfig(const std::string& path, const std::vector<std::uint8_t>& values,
                     FileOps& ops) {
  std::string text = formatLedConfig(values);
  return writeFileAtomically(
      ops, path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0600);
}

LedConfigLoad loadLedConfig(const std::string& path, std::size_t count,
                            std::vector<std::uint8_t>& values, FileOps& ops) {
  ReadFileResult file = readWholeFile(ops, path, kMaxFileBytes + 1);
  if (file.status == ReadFileResult::Status::Missing) return LedConfigLoad::Missing;
  if (file.status != ReadFileResult::Status::Ok || file.data.size() > kMaxFileBytes)
    return LedConfigLoad::Unreadable;
  std::string_view text(reinterpret_cast<const char*>(file.data.data()), file.data.size());
  return parseLedConfig(text, count, values) ? LedConfigLoad::Ok : LedConfigLoad::Incomplete;
}

}  // namespace strandline
