// The firmware upgrade of the local HomePlug AV adapter: the firmware file
// (".NVM") and the parameter file (".PIB") are checked, the adapter's MAC
// address is carried into the parameter block, and the update transfer of the
// AV library writes both and starts or commits them. Afterwards the adapter's
// factory defaults are restored and the block it then holds is saved.
//
// Runs on the device worker (or the command line's own thread) with a tool
// channel of its own on the current card; it never runs on the window's thread.
#pragma once

#include <cstdint>
#include <string>

#include "base/mac_address.h"
#include "core/device_ops/pib_modify.h"
#include "core/device_ops/upgrade_progress.h"

namespace strandline {

// Update options by chip family and configuration-block flag: 35 / 34 for
// "TSC1000" and "VNC-400", 19 / 0 for any other family. 0 selects the
// memory-write form; bit 0 ends the update with a commit instead of a start.
std::uint32_t avUpdateOptions(const std::string& chipName, bool configBlockOk);

struct AvUpgradeRequest {
  MacAddress deviceMac{};  // the local adapter
  std::uint32_t options = 0;
  std::string pibPath;
  std::string nvmPath;
  std::string defaultPibPath;  // where the block after the factory reset is saved
};

struct AvUpgradeOutcome {
  bool upgraded = false;    // the final start or commit was confirmed with status 0
  bool cancelled = false;   // stopped at a request boundary on request
  bool sentFrames = false;  // at least one request of the transfer went out
  bool defaultSaved = false;
  std::string versionAfter;  // the version the device reported at the end, if it answered
};

// The upgrade procedure alone (checks, transfer): its failures are message
// boxes on env.prompter ("Error", stop icon). Nothing is sent from a file that
// fails its checks.
AvUpgradeOutcome runAvUpgradeProcedure(const ToolEnvironment& env, const AvUpgradeRequest& request,
                                       const UpgradeControl& control);

// The whole upgrade: the procedure, the success box and the wait for the
// restart, then the factory reset and the save of the block (also after a
// failure or a cancel, as long as the device answers), and the version query.
AvUpgradeOutcome runAvUpgrade(const ToolEnvironment& env, const AvUpgradeRequest& request,
                              const UpgradeControl& control);

inline const Notice kAvUpgradeOpenFirmware{"Unable to open firmware file", "Error",
                                           MessageIcon::Error};
inline const Notice kAvUpgradeWrongHeader{"Wrong NVM Block Header", "Error", MessageIcon::Error};
inline const Notice kAvUpgradeOpenPib{"Error in PIB file opening...", "Error", MessageIcon::Error};
inline const Notice kAvUpgradePibOperation{"Error in PIB file Operation", "Error",
                                           MessageIcon::Error};
inline const Notice kAvUpgradeAborted{"Upgrade failed. Operation aborted", "Error",
                                      MessageIcon::Error};
inline const Notice kAvUpgradeAbortedInTransfer{"Upgrade failed. Operation aborted.", "Error",
                                                MessageIcon::Error};
inline const Notice kAvUpgradeSuccess{
    " Device Upgraded\n Device will now reboot, do not remove power. ", "Success",
    MessageIcon::Information};
// The confirmation before the upgrade starts (OK and Cancel).
inline const Notice kAvUpgradeConfirm{
    "Local Device is HomePlug AV Device\nMake sure you have selected correct files to upgrade "
    "firmware",
    "Local Device Type", MessageIcon::Information};
// Asked before a running upgrade is cancelled (OK and Cancel).
inline const Notice kUpgradeCancelWarning{
    "Cancelling Upgrade process may destroy the device. Click Ok to continue.", "Warning....",
    MessageIcon::Information};

inline constexpr std::uint32_t kUpgradeRestartPauseMs = 5000;

}  // namespace strandline
