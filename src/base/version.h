// The release version every program prints for --version; CMake's project()
// version is its one source.
#pragma once

#include <string_view>

namespace strandline {

inline constexpr std::string_view kVersion = STRANDLINE_VERSION;

}  // namespace strandline
