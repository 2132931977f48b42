#include "core/settings/settings_block.h"

#include "core/device_ops/device_operations.h"

namespace strandline {

bool readDeviceBlock(const ToolEnvironment& env, const std::string& path) {
  return runToolOperation(env, true, [&](ToolSession& s) { return readParameters(s, path); }) == 0;
}

}  // namespace strandline
