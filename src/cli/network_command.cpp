// strandline-cli network set-local|set-all NAME: a network name on the local
// adapter alone, or on every device whose password the database holds and
// then on the local adapter.
#include <algorithm>
#include <memory>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/options.h"
#include "core/security/network_name.h"

namespace strandline::cli {

namespace {

int setName(const FlowOptions& options, const std::string& name, bool all) {
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

}  // namespace

void addNetworkCommand(CLI::App& app, Action& action) {
  CLI::App* network = app.add_subcommand("network", "the network name of the adapters");
  for (bool all : {false, true}) {
    struct Options {
      FlowOptions flow;
      std::string name;
    };
    auto o = std::make_shared<Options>();
    CLI::App* sub = network->add_subcommand(
        all ? "set-all" : "set-local",
        all ? "a network name on every device whose password the database holds, then on the "
              "local adapter"
            : "a network name on the local adapter");
    sub->add_option("NAME", o->name, "the network name")->required();
    addFlowOptions(*sub, o->flow);
    onRun(*sub, action, [o, all] { return setName(o->flow, o->name, all); });
  }
}

}  // namespace strandline::cli
