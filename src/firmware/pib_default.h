// The default version 4.4 parameter block: every section cleared, then the
// identity, QoS and hardware defaults written. The result passes every content
// rule, with or without the hardware block marker set.
#pragma once

#include <cstdint>
#include <span>

#include "base/mac_address.h"

namespace strandline {

inline constexpr const char* kDefaultManufacturerHfid = "Strandline HomePlug AV Device";
inline constexpr const char* kDefaultUserHfid = "Strandline Enabled Product";
inline constexpr const char* kDefaultNetworkHfid = "Strandline Enabled Network";
// The default keys are those of the HomePlug AV default password "HomePlugAV".
inline constexpr const char* kDefaultDevicePassword = "HomePlugAV";

// Writes the default image into the first 15560 bytes of `image` (checksum
// field left 0); false when the buffer is shorter.
bool writeDefaultPib(std::span<std::uint8_t> image);

}  // namespace strandline
