// What the network and device subcommands share: the link, a context with the
// device database, discovery and one scan cycle, then one flow on the engine
// thread, with every message box and progress text printed (results on
// stdout, everything else on stderr).
#pragma once

#include <functional>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "core/program_context.h"
#include "storage/device_database.h"

namespace strandline::cli {

struct FlowOptions {
  CommonOptions common;
  std::string databasePath;  // --db FILE; empty: an empty table in memory
  int interval = 7;          // --interval N: scan interval of the discovery cycle
};

// --db and --interval, and the common options.
void addFlowOptions(CLI::App& app, FlowOptions& options);

// After discovery found no adapter: says why on stderr (the capture
// permission problem when there is one) and returns the exit code.
int reportNoAdapter(const std::string& permissionProblem);

// Runs `flow` after discovery; its result is the exit code (kExitOk or
// kExitFailure). kExitNoAdapter when discovery found nothing.
int runFlow(const FlowOptions& options, const std::function<int(ProgramContext&)>& flow);

}  // namespace strandline::cli
