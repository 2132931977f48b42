// The decision taken when the user asks for a firmware upgrade: a Boost
// HomePlug 1.0 adapter gets the HomePlug 1.0 upgrade; a HomePlug AV adapter
// the AV upgrade, once its firmware type is known (asked of the adapter,
// except for the TSC4000 family); anything else is told there is none.
// Runs where the program context lives (the engine thread).
#pragma once

#include <cstdint>

#include "base/mac_address.h"
#include "platform/prompter.h"

namespace strandline {

struct ProgramContext;

enum class UpgradeKind { None, HomePlug10, HomePlugAv };

struct UpgradeDecision {
  UpgradeKind kind = UpgradeKind::None;
  MacAddress adapterMac{};    // the current local adapter
  std::uint32_t options = 0;  // the AV update options
};

// Shows its message when the answer is None.
UpgradeDecision checkUpgradeCapability(ProgramContext& ctx);

inline const Notice kUpgradeNoFirmwareType{"Can not retrieve firmware type of local device",
                                           "Information", MessageIcon::Information};
inline const Notice kUpgradeNotCapable{
    "Application does not have firmware upgrade capabilty for this type of devices", "Stop",
    MessageIcon::Information};

}  // namespace strandline
