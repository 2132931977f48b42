// strandline-cli led status|off|on: the local adapter's LEDs, read from its
// parameter block, switched off, or switched on again with the settings
// saved in LEDConfig.ini while they were on.
#include <cstdio>

#include "cli/commands.h"
#include "cli/tool_command.h"
#include "core/settings/led_control.h"
#include "core/settings/settings_block.h"

namespace strandline::cli {

int runLed(const Args& args) {
  CommonOptions options;
  Args rest;
  if (!parseCommonOptions(args, options, rest) || rest.empty()) return usage(kLedSynopsis);
  std::string verb = rest[0], data;
  if (rest.size() == 3 && rest[1] == "--data")
    data = rest[2];
  else if (rest.size() != 1)
    return usage(kLedSynopsis);
  if (verb != "status" && verb != "off" && verb != "on") return usage(kLedSynopsis);
  std::string folder;
  if (!settingsFolder(options, data, folder)) return kExitFailure;
  return runSettingsCommand(options, [&](const ToolEnvironment& env) {
    if (verb != "status") return switchLeds(env, folder, verb == "off") == 1;
    LedState state = readLedState(env, folder);
    if (state == LedState::Unknown) {
      env.prompter.show(kSettingsReadFailed);
      return false;
    }
    std::printf("%s\n", state == LedState::Off ? "off" : "on");
    return true;
  });
}

}  // namespace strandline::cli
