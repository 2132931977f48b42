// Options shared by the subcommands that talk to adapters.
#pragma once

#include <string>
#include <vector>

#include "base/mac_address.h"
#include "cli/commands.h"

namespace strandline::cli {

struct CommonOptions {
  // --interface IF (repeatable); STRANDLINE_INTERFACES when none is given.
  std::vector<std::string> interfaces;
  // --simulate FILE: the in-process simulator instead of libpcap.
  std::string simulateFile;
};

// The scan interval as the OEM preferences allow it (only the low 16 bits of
// the setting take effect, as a signed number).
inline constexpr int kMaxInterval = 32767;
// Scan cycles of one `scan` run: at the default interval a cycle takes up to 9 s
// on a real network, so the bound is a little over two hours.
inline constexpr int kMaxCycles = 1000;

// The value of `option`: a whole decimal number from low to high. Anything else
// is reported on stderr ("OPTION takes a number from LOW to HIGH") and gives false.
bool parseNumberOption(const std::string& option, const std::string& text, int low, int high,
                       int& out);

// A MAC address that names one device: not the broadcast, a multicast or the
// all-zero address, nor the local management address that whatever adapter is
// on the card answers. Anything else is reported on stderr and gives false.
bool parseDeviceMac(const std::string& text, MacAddress& out);

// Takes the common options out of args and leaves the rest, in order, in rest.
// false on a malformed option (missing value).
bool parseCommonOptions(const Args& args, CommonOptions& options, Args& rest);

}  // namespace strandline::cli
