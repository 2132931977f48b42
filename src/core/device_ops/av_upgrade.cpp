#include "core/device_ops/av_upgrade.h"

#include <array>
#include <ostream>

#include "core/device_ops/device_operations.h"
#include "firmware/firmware_image.h"
#include "firmware/parameter_block.h"
#include "protocol/av_decode.h"
#include "protocol/av_library.h"

namespace strandline {

namespace {

constexpr std::size_t kMaxFirmwareFile = 16u << 20;
constexpr std::size_t kMaxParameterFile = 0xFFFF;
constexpr std::size_t kRequestBufferSize = 1528;
constexpr std::uint32_t kTransferConfirmWaitMs = 100;
constexpr std::uint32_t kRequestPauseMs = 1;
// Version queries while waiting for the device after the factory reset.
constexpr std::uint32_t kVersionAttempts = 20;

UpgradeStep stepOf(UpdatePhase phase) {
  switch (phase) {
    case UpdatePhase::Firmware:
      return UpgradeStep::WritingFirmware;
    case UpdatePhase::Parameters:
      return UpgradeStep::WritingParameters;
    default:
      return UpgradeStep::Committing;
  }
}

// Reads frames until the confirmation the transfer waits for arrives (true,
// with the decoder's result) or the wait runs out. Other frames, and stale
// confirmations the library refuses, are dropped.
bool awaitTransferConfirm(ToolSession& session, ThpapiContext& lib, ThpapiResult& out, int& rc) {
  std::uint16_t awaited = thpapiAwaitedConfirm(lib);
  std::uint64_t deadline = session.clock.nowMs() + kTransferConfirmWaitMs;
  for (;;) {
    std::uint64_t now = session.clock.nowMs();
    if (now >= deadline) return false;
    session.channel.timeoutMs = static_cast<std::uint32_t>(deadline - now);
    int n = readToolFrame(session.channel, session.buffer.data(), session.buffer.size());
    if (n < 0) return false;
    if (n == 0) continue;
    ThpapiResult result;
    int decoded = thpapiDecodeFrame(
        lib, ByteView(session.buffer.data(), static_cast<std::size_t>(n)), result, 0);
    if (result.messageType != awaited) continue;
    if (decoded != 0 && result.completion != 2) continue;
    out = result;
    rc = decoded;
    return true;
  }
}

// The transfer, request by request: true when it ran to its end with a final
// status of 0. Stops before the next request when the control is cancelled.
bool runTransfer(ToolSession& session, ThpapiContext& lib, const ToolEnvironment& env,
                 const UpgradeControl& control, AvUpgradeOutcome& outcome) {
  std::array<std::uint8_t, kRequestBufferSize> request{};
  for (;;) {
    UpdateProgress p = thpapiUpdateProgress(lib);
    control.report({stepOf(p.phase), p.bytesAcknowledged, p.bytesTotal});
    if (control.cancelled()) {
      outcome.cancelled = true;
      session.error(0, "Upgrade cancelled");
      return false;
    }
    std::size_t length = thpapiNextRequest(lib, request);
    if (length == 0) {
      env.prompter.show(kAvUpgradeAbortedInTransfer);
      return false;
    }
    if (sendToolFrame(session.channel, request.data(), length) < 0) {
      env.prompter.show(kAvUpgradeAbortedInTransfer);
      return false;
    }
    outcome.sentFrames = true;
    ThpapiResult result;
    int rc = 0;
    if (!awaitTransferConfirm(session, lib, result, rc)) {
      env.prompter.show(kAvUpgradeAbortedInTransfer);
      return false;
    }
    session.clock.sleepMs(kRequestPauseMs);
    if (result.completion != 2) continue;
    // A write refused after its retries, or a start or commit the device
    // refused, is no upgrade.
    if (rc != 0 || result.status != 0) {
      session.error(0, "Device refused the update, status " + std::to_string(result.status));
      env.prompter.show(kAvUpgradeAbortedInTransfer);
      return false;
    }
    control.report({UpgradeStep::Committing, p.bytesTotal, p.bytesTotal});
    return true;
  }
}

// The files, checked whole before anything is sent: the firmware file's
// block chain and the parameter block's length, checksum and content rules.
bool loadFiles(ToolSession& session, const ToolEnvironment& env, const AvUpgradeRequest& request,
               Bytes& firmware, Bytes& pib) {
  if (!readToolFile(session, request.nvmPath, kMaxFirmwareFile, firmware)) {
    env.prompter.show(kAvUpgradeOpenFirmware);
    return false;
  }
  if (firmware.size() < kNvmHeaderLength || nvmFirstBlockIsLast(firmware)) {
    env.prompter.show(kAvUpgradeWrongHeader);
    return false;
  }
  NvmCheck check = checkNvmFile(firmware, request.nvmPath);
  if (!check.ok) {
    session.error(0, check.message);
    env.prompter.show(kAvUpgradeWrongHeader);
    return false;
  }
  if (!readToolFile(session, request.pibPath, kMaxParameterFile, pib)) {
    env.prompter.show(kAvUpgradeOpenPib);
    return false;
  }
  if (checkParameterImage(session, pib, request.pibPath) != 0) {
    env.prompter.show(kAvUpgradePibOperation);
    return false;
  }
  ParameterBlockImage image;
  PibStatus attached = image.attach(pib);
  if (attached != PibStatus::Ok && attached != PibStatus::VersionMismatch) {
    env.prompter.show(kAvUpgradePibOperation);
    return false;
  }
  image.setMac(request.deviceMac);  // a refused MAC leaves the block's own
  image.reseal(pib);
  return true;
}

}  // namespace

std::uint32_t avUpdateOptions(const std::string& chipName, bool configBlockOk) {
  bool moduleFamily = chipName == "TSC1000" || chipName == "VNC-400";
  if (moduleFamily) return configBlockOk ? 35 : 34;
  return configBlockOk ? 19 : 0;
}

AvUpgradeOutcome runAvUpgradeProcedure(const ToolEnvironment& env, const AvUpgradeRequest& request,
                                       const UpgradeControl& control) {
  AvUpgradeOutcome outcome;
  ToolSession session(env.clock, env.reportStream());
  Bytes firmware, pib;
  if (!loadFiles(session, env, request, firmware, pib)) return outcome;
  if (!macIsSet(env.cardMac.data())) {
    env.prompter.show(kAvUpgradeAborted);
    return outcome;
  }
  if (openToolChannelOnCurrentCard(session, env.link, env.cardMac, env.prompter, false) != 0)
    return outcome;
  session.channel.flags = env.channelFlags;
  session.channel.dumpStream = env.dumpStream;
  ThpapiContext lib;
  if (thpapiBeginUpdate(lib, env.cardMac, request.deviceMac, firmware, pib, request.options) != 0) {
    env.prompter.show(kAvUpgradeAborted);
    closeToolChannel(session.channel);
    return outcome;
  }
  outcome.upgraded = runTransfer(session, lib, env, control, outcome);
  thpapiAbortTransfer(lib);
  closeToolChannel(session.channel);
  return outcome;
}

AvUpgradeOutcome runAvUpgrade(const ToolEnvironment& env, const AvUpgradeRequest& request,
                              const UpgradeControl& control) {
  AvUpgradeOutcome outcome = runAvUpgradeProcedure(env, request, control);
  if (outcome.upgraded) {
    env.prompter.show(kAvUpgradeSuccess);
    control.report({UpgradeStep::WaitingForRestart, 1, 1});
    env.clock.sleepMs(kUpgradeRestartPauseMs);
  }
  // The factory defaults and the block they leave, after a failed or
  // cancelled upgrade too: the device then runs whichever firmware it kept.
  runToolOperation(env, true, [&](ToolSession& session) {
    session.channel.flags = env.channelFlags;
    session.channel.dumpStream = env.dumpStream;
    control.report({UpgradeStep::FactoryReset, 1, 1});
    outcome.defaultSaved = factoryResetAndSave(session, env.prompter, request.defaultPibPath, [&] {
                             control.report({UpgradeStep::SavingDefaultPib, 1, 1});
                           }) == 1;
    session.retryCount = kVersionAttempts;
    if (waitForStart(session) == 0) outcome.versionAfter = session.versionText;
    return 0;
  });
  control.report({UpgradeStep::Finished, 1, 1});
  return outcome;
}

}  // namespace strandline
