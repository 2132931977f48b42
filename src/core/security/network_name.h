// The network-name actions: a name on the local adapter only, or on every
// device whose password is known and then on the local adapter.
#pragma once

#include <string>

namespace strandline {

struct ProgramContext;

inline constexpr const char* kInformationCaption = "Information";
inline constexpr const char* kAttentionCaption = "Attention!";
inline constexpr const char* kAllDevicesAddedText =
    "All Devices are successfully added to the network.";
inline constexpr const char* kSomeDevicesFailedText =
    "Some Devices could not be added to your network.";
inline constexpr const char* kCommandFailedText = "Unable to complete the command.";
inline constexpr const char* kProblemCaption = "Problem Occurred";

// What the privacy page does with a typed name before either action: checks
// it, showing the invalid-name box when refused. False when refused. Nothing
// is stored here: the actions keep the name once the local adapter took its key.
bool checkTypedNetworkName(ProgramContext& ctx, const std::string& name);

// "Local network set to '<name>'" on success.
bool setNetworkNameLocal(ProgramContext& ctx, const std::string& name);
// The result of the last device attempt.
bool setNetworkNameAll(ProgramContext& ctx, const std::string& name);

// A stored device password without the "CHECK " or "Not " status prefix.
std::string passwordWithoutStatus(const std::string& stored);

}  // namespace strandline
