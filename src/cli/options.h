// Options shared by the subcommands that talk to adapters.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace strandline::cli {

struct CommonOptions {
  // --interface IF (repeatable); STRANDLINE_INTERFACES when none is given.
  std::vector<std::string> interfaces;
  // --simulate FILE: the in-process simulator instead of libpcap.
  std::string simulateFile;
};

// A whole decimal number of at least 1; false for anything else.
bool parsePositive(const std::string& text, int& out);

// Takes the common options out of args and leaves the rest, in order, in rest.
// false on a malformed option (missing value).
bool parseCommonOptions(const Args& args, CommonOptions& options, Args& rest);

}  // namespace strandline::cli
