// What the device settings (QoS and LEDs) share: each change starts from the
// block the device holds now, read into a file of the data folder.
#pragma once

#include <cstdint>
#include <string>

#include "core/device_ops/pib_modify.h"
#include "core/program_context.h"
#include "platform/prompter.h"

namespace strandline {

inline const Notice kSettingsReadFailed{
    "Could not read the settings from the device, so nothing was changed. Make sure the device "
    "is connected and try again.",
    "Attention", MessageIcon::Exclamation};

// HomePlug 1.0 adapters (kinds 1 to 3) have no such settings.
inline bool isHomePlug10Kind(std::uint32_t kind) {
  return kind == kKindUsb || kind == kKindBoost || kind == kKindHomePlug10;
}

// Reads the local device's block into `path` (replaced only once the whole
// block has arrived). Shows nothing; false when the card, the channel, the
// device or the file failed.
bool readDeviceBlock(const ToolEnvironment& env, const std::string& path);

// After a write-back: waits until the device has gone down for its restart
// and answers again, so that a scan right after it finds the adapter. False,
// silently, when it did not come back within the toolkit's retries.
bool awaitDeviceRestart(const ToolEnvironment& env);

}  // namespace strandline
