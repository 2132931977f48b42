#include "cli/tool_command.h"

#include <cstdio>

#include "platform/data_folder.h"

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

namespace {

int runOnCurrentCard(const CommonOptions& options, const ToolCommand& command, bool settings) {
  FlowOptions flow;
  flow.common = options;
  return runFlow(flow, [&](ProgramContext& ctx) {
    if (settings && !ctx.avMode) {
      std::fprintf(stderr,
                   "strandline-cli: the local adapter is a HomePlug 1.0 adapter, which has no QoS "
                   "or LED settings\n");
      return kExitFailure;
    }
    StderrPrompter prompter;
    ToolEnvironment env{ctx.link, ctx.clock, prompter};
    env.cardMac = ctx.currentNetwork().cardMac;
    return command(env) ? kExitOk : kExitFailure;
  });
}

}  // namespace

int runToolCommand(const CommonOptions& options, const ToolCommand& command) {
  return runOnCurrentCard(options, command, false);
}

int runSettingsCommand(const CommonOptions& options, const ToolCommand& command) {
  return runOnCurrentCard(options, command, true);
}

bool settingsFolder(const CommonOptions& options, const std::string& dataOption,
                    std::string& folder) {
  if (dataOption.empty()) {
    DataFolderChoice choice = chooseDataFolder();
    if (choice.notice)
      std::fprintf(stderr, "[%s] %s\n", choice.notice->caption.c_str(),
                   choice.notice->text.c_str());
    folder = choice.folder;
    if (!options.simulateFile.empty()) folder += "/demo";
  } else {
    folder = dataOption;
  }
  Status made = makeFolders(systemFileOps(), folder);
  if (!made.ok()) {
    std::fprintf(stderr, "strandline-cli: %s: %s\n", folder.c_str(), made.message.c_str());
    return false;
  }
  return true;
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
