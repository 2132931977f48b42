// strandline-cli led status|off|on: the local adapter's LEDs, read from its
// parameter block, switched off, or switched on again with the settings
// saved in LEDConfig.ini while they were on.
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/tool_command.h"
#include "core/settings/led_control.h"
#include "core/settings/settings_block.h"

namespace strandline::cli {

namespace {

struct LedOptions {
  CommonOptions common;
  std::string data;
};

int runLed(const LedOptions& o, const std::string& verb) {
  std::string folder;
  if (!settingsFolder(o.common, o.data, folder)) return kExitFailure;
  return runSettingsCommand(o.common, [&](const ToolEnvironment& env) {
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

}  // namespace

void addLedCommand(CLI::App& app, Action& action) {
  CLI::App* led = app.add_subcommand("led", "the local adapter's LEDs");
  auto o = std::make_shared<LedOptions>();
  static constexpr std::pair<const char*, const char*> kVerbs[] = {
      {"status", "whether the local adapter's LEDs are on"},
      {"off", "switch the LEDs off (their settings are saved first)"},
      {"on", "switch the LEDs on again with the settings saved while they were on"},
  };
  for (const auto& [verb, help] : kVerbs) {
    CLI::App* sub = led->add_subcommand(verb, help);
    addDataOption(*sub, o->data,
                  "the folder of the saved settings (default: the data folder, its demo folder "
                  "with --simulate)");
    addCommonOptions(*sub, o->common);
    onRun(*sub, action, [o, v = std::string(verb)] { return runLed(*o, v); });
  }
}

}  // namespace strandline::cli
