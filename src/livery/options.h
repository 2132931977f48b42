// Livery's command line.
#pragma once

#include <string>
#include <vector>

namespace strandline::livery {

inline constexpr const char* kUsage =
    "usage: livery [--file PATH] [--help] [--version]\n"
    "Edits the OEM preferences file: OEMPrefs.dat in the working directory,\n"
    "or the file PATH names.\n";

struct Options {
  std::string file = "OEMPrefs.dat";
};

// The options that remain once --help and --version have been answered;
// false, with a message and the usage, on an unknown option or a missing value.
bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// "livery 1.2.3": the release version of every program.
std::string versionLine();

}  // namespace strandline::livery
