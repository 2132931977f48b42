// Options shared by the subcommands, and the CLI11 helpers that declare them
// the same way everywhere.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/mac_address.h"
#include "cli/commands.h"

namespace strandline::cli {

struct CommonOptions {
  // --interface IF (repeatable); STRANDLINE_INTERFACES when none is given.
  std::vector<std::string> interfaces;
  // --simulate FILE: the in-process simulator instead of libpcap.
  std::string simulateFile;

  // The interfaces given, else those STRANDLINE_INTERFACES names.
  std::vector<std::string> interfacesToUse() const;
};

// The scan interval as the OEM preferences allow it (only the low 16 bits of
// the setting take effect, as a signed number).
inline constexpr int kMaxInterval = 32767;
// Scan cycles of one `scan` run: at the default interval a cycle takes up to 9 s
// on a real network, so the bound is a little over two hours.
inline constexpr int kMaxCycles = 1000;

// Whether text is a whole decimal number from low to high.
bool parseNumber(const std::string& text, int low, int high, int& out);

// A check that refuses anything but a whole number from low to high
// ("takes a number from LOW to HIGH").
CLI::Validator numberIn(int low, int high);

// A MAC address that names one device: not the broadcast, a multicast or the
// all-zero address, nor the local management address that whatever adapter is
// on the card answers. Anything else is reported on stderr and gives false.
bool parseDeviceMac(const std::string& text, MacAddress& out);

// --interface IF (repeatable, one name each time).
void addInterfaceOption(CLI::App& app, CommonOptions& options);
// --interface and --simulate FILE.
void addCommonOptions(CLI::App& app, CommonOptions& options);
// A number option with its range checked while parsing.
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int& value, int low, int high,
                             const std::string& help);
// --json, --db FILE and --data DIR: the same words and texts in every subcommand.
CLI::Option* addJsonFlag(CLI::App& app, bool& value, const std::string& help);
CLI::Option* addDatabaseOption(CLI::App& app, std::string& path, const std::string& help);
CLI::Option* addDataOption(CLI::App& app, std::string& folder, const std::string& help);

// Makes `run` the action when this subcommand is the one given.
void onRun(CLI::App& sub, Action& action, Action run);

}  // namespace strandline::cli
