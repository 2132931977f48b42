// strandline-cli subcommands: one file each, sharing this table.
#pragma once

#include <string>
#include <vector>

namespace strandline::cli {

using Args = std::vector<std::string>;

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoAdapter = 3;

struct Command {
  const char* name;
  const char* synopsis;  // one or more lines for --help
  int (*run)(const Args& args);
};

// The subcommands, each in its own file.
int RunCards(const Args& args);
int RunDb(const Args& args);
int RunPrefs(const Args& args);

// Prints "usage: strandline-cli <synopsis>" to stderr and returns kExitUsage.
int Usage(const char* synopsis);

}  // namespace strandline::cli
