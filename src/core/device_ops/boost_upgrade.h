// The firmware upgrade of a Boost HomePlug 1.0 adapter attached to this
// computer: the adapter is sent to its secondary loader, the image file and
// the configuration file's sections are written module by module, committed,
// checked against the checksums the adapter reads back, and the adapter is
// reset. Runs on the device worker (or the command line's thread) with a tool
// channel of its own for HomePlug 1.0 frames on the current card.
#pragma once

#include <cstdint>
#include <string>

#include "base/mac_address.h"
#include "core/device_ops/pib_modify.h"
#include "core/device_ops/upgrade_progress.h"

namespace strandline {

struct BoostUpgradeRequest {
  MacAddress adapterMac{};  // the local adapter as detection found it
  std::string imagePath;
  std::string configPath;  // empty: none
};

struct BoostUpgradeOutcome {
  bool upgraded = false;  // every step acknowledged with status 0 and the reset sent
  bool cancelled = false;
  bool sentFrames = false;
  // The adapter answered only at the loader's fallback address, which every
  // later frame then went to (the next detection finds its own address again).
  bool usedFallback = false;
  std::uint32_t writtenFlags = 0;
  std::string versionAfter;  // the version string the adapter reported after its restart
};

BoostUpgradeOutcome upgradeHp10Firmware(const ToolEnvironment& env,
                                        const BoostUpgradeRequest& request,
                                        const UpgradeControl& control);

inline const Notice kBoostNoFile{"No File is selected", "Error", MessageIcon::Error};
inline const Notice kBoostNoImage{"No Image File is selected", "Error", MessageIcon::Error};
inline const Notice kBoostLoaderFailed{"Reset Device to Secondary Loader Failed", "Error",
                                       MessageIcon::Error};
inline const Notice kBoostImageSendFailed{"MAC Image Sending Failed", "Error", MessageIcon::Error};
inline const Notice kBoostCommitFailed{"Commit Module Failed", "Error", MessageIcon::Error};
inline const Notice kBoostVerifyFailed{"Verify Module Failed", "Error", MessageIcon::Error};
inline const Notice kBoostSuccess{"Firmware Update Successful", "Success",
                                  MessageIcon::Information};
inline const Notice kBoostResetFailed{"Hardware Reset Failed", "Error", MessageIcon::Error};
inline const Notice kBoostOpenImage{"Can not open Image file", "Error", MessageIcon::Error};
inline const Notice kBoostOpenConfig{"Can not open Config file", "Error", MessageIcon::Error};
inline const Notice kBoostNoResponse{"Packet sent but no response", "Error", MessageIcon::Error};
inline const Notice kBoostSendFailure{"Packet Sending Failure", "Error", MessageIcon::Error};
inline const Notice kBoostImageMismatch{"Mac Image Verification Failed", "Error",
                                        MessageIcon::Error};
inline const Notice kBoostIdentityMismatch{"Identy Section Verification Failed", "Error",
                                           MessageIcon::Error};
inline const Notice kBoostOptionMismatch{"Option section Verification Failed", "Error",
                                         MessageIcon::Error};
inline const Notice kBoostParameterMismatch{"Param Module Verification Failed", "Error",
                                            MessageIcon::Error};
// The confirmation before the upgrade starts (OK and Cancel).
inline const Notice kBoostUpgradeConfirm{
    "Local Device is HomePlug 1.0 Device\nMake sure you have selected correct files to upgrade "
    "firmware",
    "Local Device Type", MessageIcon::Information};

}  // namespace strandline
