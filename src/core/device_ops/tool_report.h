// The report lines of the device-operations toolkit, in the style of a
// command-line tool:
//   title     "<interface> <peer MAC> <title>"
//   progress  "<interface> <source MAC of the confirm> <text>"
//   failure   the progress line, with "<status text> (0x<code>): " before the
//             text when the confirm's status is not 0
//   error     "PibModify: [<system text of the error number>: ]<text>"
// each ended by a line feed.
#pragma once

#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

inline constexpr std::string_view kToolProgramName = "PibModify";

std::string toolTitleLine(const std::string& ifName, const MacAddress& peer, std::string_view text);
std::string toolProgressLine(const std::string& ifName, ByteView confirm, std::string_view text);
std::string toolFailureLine(const std::string& ifName, ByteView confirm, std::string_view text);
// errorNumber 0: the line carries no system text.
std::string toolErrorLine(int errorNumber, std::string_view text);
// A reason already put into words (a file operation's own message).
std::string toolErrorLine(std::string_view reason, std::string_view text);

// The part of a path after its last "/" or "\".
std::string baseName(const std::string& path);

}  // namespace strandline
