#include "core/security/network_name.h"

#include <algorithm>
#include <sstream>

#include "base/keys.h"
#include "core/discovery/boost_adapter.h"
#include "core/program_context.h"
#include "core/security/key_setting.h"
#include "core/security/password_rules.h"

namespace strandline {

namespace {

constexpr std::uint32_t kSettleMs = 1000;
constexpr std::uint32_t kAvExtraSettleMs = 2000;
constexpr std::uint32_t kSaveSettleMs = 2000;

void save(ProgramContext& ctx) {
  if (ctx.hooks.saveDatabase) ctx.hooks.saveDatabase();
}

void rescan(ProgramContext& ctx) {
  if (ctx.hooks.rescanNetwork) ctx.hooks.rescanNetwork();
}

Key16 nameKey(const ProgramContext& ctx, const std::string& name) {
  if (ctx.avMode) return deriveNetworkKey(name);
  Key16 key{};
  std::copy_n(deriveHp10Key(name).begin(), 8, key.begin());
  return key;
}

}  // namespace

std::string passwordWithoutStatus(const std::string& stored) {
  for (const char* prefix : {"CHECK ", "Not "}) {
    std::string p(prefix);
    if (stored.compare(0, p.size(), p) == 0) return stored.substr(p.size());
  }
  return stored;
}

bool checkTypedNetworkName(ProgramContext& ctx, const std::string& name) {
  std::ostringstream diagnostics;
  if (!checkNetworkName(ctx.prompter, name)) return false;
  if (!checkNetworkPassword(name, diagnostics)) {
    ctx.prompter.messageBox(kInvalidNetworkNameText, kInvalidEntryCaption, MessageIcon::Error,
                            MessageButtons::Ok);
    return false;
  }
  return true;
}

bool setNetworkNameLocal(ProgramContext& ctx, const std::string& name) {
  ScanPause pause(ctx);
  ctx.prompter.waitCursor(true);
  const Key16 key = nameKey(ctx, name);
  int result = setLocalNEK(ctx, nullptr, key);
  if (result) {
    keepLocalNetworkName(ctx, name, key);
    ctx.keyFlow.suppressNotDetected = true;
    save(ctx);
    ctx.clock.sleepMs(kSettleMs);
    if (ctx.avMode) ctx.clock.sleepMs(kAvExtraSettleMs);
    rescan(ctx);
    ctx.prompter.messageBox("Local network set to '" + name + "'", kInformationCaption,
                            MessageIcon::Information, MessageButtons::Ok);
  } else {
    ctx.prompter.messageBox(kCommandFailedText, kProblemCaption, MessageIcon::Error,
                            MessageButtons::Ok);
  }
  ctx.prompter.waitCursor(false);
  return result != 0;
}

bool setNetworkNameAll(ProgramContext& ctx, const std::string& name) {
  ScanPause pause(ctx);
  bool last = false;
  std::ostringstream diagnostics;
  if (!checkNetworkPassword(name, diagnostics)) {
    ctx.prompter.messageBox(kInvalidNetworkNameText, kInvalidEntryCaption, MessageIcon::Error,
                            MessageButtons::Ok);
  } else {
    const std::size_t entries = ctx.known.count();
    const MacAddress local = ctx.currentAdapter().mac;
    const Key16 key = nameKey(ctx, name);
    std::size_t done = 0, localEntries = 0;
    for (std::size_t i = 0; i < entries; ++i) {
      KeyTarget target;
      target.mac = ctx.known.devices[i].mac;
      target.password = passwordWithoutStatus(ctx.known.devices[i].password.str());
      if (target.mac == local) {
        ++localEntries;
        continue;
      }
      if (target.password.empty()) continue;
      last = setNetworkKeyOnDevice(ctx, target, name, false);
      if (!last) continue;
      KnownDevice& device = ctx.known.devices[i];
      device.networkName.set(name);
      std::copy_n(key.begin(), ctx.keyWidth(), device.networkKey.begin());
      ++done;
    }
    // The local adapter follows only once every remote device has the key;
    // its entry counts as done when it took the key.
    if (applyLocalNetworkKey(ctx, name)) done += localEntries;
    if (done == entries)
      ctx.prompter.messageBox(kAllDevicesAddedText, kInformationCaption, MessageIcon::Information,
                              MessageButtons::Ok);
    else if (done >= 1)
      ctx.prompter.messageBox(kSomeDevicesFailedText, kAttentionCaption, MessageIcon::Exclamation,
                              MessageButtons::Ok);
  }
  ctx.clock.sleepMs(kSaveSettleMs);
  save(ctx);
  ctx.clock.sleepMs(kSaveSettleMs);
  rescan(ctx);
  return last;
}

}  // namespace strandline
