// The release and version texts of the About page, built from the fixed
// release date and version code.
#pragma once

#include <string>

namespace strandline {

inline constexpr const char* kReleaseDate = "20110613";   // year, month, day
inline constexpr const char* kVersionCode = "6-0-0-0-4";  // major-minor-x-build-y
inline constexpr const char* kBuildNumber = "4";

// "Released: June 13, 2011": a month outside 1 to 12 adds no name.
std::string releaseText(const std::string& date = kReleaseDate);
// "v6.0.0.0, Build 0004".
std::string versionText(const std::string& code = kVersionCode,
                        const std::string& build = kBuildNumber);

// What the About page shows when Readme.txt is missing.
inline constexpr const char* kReadmeMissing =
    "The file \"Readme.txt\" is missing: the SLU may not have been properly installed.\n"
    "The packet-capture library's copyright information is in its package, "
    "/usr/share/doc/libpcap0.8/copyright.";

}  // namespace strandline
