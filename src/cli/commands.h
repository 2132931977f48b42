// strandline-cli subcommands: one file each. Each file declares its
// subcommand, with its nested subcommands and options, on the program's
// CLI11 App; the one given on the command line leaves its action behind.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace strandline::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoAdapter = 3;

// What the parsed command line runs; its result is the exit code.
using Action = std::function<int()>;

void addCardsCommand(CLI::App& app, Action& action);
void addScanCommand(CLI::App& app, Action& action);
void addDbCommand(CLI::App& app, Action& action);
void addPrefsCommand(CLI::App& app, Action& action);
void addKeyCommand(CLI::App& app, Action& action);
void addDecodeCommand(CLI::App& app, Action& action);
void addNetworkCommand(CLI::App& app, Action& action);
void addDeviceCommand(CLI::App& app, Action& action);
void addPibCommand(CLI::App& app, Action& action);
void addQosCommand(CLI::App& app, Action& action);
void addLedCommand(CLI::App& app, Action& action);
void addFirmwareCommand(CLI::App& app, Action& action);
void addReportCommand(CLI::App& app, Action& action);
void addMonitorCommand(CLI::App& app, Action& action);
void addHistoryCommand(CLI::App& app, Action& action);

}  // namespace strandline::cli
