// The quality-of-service settings of the local HomePlug AV device: which
// channel access priority (CAP 0 to 3) traffic gets by its VLAN or TOS
// priority, the default CAP of four traffic kinds, and the time to live of
// frames of each CAP. They live in the parameter block; a change patches the
// block file field by field and writes it back into the device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "core/device_ops/pib_modify.h"
#include "platform/prompter.h"

namespace strandline {

struct QosSettings {
  // By traffic kind, in the order of their bytes at 524: unicast,
  // multicast/broadcast, IGMP, IGMP managed multicast streams.
  std::array<std::uint8_t, 4> defaultCap{1, 1, 3, 2};
  std::array<std::uint32_t, 4> timeToLiveUs{2000000, 2000000, 300000, 300000};  // CAP 0..3
  bool vlanTags = true;
  bool tosBits = true;
  std::array<std::uint8_t, 8> vlanCap{1, 0, 0, 1, 2, 2, 3, 3};  // by priority 0..7
  std::array<std::uint8_t, 8> tosCap{1, 0, 0, 1, 2, 2, 3, 3};

  bool operator==(const QosSettings&) const = default;
};

// The CAP a stored default-CAP byte selects: 0 to 3 as they are; any other
// value by the first digit of its decimal text: "1" CAP 1, "2" CAP 2, else CAP 3.
std::uint8_t capOfStoredValue(std::uint8_t value);
// Four CAPs in one byte, the first in the lowest two bits.
std::uint8_t packCaps(const std::uint8_t* caps);

// Loads the fields from a block in their order (default CAPs, times to live,
// the two switches, the four priority bytes); the first field past the end
// of the bytes ends the loading and the later fields keep their values.
// True when every field was loaded.
bool loadQosSettings(ByteView block, QosSettings& settings);

// A time to live as the page shows it: milliseconds, rounded down.
std::string timeToLiveText(std::uint32_t microseconds);
// A time to live typed in milliseconds: 1 to 7 decimal digits, 10 to 65000;
// stored in microseconds. False for anything else.
bool timeToLiveFromText(std::string_view text, std::uint32_t& microseconds);

// One change of the patch: bytes at an offset of the block.
struct PibField {
  std::size_t offset;
  Bytes bytes;
};
// The fields the QoS patch writes, in its order: 524 to 527, 528 to 540 (4
// bytes each, little-endian), 544, 545, 548 to 551, and 8021 set to 1.
std::vector<PibField> qosPatchFields(const QosSettings& settings);
// The kind-1 patch that writes those fields with modifyPibFile, one after
// the other; a failure stops it after kQosModifyFailed.
PibPatch qosPatch(const QosSettings& settings);

// Reads the device's block into `pibPath` and loads the settings from it.
// On failure the settings are left as they were, after kSettingsReadFailed.
bool readQosSettings(const ToolEnvironment& env, const std::string& pibPath, QosSettings& settings);
// Patches the block file at `pibPath` (the device's block as just read)
// with the settings and writes it back: committed, restarted, and back up
// (see awaitDeviceRestart). 1 on success, 0 after its message.
int writeQosSettings(const ToolEnvironment& env, const std::string& pibPath,
                     const QosSettings& settings);

inline const Notice kQosTimeToLiveRange{"The number is between 10 and 65000!", "Attention",
                                        MessageIcon::Exclamation};
inline const Notice kQosModifyFailed{"Make sure the device is connected,Failed to modify user.pib",
                                     "Attention", MessageIcon::Exclamation};

}  // namespace strandline
