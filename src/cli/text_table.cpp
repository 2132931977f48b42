#include "cli/text_table.h"

#include <algorithm>

namespace strandline::cli {

namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

std::vector<std::string> alignColumns(const std::vector<std::vector<std::string>>& rows,
                                      const std::vector<bool>& rightAligned) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], displayWidth(row[c]));
  }
  std::vector<std::string> lines;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::string pad(widths[c] - displayWidth(row[c]), ' ');
      bool right = c < rightAligned.size() && rightAligned[c];
      if (c > 0) line += "  ";
      line += right ? pad + row[c] : row[c] + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace strandline::cli
