// strandline-cli device add|verify|reset|factory-reset: a new device joins
// the network by its printed password; a known device's password is checked
// and stored; the local adapter restarts or returns to its factory defaults.
#include <cstdio>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/tool_command.h"
#include "core/device_ops/device_operations.h"
#include "core/program_context.h"
#include "core/security/add_device.h"

namespace strandline::cli {

namespace {

int add(const FlowOptions& options, const std::string& name, const std::string& password) {
  return runFlow(options, [&](ProgramContext& ctx) {
    return addDeviceByPassword(ctx, name, password) ? kExitOk : kExitFailure;
  });
}

int verify(const FlowOptions& options, const MacAddress& mac, const std::string& password) {
  return runFlow(options, [&](ProgramContext& ctx) {
    int position = findKnownByMac(ctx.known, mac);
    if (position == 0) position = addKnownDevice(ctx.known, mac);
    if (position == 0) {
      std::fprintf(stderr, "strandline-cli: the device table is full\n");
      return kExitFailure;
    }
    int result = enterDevicePassword(ctx, position, password);
    if (result == kRefusedFirmwareTooOld) return kExitFailure;
    if (result < 0)
      std::fprintf(stderr, "strandline-cli: no usable network card; password stored unchecked\n");
    return result == 1 ? kExitOk : kExitFailure;
  });
}

// Both count only when the device confirmed the request.
int reset(const CommonOptions& options) {
  return runToolCommand(options, [](const ToolEnvironment& env) {
    return runOnToolChannel(
        env, [](ToolSession& s) { return resetDevice(s) == 0 && deviceConfirmed(s); });
  });
}

int factoryReset(const CommonOptions& options, const std::string& savePath) {
  return runToolCommand(options, [&](const ToolEnvironment& env) {
    return runOnToolChannel(env, [&](ToolSession& s) {
      if (savePath.empty()) return restoreFactoryDefaults(s) == 0 && deviceConfirmed(s);
      return factoryResetAndSave(s, env.prompter, savePath) == 1 && deviceConfirmed(s);
    });
  });
}

}  // namespace

int runDevice(const Args& args) {
  FlowOptions options;
  Args rest;
  if (!parseFlowOptions(args, options, rest) || rest.empty()) return usage(kDeviceSynopsis);
  if (rest[0] == "reset" && rest.size() == 1) return reset(options.common);
  if (rest[0] == "factory-reset") {
    if (rest.size() == 1) return factoryReset(options.common, "");
    if (rest.size() == 3 && rest[1] == "--save") return factoryReset(options.common, rest[2]);
    return usage(kDeviceSynopsis);
  }
  if (rest[0] == "add") {
    std::string name;
    Args positional;
    for (std::size_t i = 1; i < rest.size(); ++i) {
      if (rest[i] == "--name" && i + 1 < rest.size())
        name = rest[++i];
      else
        positional.push_back(rest[i]);
    }
    if (positional.size() != 1) return usage(kDeviceSynopsis);
    return add(options, name, positional[0]);
  }
  if (rest[0] == "verify" && rest.size() == 3) {
    MacAddress mac{};
    if (!parseDeviceMac(rest[1], mac)) return kExitUsage;
    return verify(options, mac, rest[2]);
  }
  return usage(kDeviceSynopsis);
}

}  // namespace strandline::cli
