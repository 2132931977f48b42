#include "app/device_dialogs.h"

#include <algorithm>

#include "core/discovery/network_scan.h"
#include "core/security/add_device.h"
#include "core/security/key_setting.h"
#include "core/security/network_name.h"
#include "core/security/password_rules.h"

namespace strandline::app {

namespace {

void attention(ProgramContext& ctx, const char* text) {
  ctx.prompter.messageBox(text, kAttentionCaption, MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace

std::string devicePicture(bool adapterPresent, std::uint32_t kind) {
  if (!adapterPresent || kind == kKindAv) return "oemDevice.bmp";
  if (kind == kKindAvTsc4000) return "oemDevice_T4K.bmp";
  if (kind == kKindBoost) return "oemDeviceIconHS.bmp";
  return "oemDeviceIconLS.bmp";
}

std::string passwordForEditing(const std::string& stored) {
  return passwordWithoutStatus(stored);
}

DialogOutcome enterPasswordOk(ProgramContext& ctx, const std::string& macText,
                              const std::string& typed) {
  int position = findKnownByMacText(ctx.known, macText);
  if (ctx.boost.firmwareTooOld) {
    // enterDevicePassword shows the refusal, clears the flag and rescans.
    if (position != 0) {
      enterDevicePassword(ctx, position, typed);
    } else {
      ctx.boost.firmwareTooOld = false;
      attention(ctx, kVerifyFirmwareTooOldText);
      if (ctx.hooks.rescanNetwork) ctx.hooks.rescanNetwork();
    }
    return DialogOutcome::Close;
  }
  if (!checkDevicePassword(ctx.prompter, typed)) return DialogOutcome::StayOpen;
  // The device left the table while the dialog was open: nothing to store into.
  if (position == 0) return DialogOutcome::Close;
  enterDevicePassword(ctx, position, typed);
  return DialogOutcome::Close;
}

DialogOutcome addDeviceOk(ProgramContext& ctx, MainPageState& state, const std::string& name,
                          const std::string& password,
                          const std::vector<std::string>& listedPasswords,
                          const std::function<void(int)>& notify,
                          const std::function<void()>& resumePause) {
  if (ctx.boost.firmwareTooOld) {
    // addDeviceByPassword refuses first: it clears the flag, tells and rescans.
    addDeviceByPassword(ctx, name, password);
    return DialogOutcome::Close;
  }
  if (name.empty()) {
    attention(ctx, kAnotherNameText);
    return DialogOutcome::StayOpen;
  }
  if (name.size() >= kDeviceNameLimit) {
    attention(ctx, kNameTooLongText);
    return DialogOutcome::StayOpen;
  }
  if (findKnownByName(ctx.known, name) != 0) {
    attention(ctx, kAnotherNameText);
    return DialogOutcome::StayOpen;
  }
  if (password == kPasswordPlaceholder) {
    attention(ctx, kEnterPasswordText);
    return DialogOutcome::StayOpen;
  }
  if (!checkDevicePassword(ctx.prompter, password)) return DialogOutcome::StayOpen;
  if (std::find(listedPasswords.begin(), listedPasswords.end(), password) !=
      listedPasswords.end()) {
    attention(ctx, kAlreadyAddedText);
    resumePause();
    return DialogOutcome::StayOpen;
  }
  resumePause();
  state.adding = true;
  bool added = addDeviceByPassword(ctx, name, password);
  state.adding = false;
  if (!added) return DialogOutcome::Close;
  if (!state.autoScan) {
    refreshAfterScan(ctx, state, 50, ctx.clock.wallSeconds());
    scanNow(ctx, state, notify);
  }
  if (findKnownByName(ctx.known, name) != 0) {
    ++state.listGeneration;
    state.listed.clear();
  }
  return DialogOutcome::Added;
}

bool placeOnNetwork(ProgramContext& ctx, MainPageState& state, const std::string& name, bool all,
                    const std::function<void(int)>& notify) {
  ScanPause pause(ctx);
  if (!checkTypedNetworkName(ctx, name)) return false;
  if (all) {
    MessageAnswer answer =
        ctx.prompter.messageBox(kSetAllQuestionText, kSetAllQuestionCaption,
                                MessageIcon::Information, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) return false;
    ctx.prompter.waitCursor(true);
    setNetworkNameAll(ctx, name);
    ctx.prompter.waitCursor(false);
  } else {
    setNetworkNameLocal(ctx, name);
  }
  clearStations(ctx, state);
  if (!all && !ctx.avMode) {
    ctx.prompter.waitCursor(true);
    scanNow(ctx, state, notify);
    ctx.clock.sleepMs(1000);
    ctx.prompter.waitCursor(false);
  }
  return true;
}

}  // namespace strandline::app
