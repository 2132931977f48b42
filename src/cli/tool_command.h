// What the pib and device-operation subcommands share: discovery finds the
// local adapter and the card it sits on, then the command runs the toolkit on
// a tool channel of its own on that card. The toolkit's report lines and
// every message box ("[Caption] text") go to stderr.
#pragma once

#include <functional>

#include "cli/flow_runner.h"
#include "core/device_ops/pib_modify.h"

namespace strandline::cli {

// true when the device confirmed every step.
using ToolCommand = std::function<bool(const ToolEnvironment& env)>;

// kExitOk or kExitFailure by the command's answer; kExitNoAdapter when
// discovery found no adapter.
int runToolCommand(const CommonOptions& options, const ToolCommand& command);

// The same for the device settings (qos, led): a HomePlug 1.0 local adapter
// has none, which is said on stderr (kExitFailure).
int runSettingsCommand(const CommonOptions& options, const ToolCommand& command);

// The folder where the device settings keep "user.pib", "userled.pib" and
// "LEDConfig.ini": `--data DIR` when given, else the data folder (its "demo"
// subfolder with --simulate, as the window does), created when missing.
// false after a message on stderr.
bool settingsFolder(const CommonOptions& options, const std::string& dataOption,
                    std::string& folder);

// One operation on a tool channel opened on the environment's card (not
// quiet: a card that cannot be found is reported).
bool runOnToolChannel(const ToolEnvironment& env, const std::function<bool(ToolSession&)>& step);

// Whether the device confirmed the session's last reset or factory-defaults
// request; says so on stderr when it did not (the operation succeeds as soon
// as the request is sent).
bool deviceConfirmed(const ToolSession& session);

}  // namespace strandline::cli
