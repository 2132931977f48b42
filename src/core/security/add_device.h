// Adding a device to the user's network by its printed password, and checking
// the password of a known device.
//
// On an AV adapter the device is first met on a short-lived random network:
// the local adapter and the device (through its DAK) take a random key; once
// the local adapter sees exactly one station it returns to its own network
// and the device is given the real key. On HomePlug 1.0 adapters the same two
// steps run without watching the station list, and the password is retried in
// up to three variants (as typed, upper case, upper case with dashes).
#pragma once

#include <optional>
#include <string>

#include "base/mac_address.h"
#include "core/security/key_setting.h"

namespace strandline {

struct ProgramContext;

inline constexpr const char* kDeviceAddedText = "Device was added to your network.";
inline constexpr const char* kPasswordVerifiedText = "Password Verified as correct.";
inline constexpr const char* kDeviceNotDetectedText =
    "A Device With The Entered Password Was Not Detected. \nPlease Check The Password and Check "
    "Your Device Connection.";
inline constexpr const char* kReadNmkFailedText = "Error reading NMK from the local device";
inline constexpr const char* kRemoteNmkFailedText = "Unable to set the NMK of remote device!!!";
inline constexpr const char* kLocalNmkTimeoutText =
    "Timed out waiting for local adapter to change its NMK.";
inline constexpr const char* kAddErrorText = "Error occured while adding the device";
inline constexpr const char* kAddUnknownProblemText =
    "Some unknown problem occured while adding the device. Try adding again!";

inline constexpr const char* kAddFirmwareTooOldText =
    "Please upgrade the Device's FirmWare to 1.8 and then try to add the device.\nThe present "
    "device has older FirmWare version.";
inline constexpr const char* kVerifyFirmwareTooOldText =
    "Please upgrade the Device's FirmWare to 1.8 and then try to Enter Password.\nThe present "
    "device has older FirmWare version.";
inline constexpr const char* kAnotherNameText = "Please enter another name.";
inline constexpr const char* kNameTooLongText = "Device Name should be less than 31 characters";

// enterDevicePassword: refused before anything was sent or stored, because
// the Boost adapter's firmware is too old.
inline constexpr int kRefusedFirmwareTooOld = -2;

// Random networks tried before an add where several devices keep answering
// under the same password is given up.
inline constexpr int kMaxRandomNetworks = 5;

// Shows the progress text of `step` in the open dialog (Add Device or Enter
// Password); nothing when neither is open.
void showProgress(ProgramContext& ctx, int step);
// Enter Password only: back to its first text, or one text further.
void resetEnterPasswordProgress(ProgramContext& ctx);
void advanceEnterPasswordProgress(ProgramContext& ctx);

// True when the device took the network key. `password` may be rewritten
// with the variant that worked (HomePlug 1.0). Without mac every key frame is
// broadcast and the answering device's address is taken up.
bool addDevice(ProgramContext& ctx, const std::optional<std::string>& name, std::string& password,
               const MacAddress* mac);

// 1 verified, 0 refused, -1 no usable network card.
int verifyDevicePassword(ProgramContext& ctx, KeyTarget& target);

// The Add Device action: refuses while the Boost adapter's firmware is too
// old (clearing the flag), checks the name (when given) and the password,
// raises adding-in-progress and runs addDevice. On success the new device's known-device entry gets
// the name and password (created when missing). False on failure.
bool addDeviceByPassword(ProgramContext& ctx, const std::string& name, const std::string& password);

// The Enter Password action on the known device at `position` (1-based):
// verifies the typed text and stores it in the entry, preceded by "CHECK "
// (no usable card) or "Not " (refused), or the variant that worked. The
// verification result, or kRefusedFirmwareTooOld.
int enterDevicePassword(ProgramContext& ctx, int position, const std::string& typed);

}  // namespace strandline
