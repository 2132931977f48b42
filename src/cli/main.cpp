// strandline-cli: the Strandline core driven from a terminal.
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/commands.h"

namespace strandline::cli {

int usage(const char* synopsis) {
  std::fprintf(stderr, "usage: strandline-cli %s\n", synopsis);
  return kExitUsage;
}

// Each subcommand's file defines its entry; the table lists them for dispatch and --help.
static const std::vector<Command> kCommands = {
    {"cards", "cards [--interface IF]...", runCards},
    {"scan",
     "scan [--interface IF]... [--cycles N] [--interval N] [--json] [--stats]\n"
     "                         [--simulate FILE]",
     runScan},
    {"db", kDbSynopsis, runDb},
    {"prefs", "prefs show [FILE]", runPrefs},
    {"key", kKeySynopsis, runKey},
    {"decode", kDecodeSynopsis, runDecode},
    {"network", kNetworkSynopsis, runNetwork},
    {"device", kDeviceSynopsis, runDevice},
    {"pib", kPibSynopsis, runPib},
    {"qos", kQosSynopsis, runQos},
    {"led", kLedSynopsis, runLed},
    {"firmware", kFirmwareSynopsis, runFirmware},
    {"report", kReportSynopsis, runReport},
    {"monitor", kMonitorSynopsis, runMonitor},
    {"history", kHistorySynopsis, runHistory},
};

static void printHelp(std::FILE* out) {
  std::fprintf(out, "strandline-cli: manage powerline adapters from a terminal\n\nCommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  strandline-cli %s\n", c.synopsis);
  std::fprintf(out,
               "\nEnvironment:\n  STRANDLINE_INTERFACES  comma-separated interface names that may "
               "be used (all Ethernet cards when unset)\n");
}

}  // namespace strandline::cli

int main(int argc, char** argv) {
  using namespace strandline::cli;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    printHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(Args(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "strandline-cli: unknown command '%s'\n", argv[1]);
  printHelp(stderr);
  return kExitUsage;
}
