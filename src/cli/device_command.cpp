// strandline-cli device add|verify: a new device joins the network by its
// printed password; a known device's password is checked and stored.
#include <cstdio>

#include "cli/commands.h"
#include "cli/flow_runner.h"
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

}  // namespace

int runDevice(const Args& args) {
  FlowOptions options;
  Args rest;
  if (!parseFlowOptions(args, options, rest) || rest.empty()) return usage(kDeviceSynopsis);
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
