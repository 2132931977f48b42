// The engine-side halves of the Enter Password and Add Device dialogs and of
// the Privacy page's commands: the checks in the order the user meets them,
// the messages, and the flows they hand over to. Each runs on the engine
// thread; the dialog only learns whether it stays open or closes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/main_page_model.h"
#include "core/program_context.h"

namespace strandline::app {

inline constexpr const char* kSelectDeviceText = "Please select a device first by clicking on it.";
inline constexpr const char* kPasswordPlaceholder = "PASS-WORD-GOES-HERE";
inline constexpr const char* kEnterPasswordText = "Please enter a Password.";
inline constexpr const char* kAlreadyAddedText = "Device is already added in the network";
inline constexpr const char* kPasswordHelpText =
    "The Password typically appears as a number and letter code, in groups of four, separated "
    "by dashes.\n\n(ie QM3T-VW75-KD9P-HRJA)\nIt is found on the device or packaging.";
inline constexpr const char* kSetAllQuestionText =
    "Setting the network name on the devices whose password has been entered\nThis may take few "
    "seconds....Click on 'Ok' button.";
inline constexpr const char* kSetAllQuestionCaption = "Network Name Setting ";
inline constexpr std::size_t kDeviceNameLimit = 32;  // names this long or longer are refused

// What a dialog does after its OK was handled.
enum class DialogOutcome {
  StayOpen,  // a check failed: the fields stay as typed
  Close,     // the flow ran (or was refused) and the dialog closes
  Added,     // the device was added: the dialog waits for it to show up
};

// The picture of the local adapter shown in both password dialogs.
std::string devicePicture(bool adapterPresent, std::uint32_t kind);

// The stored password as the Enter Password box shows it: without the
// "CHECK " or "Not " status marker.
std::string passwordForEditing(const std::string& stored);

// Enter Password's OK on the known device with this MAC text.
DialogOutcome enterPasswordOk(ProgramContext& ctx, const std::string& macText,
                              const std::string& typed);

// Add Device's OK. `listedPasswords` are the Password cells of the remote
// list as the user saw them. `resumePause` puts the dialog's scan pause back
// (before the flow, which pauses scanning itself while it runs).
DialogOutcome addDeviceOk(ProgramContext& ctx, MainPageState& state, const std::string& name,
                          const std::string& password,
                          const std::vector<std::string>& listedPasswords,
                          const std::function<void(int)>& notify,
                          const std::function<void()>& resumePause);

// The Privacy page's "Set Local Device Only" (all false) and "Set All
// Devices" (all true). False when the name was refused or the question
// cancelled.
bool placeOnNetwork(ProgramContext& ctx, MainPageState& state, const std::string& name, bool all,
                    const std::function<void(int)>& notify);

}  // namespace strandline::app
