#include "core/settings/settings_block.h"

#include "core/device_ops/device_operations.h"

namespace strandline {

bool readDeviceBlock(const ToolEnvironment& env, const std::string& path) {
  return runToolOperation(env, true, [&](ToolSession& s) { return readParameters(s, path); }) == 0;
}

bool awaitDeviceRestart(const ToolEnvironment& env) {
  return runToolOperation(env, true, [](ToolSession& s) {
           s.flags |= kToolSilent;
           return waitForReset(s) == 0 ? waitForStart(s) : -1;
         }) == 0;
}

}  // namespace strandline
