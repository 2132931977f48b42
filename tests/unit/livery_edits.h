// The edits the Livery tests make on a zeroed record, and the file they must
// give (tests/data/livery/OEMPrefs-edited.dat, written from the layout by
// tests/data/make-oem-prefs-golden).
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace strandline::livery::testing {

// Control id and the text typed into its box.
inline const std::vector<std::pair<int, std::string>> kTypedEdits = {
    {1012, "45"},
    {1013, "70000"},
    {1014, "16"},
    {1017, "ffff"},
    {1032, "20"},
    {1015, "-5"},
    {1016, "310"},
    {1018, "80"},
    {1020, "25"},
    {1033, "1:2:ab"},
    {1031, "Wave Labs"},
    {1028, "https://example.org/" + std::string(60, 'a')},
    {1029, "Copyright (C) Wave Labs"},
    {1030, "Wave Tool"},
};
// Check box id and how often it is clicked.
inline const std::vector<std::pair<int, int>> kClicks = {
    {1010, 1}, {1019, 2}, {1021, 1}, {1022, 1}, {1101, 1}};

inline std::string editedFileBytes() {
  std::ifstream in(STRANDLINE_SOURCE_DIR "/tests/data/livery/OEMPrefs-edited.dat",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace strandline::livery::testing
