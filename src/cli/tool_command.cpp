#include "cli/tool_command.h"

#include <cstdio>

namespace strandline::cli {

namespace {

// The window's message boxes as lines on stderr; the answers are the
// recorder's defaults (OK).
class StderrPrompter final : public RecordingPrompter {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return RecordingPrompter::messageBox(text, caption, icon, buttons);
  }
};

}  // namespace

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
