#include "cli/tool_command.h"

#include <cstdio>

namespace strandline::cli {

MessageAnswer StderrPrompter::messageBox(const std::string& text, const std::string& caption,
                                         MessageIcon icon, MessageButtons buttons) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return RecordingPrompter::messageBox(text, caption, icon, buttons);
}

int runToolCommand(const CommonOptions& options, const ToolCommand& command) {
  FlowOptions flow;
  flow.common = options;
  return runFlow(flow, [&](ProgramContext& ctx) {
    StderrPrompter prompter;
    ToolEnvironment env{ctx.link, ctx.clock, prompter};
    env.cardMac = ctx.currentNetwork().cardMac;
    return command(env) ? kExitOk : kExitFailure;
  });
}

bool runOnToolChannel(const ToolEnvironment& env, const std::function<bool(ToolSession&)>& step) {
  return runToolOperation(env, false, [&](ToolSession& s) { return step(s) ? 0 : -1; }) == 0;
}

bool deviceConfirmed(const ToolSession& session) {
  if (!session.confirmed)
    std::fprintf(stderr, "strandline-cli: the device did not confirm the request\n");
  return session.confirmed;
}

}  // namespace strandline::cli
