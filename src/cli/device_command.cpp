// strandline-cli device add|verify|reset|factory-reset: a new device joins
// the network by its printed password; a known device's password is checked
// and stored; the local adapter restarts or returns to its factory defaults.
#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/options.h"
#include "cli/tool_command.h"
#include "core/device_ops/device_operations.h"
#include "core/program_context.h"
#include "core/security/add_device.h"

namespace strandline::cli {

namespace {

int addDevice(const FlowOptions& options, const std::string& name, const std::string& password) {
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

void addDeviceCommand(CLI::App& app, Action& action) {
  CLI::App* device = app.add_subcommand("device", "add, check, restart or reset devices");

  struct Options {
    FlowOptions flow;
    std::string name, password, mac, save;
  };
  auto o = std::make_shared<Options>();
  CLI::App* add =
      device->add_subcommand("add", "add a device to the network by its printed password");
  add->add_option("PASSWORD", o->password, "the password printed on the device")->required();
  add->add_option("--name", o->name, "the name the device gets in the database")->type_name("NAME");
  addFlowOptions(*add, o->flow);
  onRun(*add, action, [o] { return addDevice(o->flow, o->name, o->password); });

  CLI::App* check = device->add_subcommand(
      "verify", "check a device's password against the device and store it in the database");
  check->add_option("MAC", o->mac, "the device")->required();
  check->add_option("PASSWORD", o->password, "the password printed on the device")->required();
  addFlowOptions(*check, o->flow);
  onRun(*check, action, [o] {
    MacAddress mac{};
    if (!parseDeviceMac(o->mac, mac)) return kExitUsage;
    return verify(o->flow, mac, o->password);
  });

  CLI::App* restart = device->add_subcommand("reset", "restart the local adapter");
  addCommonOptions(*restart, o->flow.common);
  onRun(*restart, action, [o] { return reset(o->flow.common); });

  CLI::App* factory = device->add_subcommand(
      "factory-reset",
      "restore the local adapter's factory defaults (and save the block it then "
      "holds into FILE)");
  factory->add_option("--save", o->save, "where the parameter block is saved")->type_name("FILE");
  addCommonOptions(*factory, o->flow.common);
  onRun(*factory, action, [o] { return factoryReset(o->flow.common, o->save); });
}

}  // namespace strandline::cli
