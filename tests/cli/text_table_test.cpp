// The scan table's layout: every column as wide as its widest cell, whatever
// the length of a firmware text or a device name.
#include "cli/text_table.h"

#include <gtest/gtest.h>

namespace strandline::cli {
namespace {

// Where each cell of a line starts, found by the cells' texts.
std::vector<std::size_t> starts(const std::string& line, const std::vector<std::string>& cells) {
  std::vector<std::size_t> at;
  std::size_t from = 0;
  for (const std::string& cell : cells) {
    std::size_t pos = line.find(cell, from);
    at.push_back(pos);
    from = pos + cell.size();
  }
  return at;
}

TEST(TextTable, ColumnsLineUpWhateverTheCellLengths) {
  const std::string longFirmware =
      "MAC-3-5-3516-1282-20100621-FINAL-B-WITH-A-VERY-LONG-SUFFIX-" + std::string(40, 'X');
  const std::string longName = "Upstairs office behind the bookcase";
  std::vector<std::vector<std::string>> rows = {
      {"MAC", "NAME", "FIRMWARE", "TX"},
      {"02:5A:00:00:01:02", "-", "short", "238/226/250"},
      {"02:5A:00:00:01:03", longName, longFirmware, "5/5/5"},
      {"02:5A:00:00:01:04", "Büro", "", "88/80/90"},  // UTF-8: four characters
  };
  std::vector<std::string> lines = alignColumns(rows, {false, false, false, true});
  ASSERT_EQ(lines.size(), rows.size());
  // Left-aligned columns start at the same place on every line.
  std::vector<std::size_t> header = starts(lines[0], rows[0]);
  EXPECT_EQ(header[1], 17u + 2);
  EXPECT_EQ(header[2], header[1] + longName.size() + 2);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    std::vector<std::size_t> at = starts(lines[r], {rows[r][0], rows[r][1]});
    EXPECT_EQ(at[1], header[1]) << lines[r];
  }
  // The right-aligned last column ends at the same character on every line,
  // and no line ends in blanks.
  auto characters = [](const std::string& s) {
    std::size_t n = 0;
    for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  for (const std::string& line : lines) {
    EXPECT_EQ(characters(line), characters(lines[1])) << line;
    EXPECT_NE(line.back(), ' ');
  }
  EXPECT_EQ(lines[2].substr(lines[2].size() - 7), "  5/5/5");
  // The empty firmware cell still takes its column's width.
  EXPECT_EQ(lines[3], "02:5A:00:00:01:04  Büro" + std::string(longName.size() - 4, ' ') + "  " +
                          std::string(longFirmware.size(), ' ') + "     88/80/90");
}

TEST(TextTable, RaggedAndEmptyInputs) {
  EXPECT_TRUE(alignColumns({}, {}).empty());
  // A short row takes only its own cells; trailing empty cells leave no blanks.
  std::vector<std::string> lines = alignColumns({{"a", "bbb", "c"}, {"aa"}, {"a", "", ""}}, {});
  EXPECT_EQ(lines, (std::vector<std::string>{"a   bbb  c", "aa", "a"}));
}

}  // namespace
}  // namespace strandline::cli
