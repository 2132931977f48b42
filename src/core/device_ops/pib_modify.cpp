#include "core/device_ops/pib_modify.h"

#include <iostream>
#include <vector>

#include "core/card_table.h"
#include "core/device_ops/device_operations.h"
#include "core/device_ops/tool_report.h"
#include "platform/file_ops.h"
#include "protocol/device_tool_frames.h"

namespace strandline {

namespace {

constexpr std::uint32_t kFactoryResetSettleMs = 10000;
// One byte longer than any length field: such a file fails the check.
constexpr std::size_t kMaxBlockFile = 0x10000;

void configure(ToolSession& session, const ToolEnvironment& env) {
  session.channel.flags = env.channelFlags;
  session.channel.dumpStream = env.dumpStream;
}

}  // namespace

const char* pibFileName(PibFile file) {
  switch (file) {
    case PibFile::User:
      return "user.pib";
    case PibFile::UserLed:
      return "userled.pib";
    case PibFile::Default:
      return "default.pib";
  }
  return "user.pib";
}

std::string pibFilePath(const std::string& dataFolder, PibFile file) {
  return dataFolder + "/" + pibFileName(file);
}

const PibPatch* PibPatchRegistry::find(int kind) const {
  if (kind != kPatchQos && kind != kPatchLedsOff) kind = kPatchLedsOn;
  auto it = patches_.find(kind);
  return it == patches_.end() || !it->second ? nullptr : &it->second;
}

std::ostream& ToolEnvironment::reportStream() const {
  return report ? *report : std::cerr;
}

int openToolChannelOnCurrentCard(ToolSession& session, FrameLink& link, const MacAddress& cardMac,
                                 Prompter& prompter, bool quiet, std::uint16_t etherType) {
  std::vector<CardInfo> cards;
  std::string error;
  if (!link.listCards(cards, error)) {
    prompter.show(kPibNoAdapters);
    return -1;
  }
  int index = 0;
  for (std::size_t i = 0; i < cards.size() && index == 0 && macIsSet(cardMac.data()); ++i) {
    MacAddress mac = cards[i].mac;
    if (!macIsSet(mac.data())) queryCardAddress(cards[i].name, mac);
    if (mac == cardMac) index = static_cast<int>(i) + 1;
  }
  if (index == 0) {
    if (!quiet) prompter.show(kPibNoChannel);
    return -1;
  }
  session.channel.link = &link;
  session.channel.ifIndex = index;
  Status opened = openToolChannel(session.channel, etherType);
  if (!opened.ok()) {
    session.error(0, opened.message);
    return -1;
  }
  return 0;
}

int runToolOperation(const ToolEnvironment& env, bool quiet,
                     const std::function<int(ToolSession&)>& operation) {
  ToolSession session(env.clock, env.reportStream());
  configure(session, env);
  if (openToolChannelOnCurrentCard(session, env.link, env.cardMac, env.prompter, quiet) != 0)
    return -1;
  int result = operation(session);
  closeToolChannel(session.channel);
  return result;
}

int writeBackParameterFile(ToolSession& session, Prompter& prompter, const std::string& path,
                           bool announceRestart) {
  ReadFileResult file = readWholeFile(systemFileOps(), path, kMaxBlockFile);
  if (file.status != ReadFileResult::Status::Ok) {
    prompter.show(kPibOpenLocalFail);
    return 0;
  }
  // The bytes checked are the bytes sent: the file is not read again.
  if (checkParameterImage(session, file.data, path) != 0) {
    prompter.show(kPibWrongLocalPib);
    return 0;
  }
  session.module = kToolModuleParameters;
  if (writeModule(session, kToolModuleParameters, file.data, path) != 0) {
    prompter.show(kPibWriteFailed);
    return 0;
  }
  if (commitAndRestart(session) != 0) {
    prompter.show(kPibFlashFailed);
    return 0;
  }
  prompter.show(kPibCommitted);
  if (resetDevice(session) != 0) {
    prompter.show(kPibRestartFailed);
    return 0;
  }
  if (announceRestart) prompter.show(kPibRestarted);
  return 1;
}

int factoryResetAndSave(ToolSession& session, Prompter& prompter, const std::string& path,
                        const std::function<void()>& beforeSave) {
  restoreFactoryDefaults(session);  // what the device then holds is saved either way
  session.clock.sleepMs(kFactoryResetSettleMs);
  if (beforeSave) beforeSave();
  int read = readParameters(session, path);
  if (read == 1) prompter.show(kPibOpenDefaultFile);
  if (read != 0 && read != 1) prompter.show(kPibReadDefaultPib);
  return read == 0 ? 1 : 0;
}

int pibModify(const ToolEnvironment& env, PibAction action, int kind, const std::string& path) {
  ToolSession session(env.clock, env.reportStream());
  configure(session, env);
  bool quiet = action != PibAction::PatchAndWrite;
  if (openToolChannelOnCurrentCard(session, env.link, env.cardMac, env.prompter, quiet) != 0)
    return 0;

  switch (action) {
    case PibAction::Read: {
      int read = readParameters(session, path);
      if (read == 1) {
        env.prompter.show(kPibOpenLocalFile);
        return 0;
      }
      if (read != 0) {
        // The LED state reader fails silently.
        if (baseName(path) != pibFileName(PibFile::UserLed)) env.prompter.show(kPibReadUserPib);
        return 0;
      }
      return 1;
    }
    case PibAction::FactoryResetAndRead:
      return factoryResetAndSave(session, env.prompter, path);
    case PibAction::PatchAndWrite: {
      const PibPatch* patch = env.patches ? env.patches->find(kind) : nullptr;
      if (!patch) {
        env.prompter.show(kPibNoPatch);
        return 0;
      }
      if (!(*patch)(path, env.prompter)) return 0;
      return writeBackParameterFile(session, env.prompter, path, kind != kPatchLedsOff);
    }
  }
  return 0;
}

}  // namespace strandline
