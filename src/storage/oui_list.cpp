#include "storage/oui_list.h"

#include <algorithm>

namespace strandline {

static int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// "HHHHHH<tab>Word" with optional trailing blanks; false when the line does not match.
static bool parseLine(std::string_view line, OuiEntry& entry) {
  if (line.size() < 8) return false;
  for (std::size_t i = 0; i < 3; ++i) {
    int hi = hexDigit(line[2 * i]), lo = hexDigit(line[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    entry.oui[i] = static_cast<std::uint8_t>(hi << 4 | lo);
  }
  if (line[6] != '\t') return false;
  std::string_view rest = line.substr(7);
  std::size_t end = 0;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  if (end == 0) return false;
  for (std::size_t i = end; i < rest.size(); ++i)
    if (!isBlank(rest[i])) return false;
  entry.vendor.assign(rest.substr(0, std::min(end, kMaxVendorLength)));
  std::replace(entry.vendor.begin(), entry.vendor.end(), '_', ' ');
  return true;
}

static std::uint32_t ouiKey(const std::array<std::uint8_t, 3>& oui) {
  return std::uint32_t{oui[0]} << 16 | std::uint32_t{oui[1]} << 8 | oui[2];
}

OuiList parseOuiList(std::string_view text) {
  OuiList list;
  list.capacity = text.size() / kOuiLineBytes;
  std::size_t pos = 0;
  while (list.entries.size() < list.capacity && pos < text.size()) {
    std::size_t newline = text.find('\n', pos);
    std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    OuiEntry entry;
    if (!parseLine(text.substr(pos, end - pos), entry)) break;
    list.entries.push_back(std::move(entry));
    pos = end + 1;
  }
  // Lookups search by halves; an unordered line must not hide the others.
  std::stable_sort(
      list.entries.begin(), list.entries.end(),
      [](const OuiEntry& a, const OuiEntry& b) { return ouiKey(a.oui) < ouiKey(b.oui); });
  return list;
}

OuiList loadOuiList(const std::string& path, FileOps& ops) {
  // The list of every registered OUI is a few megabytes; more is not a list.
  constexpr std::size_t kMaxListBytes = 64u << 20;
  ReadFileResult file = readWholeFile(ops, path, kMaxListBytes);
  if (file.status != ReadFileResult::Status::Ok) return {};
  return parseOuiList(
      std::string_view(reinterpret_cast<const char*>(file.data.data()), file.data.size()));
}

std::string vendorNameFor(const OuiList& list, const MacAddress& mac,
                          const std::array<std::uint8_t, 3>& oemOui,
                          const std::string& oemVendorName) {
  std::array<std::uint8_t, 3> oui{mac[0], mac[1], mac[2]};
  if (oui == oemOui && !oemVendorName.empty()) return oemVendorName;
  auto it =
      std::lower_bound(list.entries.begin(), list.entries.end(), ouiKey(oui),
                       [](const OuiEntry& e, std::uint32_t key) { return ouiKey(e.oui) < key; });
  if (it != list.entries.end() && it->oui == oui && !it->vendor.empty()) return it->vendor;
  return kDefaultVendorName;
}

}  // namespace strandline
