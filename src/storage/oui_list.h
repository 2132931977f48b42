// The OUI vendor list "OUIList.txt": the maker's name for the first three
// bytes of a MAC address.
//
// One entry per line: six hex digits, a tab, the vendor name as one word with
// '_' for blanks, lines in ascending OUI order. The table has room for
// (file size / 20) entries; loading stops at the first line that does not
// match.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/mac_address.h"
#include "platform/file_ops.h"

namespace strandline {

inline constexpr const char* kOuiListFileName = "OUIList.txt";
inline constexpr const char* kDefaultVendorName = "Corvane";
inline constexpr std::size_t kMaxVendorLength = 11;
inline constexpr std::size_t kOuiLineBytes = 20;  // the expected line length behind the capacity

struct OuiEntry {
  std::array<std::uint8_t, 3> oui{};
  std::string vendor;  // blanks for underscores, at most 11 characters
};

struct OuiList {
  std::vector<OuiEntry> entries;  // ascending by OUI
  std::size_t capacity = 0;
};

// Parses the text of a list file (the capacity follows from its size).
OuiList parseOuiList(std::string_view text);
// Reads the list file; a file that cannot be read gives an empty list.
OuiList loadOuiList(const std::string& path, FileOps& ops = systemFileOps());

// The OEM vendor name when the MAC begins with the OEM OUI (and that name is
// not empty), else the list's name for the OUI, else "Corvane". Never empty.
std::string vendorNameFor(const OuiList& list, const MacAddress& mac,
                          const std::array<std::uint8_t, 3>& oemOui,
                          const std::string& oemVendorName);

}  // namespace strandline
