#include "core/security/add_device.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "base/keys.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "core/security/network_name.h"
#include "core/security/password_rules.h"
#include "protocol/av_messages.h"

namespace strandline {

namespace {

constexpr const char* kAddDeviceTexts[] = {
    "Please wait, this operation will take approximately 30 seconds to complete..",
    "Devices will reboot while this operation...", "Trying to add device to the Network...",
    "Proceeding...", "Completing..."};
constexpr const char* kEnterPasswordTexts[] = {"Please be patient, this may take some time.",
                                               "Working...", "Proceeding..", "Completing..."};
constexpr const char* kErrorCaption = "Error!";
constexpr const char* kErrorCaption2 = "Error!!";
constexpr const char* kErrorCaption3 = "Error!!!";

constexpr int kRemoteKeyAttempts = 6;
constexpr std::uint32_t kRemoteKeyPauseMs = 1000;
constexpr int kLocalNmkReads = 201;
constexpr std::uint32_t kLocalNmkPauseMs = 100;
constexpr int kWatchPasses = 501;
constexpr std::uint32_t kWatchPauseMs = 100;

void showBox(ProgramContext& ctx, const std::string& text, const char* caption, MessageIcon icon) {
  ctx.prompter.messageBox(text, caption, icon, MessageButtons::Ok);
}

// Failure of an add: the device being added leaves the station table's view
// and the adding state is dropped.
void dropDeviceBeingAdded(ProgramContext& ctx) {
  if (StationRecord* station = findStation(ctx, ctx.keyFlow.deviceBeingAdded)) station->valid = 0;
  ctx.keyFlow.addingInProgress = false;
  ctx.keyFlow.deviceBeingAdded = {};
}

void showAddFailure(ProgramContext& ctx, bool broadcast) {
  showBox(ctx, broadcast ? kDeviceNotDetectedText : kInvalidDevicePasswordText, kAttentionCaption,
          MessageIcon::Exclamation);
}

void keepPending(ProgramContext& ctx, const std::optional<std::string>& name,
                 const std::string& password) {
  if (name) ctx.keyFlow.pendingName = *name;
  ctx.keyFlow.pendingPassword = password;
}

// The password as typed, then upper case, then upper case with dashes; each
// only when it differs from those before.
std::vector<std::string> passwordVariants(const std::string& typed) {
  std::vector<std::string> variants{typed};
  std::string upper = upperPassword(typed);
  for (const std::string& v : {upper, dashPassword(upper)})
    if (std::find(variants.begin(), variants.end(), v) == variants.end()) variants.push_back(v);
  return variants;
}

bool addHp10(ProgramContext& ctx, const std::optional<std::string>& name, std::string& password,
             const MacAddress* mac) {
  const bool broadcast = mac == nullptr;
  KeyTarget target;
  bool ok = false;
  std::vector<std::string> variants = passwordVariants(password);
  for (std::size_t i = 0; i < variants.size(); ++i) {
    if (i > 0) advanceEnterPasswordProgress(ctx);
    target.password = variants[i];
    target.mac = mac ? *mac : kBroadcastMac;
    if (!setNetworkKeyOnDevice(ctx, target, std::nullopt, broadcast)) continue;
    ok = setNetworkKeyOnDevice(ctx, target, ctx.currentNetwork().networkName.str(), false);
    if (ok) keepPending(ctx, name, target.password);
    break;
  }
  advanceEnterPasswordProgress(ctx);
  applyLocalNetworkKey(ctx);
  if (ok) {
    password = target.password;
    showBox(ctx, broadcast ? kDeviceAddedText : kPasswordVerifiedText, kInformationCaption,
            MessageIcon::Information);
    return true;
  }
  showAddFailure(ctx, broadcast);
  dropDeviceBeingAdded(ctx);
  return false;
}

void sendNetworkInfoRequest(ProgramContext& ctx, bool versionOne) {
  std::array<std::uint8_t, 1528> frame{};
  std::size_t n = thpapiEncodeNetworkInfoRequest(ctx.thpapi, ctx.currentCardMac(),
                                                 ctx.currentAdapter().mac, frame, versionOne);
  if (n) sendFrame(ctx.cards, ctx.cards.currentCard, frame.data(), static_cast<std::uint16_t>(n));
}

// Watches the random network until its answers report a station: the
// distinct stations reported (none when the passes ran out).
std::vector<MacAddress> watchRandomNetwork(ProgramContext& ctx) {
  const bool versionOne = ctx.tsc4000Local >= 4;
  const MacAddress local = ctx.currentAdapter().mac;
  std::vector<MacAddress> stations;
  for (int pass = 0; pass < kWatchPasses && stations.empty(); ++pass) {
    for (int request = 0; request < 2; ++request) {
      sendNetworkInfoRequest(ctx, versionOne);
      ThpapiResult result;
      Bytes frame;
      if (!awaitConfirm(ctx, kMmNetworkInfoRequest, result, kConfirmWaitMs, &frame)) continue;
      std::vector<AvStationEntry> entries = parseNetworkInfo(frame, versionOne);
      for (const AvStationEntry& e : entries)
        if (e.mac != local && e.mac != kBroadcastMac &&
            std::find(stations.begin(), stations.end(), e.mac) == stations.end())
          stations.push_back(e.mac);
      takeAvStations(ctx, entries, versionOne);
      ctx.clock.sleepMs(kWatchPauseMs);
    }
  }
  return stations;
}

bool localNmkIs(ProgramContext& ctx, const Key16& key) {
  for (int read = 0; read < kLocalNmkReads; ++read) {
    Key16 current{};
    if (readAdapterNmk(ctx, ctx.currentAdapter().mac, current) && current == key) return true;
    ctx.clock.sleepMs(kLocalNmkPauseMs);
  }
  return false;
}

bool addAv(ProgramContext& ctx, const std::optional<std::string>& name, KeyTarget& target,
           bool broadcast) {
  const MacAddress cardMac = ctx.currentCardMac();
  Key16 saved{};
  if (!readAdapterNmk(ctx, ctx.currentAdapter().mac, saved)) {
    showBox(ctx, kReadNmkFailedText, kErrorCaption2, MessageIcon::None);
    ctx.keyFlow.addingInProgress = false;
    return false;
  }
  // Every failure puts the local adapter back on its own network first.
  auto fail = [&](const char* text, const char* caption) {
    setLocalNEK(ctx, &cardMac, saved);
    showBox(ctx, text, caption, MessageIcon::Exclamation);
    ctx.keyFlow.addingInProgress = false;
    return false;
  };
  const Key16 deviceKey = deriveDeviceKey(target.password);
  std::vector<MacAddress> stations;
  for (int network = 0; network < kMaxRandomNetworks; ++network) {
    const Key16 random = drawRandomKey(ctx);
    setLocalNEK(ctx, &cardMac, random);
    bool sent = false;
    for (int attempt = 0; attempt < kRemoteKeyAttempts && !sent; ++attempt) {
      MacAddress address = kBroadcastMac;
      int result = setRemoteKey(ctx, deviceKey, random, address, false, false);
      sent = result != kRemoteNothingHeard;
      ctx.clock.sleepMs(kRemoteKeyPauseMs);
    }
    if (!sent) return fail(kRemoteNmkFailedText, kAttentionCaption);
    if (!localNmkIs(ctx, random)) return fail(kLocalNmkTimeoutText, kErrorCaption);
    stations = watchRandomNetwork(ctx);
    // Two or more stations: the random network is not the new device's alone.
    if (stations.size() < 2) break;
  }
  if (stations.size() != 1) {
    if (StationRecord* station = stations.empty() ? nullptr : findStation(ctx, stations.front()))
      station->valid = 0;
    ctx.keyFlow.deviceBeingAdded = {};
    return fail(kAddErrorText, kAttentionCaption);
  }

  // The device settles on the random network, then the local adapter goes
  // home and settles there before the device is given the real key.
  ctx.clock.sleepMs(2000);
  showProgress(ctx, 1);
  ctx.clock.sleepMs(2000);
  setLocalNEK(ctx, &cardMac, saved);
  showProgress(ctx, 2);
  ctx.clock.sleepMs(6000);
  ctx.keyFlow.deviceBeingAdded = stations.front();

  showProgress(ctx, 3);
  bool ok = setNetworkKeyOnDevice(ctx, target, ctx.currentNetwork().networkName.str(), broadcast);
  if (ok) {
    keepPending(ctx, name, target.password);
  } else {
    showAddFailure(ctx, broadcast);
    dropDeviceBeingAdded(ctx);
  }
  if (ctx.hooks.rescanNetwork) ctx.hooks.rescanNetwork();
  return ok;
}

}  // namespace

void showProgress(ProgramContext& ctx, int step) {
  KeyFlowState& flow = ctx.keyFlow;
  step = std::max(step, 0);
  flow.progressStep = step;
  if (flow.progressDialog == ProgressDialog::AddDevice)
    ctx.prompter.progressText(kAddDeviceTexts[std::min(step, 4)]);
  else if (flow.progressDialog == ProgressDialog::EnterPassword)
    ctx.prompter.progressText(kEnterPasswordTexts[std::min(step, 3)]);
}

void resetEnterPasswordProgress(ProgramContext& ctx) {
  if (ctx.keyFlow.progressDialog == ProgressDialog::EnterPassword) showProgress(ctx, 0);
}

void advanceEnterPasswordProgress(ProgramContext& ctx) {
  if (ctx.keyFlow.progressDialog == ProgressDialog::EnterPassword)
    showProgress(ctx, ctx.keyFlow.progressStep + 1);
}

bool addDevice(ProgramContext& ctx, const std::optional<std::string>& name, std::string& password,
               const MacAddress* mac) {
  ctx.prompter.waitCursor(true);
  bool ok = false;
  if (!ctx.avMode) {
    ok = addHp10(ctx, name, password, mac);
  } else {
    ScanPause pause(ctx);
    KeyTarget target;
    target.password = password;
    if (mac) target.mac = *mac;
    try {
      ok = addAv(ctx, name, target, mac == nullptr);
    } catch (const std::exception&) {
      ctx.keyFlow.addingInProgress = false;
      showBox(ctx, kAddUnknownProblemText, kErrorCaption3, MessageIcon::Error);
      ok = false;
    }
  }
  ctx.prompter.waitCursor(false);
  return ok;
}

int verifyDevicePassword(ProgramContext& ctx, KeyTarget& target) {
  if (!macIsSet(ctx.currentCardMac().data())) return -1;
  if (!ctx.avMode) {
    std::string password = target.password;
    bool ok = addDevice(ctx, std::nullopt, password, &target.mac);
    target.password = password;
    return ok ? 1 : 0;
  }
  MacAddress mac = target.mac;
  int result = setRemoteKey(ctx, deriveDeviceKey(target.password), ctx.avNmk, mac, false, true);
  if (result == kRemoteAvConfirmed) return 1;
  showBox(ctx, kInvalidDevicePasswordText, kAttentionCaption, MessageIcon::Exclamation);
  return 0;
}

namespace {

// The firmware-too-old refusal of both dialogs; the flag is cleared so that
// the next attempt proceeds.
bool refuseOldFirmware(ProgramContext& ctx, const char* text) {
  if (!ctx.boost.firmwareTooOld) return false;
  ctx.boost.firmwareTooOld = false;
  showBox(ctx, text, kAttentionCaption, MessageIcon::Exclamation);
  if (ctx.hooks.rescanNetwork) ctx.hooks.rescanNetwork();
  return true;
}

}  // namespace

bool addDeviceByPassword(ProgramContext& ctx, const std::string& name,
                         const std::string& password) {
  if (refuseOldFirmware(ctx, kAddFirmwareTooOldText)) return false;
  if (name.size() > kMaxDeviceNameLength) {
    showBox(ctx, kNameTooLongText, kAttentionCaption, MessageIcon::Exclamation);
    return false;
  }
  if (!name.empty() && findKnownByName(ctx.known, name) != 0) {
    showBox(ctx, kAnotherNameText, kAttentionCaption, MessageIcon::Exclamation);
    return false;
  }
  if (!checkDevicePassword(ctx.prompter, password)) return false;
  ScanPause pause(ctx);
  KeyFlowState& flow = ctx.keyFlow;
  flow.addingInProgress = true;
  flow.deviceBeingAdded = {};
  flow.pendingName.clear();
  flow.pendingPassword.clear();
  flow.progressDialog = ProgressDialog::AddDevice;
  const MacAddress cardMac = ctx.currentCardMac();
  Key16 saved{};
  bool savedRead = false;
  if (ctx.avMode) {
    showProgress(ctx, 0);
    savedRead = readAdapterNmk(ctx, ctx.currentAdapter().mac, saved);
  }
  std::string typed = password;
  bool ok = addDevice(ctx, name.empty() ? std::nullopt : std::optional<std::string>(name), typed,
                      nullptr);
  if (!ok && ctx.avMode && savedRead) {
    setLocalNEK(ctx, &cardMac, saved);
    ctx.clock.sleepMs(1000);
  }
  flow.progressDialog = ProgressDialog::None;
  if (!ok) return false;
  // The new device takes the pending name and password in the known-device table.
  if (macIsSet(flow.deviceBeingAdded.data()) && flow.deviceBeingAdded != kBroadcastMac) {
    int position = findKnownByMac(ctx.known, flow.deviceBeingAdded);
    if (position == 0) {
      position = flow.pendingName.empty()
                     ? addKnownDevice(ctx.known, flow.deviceBeingAdded)
                     : addKnownDevice(ctx.known, flow.deviceBeingAdded, flow.pendingName);
    } else if (!flow.pendingName.empty()) {
      renameKnownDevice(ctx.known, position, flow.pendingName);
    }
    if (position != 0) {
      KnownDevice& device = ctx.known.at(position);
      device.password.set(flow.pendingPassword);
      const AdapterNetwork& network = ctx.currentNetwork();
      device.networkName.set(network.networkName.str());
      std::copy_n(network.networkKey.begin(), ctx.keyWidth(), device.networkKey.begin());
    }
  }
  flow.addingInProgress = false;
  if (ctx.hooks.saveDatabase) ctx.hooks.saveDatabase();
  return true;
}

int enterDevicePassword(ProgramContext& ctx, int position, const std::string& typed) {
  if (position < 1 || position > static_cast<int>(ctx.known.count())) return 0;
  if (refuseOldFirmware(ctx, kVerifyFirmwareTooOldText)) return kRefusedFirmwareTooOld;
  ScanPause pause(ctx);
  KeyFlowState& flow = ctx.keyFlow;
  ctx.known.at(position).password.set(typed);
  flow.progressDialog = ProgressDialog::EnterPassword;
  resetEnterPasswordProgress(ctx);
  flow.keyJustVerified = true;
  KeyTarget target;
  target.password = typed;
  target.mac = ctx.known.at(position).mac;
  int result = verifyDevicePassword(ctx, target);
  // One-shot: a verification that never used it must not leave it raised
  // for a later operation.
  flow.keyJustVerified = false;
  flow.progressDialog = ProgressDialog::None;
  KnownDevice& device = ctx.known.at(position);
  if (result < 0)
    device.password.set("CHECK " + typed);
  else if (result == 0)
    device.password.set("Not " + typed);
  else
    device.password.set(target.password);
  if (ctx.hooks.saveDatabase) ctx.hooks.saveDatabase();
  return result;
}

}  // namespace strandline
