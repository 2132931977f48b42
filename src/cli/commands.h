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

inline constexpr const char* kKeySynopsis =
    "key nmk|dak|nek TEXT      network or device key of a text, as hex\n"
    "  strandline-cli key nid NMKHEX LEVEL      network identifier of a key at security level 0-3";
inline constexpr const char* kDecodeSynopsis =
    "decode [--v1] HEXFRAME    decode one received AV frame (whole Ethernet frame) as JSON";

// The subcommands, each in its own file.
int RunCards(const Args& args);
int RunDb(const Args& args);
int RunPrefs(const Args& args);
int RunKey(const Args& args);
int RunDecode(const Args& args);

// Prints "usage: strandline-cli <synopsis>" to stderr and returns kExitUsage.
int Usage(const char* synopsis);

}  // namespace strandline::cli
