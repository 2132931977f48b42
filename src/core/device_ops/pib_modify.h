// Parameter block write-back: read the local device's block into a file,
// patch the file field by field, write it back, commit it and restart the
// device. The window's settings and the end of a firmware upgrade run these
// through the device worker; the command line calls them directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>

#include "base/mac_address.h"
#include "core/device_ops/tool_session.h"
#include "platform/clock.h"
#include "platform/frame_link.h"
#include "platform/prompter.h"

namespace strandline {

// The block files, kept in the data folder.
enum class PibFile { User, UserLed, Default };
const char* pibFileName(PibFile file);  // "user.pib", "userled.pib", "default.pib"
std::string pibFilePath(const std::string& dataFolder, PibFile file);

// Setting patches, by kind: 1 quality of service, 2 LEDs off, 3 (and any
// other kind) LEDs on. A patch changes the file with modifyPibFile and shows
// its own message when it fails.
inline constexpr int kPatchQos = 1;
inline constexpr int kPatchLedsOff = 2;
inline constexpr int kPatchLedsOn = 3;
using PibPatch = std::function<bool(const std::string& path, Prompter& prompter)>;

class PibPatchRegistry {
 public:
  void set(int kind, PibPatch patch) { patches_[kind] = std::move(patch); }
  // The patch of 1 or 2, or of 3 for any other kind; null when none is set.
  const PibPatch* find(int kind) const;

 private:
  std::map<int, PibPatch> patches_;
};

// What a run of device operations needs from the program around it.
struct ToolEnvironment {
  FrameLink& link;
  Clock& clock;
  Prompter& prompter;
  // The current card's own address (cardMac of its network record): the tool
  // channel opens on the card that has it.
  MacAddress cardMac{};
  const PibPatchRegistry* patches = nullptr;
  std::ostream* report = nullptr;  // the report lines; null: standard error
  std::ostream& reportStream() const;
  std::uint32_t channelFlags = 0;  // bit 0: hex dump of every frame
  std::FILE* dumpStream = stdout;
};

// Opens the session's tool channel for etherType (0x88E1 unless asked) on the card whose address is
// cardMac. 0, or -1 after its message ("No device detected,error channel id"
// only when not quiet). An address of all zeros matches no card.
int openToolChannelOnCurrentCard(ToolSession& session, FrameLink& link, const MacAddress& cardMac,
                                 Prompter& prompter, bool quiet,
                                 std::uint16_t etherType = kEtherTypeHomePlugAv);

// Runs one operation on a session of the environment whose tool channel is
// open on the current card (see above), and closes the channel afterwards.
// The operation's result, or -1 when the channel could not be opened.
int runToolOperation(const ToolEnvironment& env, bool quiet,
                     const std::function<int(ToolSession&)>& operation);

enum class PibAction {
  PatchAndWrite = 0,        // patch `path` by kind, write, commit, restart
  Read = 1,                 // save the device's block into `path`
  FactoryResetAndRead = 2,  // factory defaults, 10 s, save the block into `path`
};

// 1 on success, 0 on failure (after its message, except the silent cases: no
// matching card for reads, a failed read into "userled.pib").
int pibModify(const ToolEnvironment& env, PibAction action, int kind, const std::string& path);

// The write-back of a block file on an open session: check, write, commit and
// restart, reset; "Restart device successfully" only when announceRestart.
// 1 on success, 0 after its message.
int writeBackParameterFile(ToolSession& session, Prompter& prompter, const std::string& path,
                           bool announceRestart);

// Action 2 on an open session: factory defaults (their result is not
// examined; session.confirmed tells whether the device confirmed them), the
// 10-second pause, then the block into `path` (beforeSave, when given, is
// called just before it is read). 1 when the block was saved, 0 after its
// message.
int factoryResetAndSave(ToolSession& session, Prompter& prompter, const std::string& path,
                        const std::function<void()>& beforeSave = {});

// Texts of the write-back.
inline const Notice kPibNoAdapters{"Not found valid network adapters", "Attention",
                                   MessageIcon::Exclamation};
inline const Notice kPibNoChannel{"No device detected,error channel id", "Attention",
                                  MessageIcon::Exclamation};
inline const Notice kPibOpenLocalFile{"Failed to open local file", "Attention",
                                      MessageIcon::Exclamation};
inline const Notice kPibReadUserPib{"Failed to read user.pib", "Attention",
                                    MessageIcon::Exclamation};
inline const Notice kPibOpenDefaultFile{"Failed to open default file", "Attention",
                                        MessageIcon::Exclamation};
inline const Notice kPibReadDefaultPib{"Failed to read default.pib", "Attention",
                                       MessageIcon::Exclamation};
inline const Notice kPibNoPatch{"Failed to modify user.pib", "Attention", MessageIcon::Exclamation};
inline const Notice kPibOpenLocalFail{"Failed to open local fail", "Attenion",
                                      MessageIcon::Exclamation};
inline const Notice kPibWrongLocalPib{"Wrong local pib", "Attenion", MessageIcon::Exclamation};
inline const Notice kPibWriteFailed{
    "Make sure the device is connected,Failed to write user.pib to PLC", "Attenion",
    MessageIcon::Exclamation};
inline const Notice kPibFlashFailed{"Failed to flash device", "Attenion", MessageIcon::Exclamation};
inline const Notice kPibCommitted{"Commit successfully", "Commit", MessageIcon::None};
inline const Notice kPibRestartFailed{"Failed to restart device", "Restart",
                                      MessageIcon::Exclamation};
inline const Notice kPibRestarted{"Restart device successfully", "Restart", MessageIcon::None};

}  // namespace strandline
