// Plain-text tables for the terminal: columns as wide as their widest cell.
#pragma once

#include <string>
#include <vector>

namespace strandline::cli {

// The rows (the first is usually the header) as lines: each cell padded to
// its column's width, two blanks between columns, no trailing blanks.
// Columns whose rightAligned entry is true are aligned right (numbers).
// Widths count UTF-8 characters, not bytes.
std::vector<std::string> alignColumns(const std::vector<std::vector<std::string>>& rows,
                                      const std::vector<bool>& rightAligned);

}  // namespace strandline::cli
