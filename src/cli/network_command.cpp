// strandline-cli network set-local|set-all NAME: a network name on the local
// adapter alone, or on every device whose password the database holds and
// then on the local adapter.
#include <algorithm>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "core/security/network_name.h"

namespace strandline::cli {

int runNetwork(const Args& args) {
  FlowOptions options;
  Args rest;
  if (!parseFlowOptions(args, options, rest) || rest.size() != 2 ||
      (rest[0] != "set-local" && rest[0] != "set-all"))
    return usage(kNetworkSynopsis);
  const bool all = rest[0] == "set-all";
  const std::string name = rest[1];
  return runFlow(options, [&](ProgramContext& ctx) {
    if (!checkTypedNetworkName(ctx, name)) return kExitFailure;
    if (!all) return setNetworkNameLocal(ctx, name) ? kExitOk : kExitFailure;
    setNetworkNameAll(ctx, name);
    // Success is what the window calls success: every device took the name.
    auto& shown = static_cast<RecordingPrompter&>(ctx.prompter).shown;
    bool everyDevice = std::any_of(shown.begin(), shown.end(), [](const ShownMessage& m) {
      return m.text == kAllDevicesAddedText;
    });
    return everyDevice ? kExitOk : kExitFailure;
  });
}

}  // namespace strandline::cli
