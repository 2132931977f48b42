// strandline-cli: the Strandline core driven from a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/version.h"
#include "cli/commands.h"

namespace {

// The (sub)command the command line reached.
const CLI::App& deepest(const CLI::App& app) {
  const CLI::App* at = &app;
  while (!at->get_subcommands().empty()) at = at->get_subcommands().front();
  return *at;
}

// One line on stderr: what was wrong, and the help of the (sub)command it
// was given to.
int usageError(const CLI::App& app, const std::string& problem) {
  std::string where = "strandline-cli";
  for (const CLI::App* at = &app; at != &deepest(app);) {
    at = at->get_subcommands().front();
    where += " " + at->get_name();
  }
  std::fprintf(stderr, "strandline-cli: %s (see '%s --help')\n", problem.c_str(), where.c_str());
  return strandline::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace strandline::cli;
  CLI::App app("strandline-cli: manage powerline adapters from a terminal", "strandline-cli");
  app.set_version_flag("-V,--version", "strandline-cli " + std::string(strandline::kVersion));
  Action action;
  for (auto add :
       {addCardsCommand, addScanCommand, addDbCommand, addPrefsCommand, addKeyCommand,
        addDecodeCommand, addNetworkCommand, addDeviceCommand, addPibCommand, addQosCommand,
        addLedCommand, addFirmwareCommand, addReportCommand, addMonitorCommand, addHistoryCommand})
    add(app, action);
  // Set after the subcommands are added, so that only this help shows it.
  app.footer(
      "Environment:\n  STRANDLINE_INTERFACES  comma-separated interface names that may be used "
      "(all Ethernet cards when unset)\n\n'strandline-cli COMMAND --help' describes a command.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ExtrasError& e) {
    // The first word that fits nowhere (the library's text lists them all, backwards).
    std::vector<std::string> rest = deepest(app).remaining(false);
    return usageError(app, rest.empty() ? e.what() : "'" + rest.front() + "' was not expected");
  } catch (const CLI::ParseError& e) {
    return usageError(app, e.what());
  }
  // A command with subcommands of its own was given without one.
  return action ? action() : usageError(app, "a command is required");
}
