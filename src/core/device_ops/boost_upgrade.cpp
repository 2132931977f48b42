#include "core/device_ops/boost_upgrade.h"

#include <optional>
#include <ostream>

#include "core/device_ops/device_operations.h"
#include "firmware/boost_files.h"
#include "platform/file_ops.h"
#include "protocol/boost_frames.h"
#include "protocol/boost_upgrade_frames.h"

namespace strandline {

namespace {

constexpr std::size_t kMaxImageFile = 16u << 20;
constexpr std::uint32_t kLoaderSettleMs = 1000;
constexpr std::uint32_t kChunkAnswerMs = 5;
constexpr std::uint32_t kCommandAnswerMs = 4200;
constexpr std::uint32_t kChecksumAnswerMs = 500;
constexpr std::uint32_t kResetSettleMs = 500;
constexpr std::uint32_t kAnswerSlackMs = 5;
// The version string is asked for every half second for up to 10 s after the reset.
constexpr std::uint32_t kVersionPollMs = 500;
constexpr int kVersionPolls = 20;

// One upgrade's exchange with the adapter.
class LoaderLink {
 public:
  LoaderLink(ToolSession& session, const ToolEnvironment& env, const MacAddress& adapter,
             const UpgradeControl& control, BoostUpgradeOutcome& outcome)
      : s_(session), env_(env), adapter_(adapter), control_(control), outcome_(outcome) {}

  const MacAddress& source() const { return env_.cardMac; }
  const MacAddress& destination() const { return adapter_; }
  void useFallback() {
    adapter_ = kBoostLoaderFallbackMac;
    outcome_.usedFallback = true;
  }

  // false when the upgrade is to stop before this frame (cancel) or the send failed.
  bool send(const Bytes& frame) {
    if (control_.cancelled()) {
      outcome_.cancelled = true;
      return false;
    }
    if (sendToolFrame(s_.channel, frame.data(), frame.size()) < 0) {
      env_.prompter.show(kBoostSendFailure);
      return false;
    }
    outcome_.sentFrames = true;
    return true;
  }

  // Waits, then takes every answer already there: true when the last answer
  // to `code` addressed to this card had status 0. Answers to other commands
  // (late ones included) do not count.
  bool awaitAnswer(std::uint8_t code, std::uint32_t waitMs, std::uint32_t* checksum = nullptr) {
    s_.clock.sleepMs(waitMs + kAnswerSlackMs);
    s_.channel.timeoutMs = 0;
    bool counted = false, good = false;
    for (;;) {
      int n = readToolFrame(s_.channel, s_.buffer.data(), s_.buffer.size());
      if (n <= 0) break;
      auto answer = parseBoostLoaderAnswer(ByteView(s_.buffer.data(), static_cast<std::size_t>(n)));
      if (!answer || answer->destination != source() || answer->code != code) continue;
      if (code == kBoostModuleChecksum && !answer->checksum) continue;
      counted = true;
      good = answer->status == 0;
      if (checksum && answer->checksum) *checksum = *answer->checksum;
    }
    return counted && good;
  }

  // sendUpgradeCommand: 0x82 or 0x84 and its acknowledgement.
  bool command(std::uint8_t code, std::uint32_t value) {
    if (!send(buildBoostCommandFrame(source(), destination(), code, value))) return false;
    if (awaitAnswer(code, kCommandAnswerMs)) return true;
    env_.prompter.show(kBoostNoResponse);
    return false;
  }

  // verifyModule: the adapter's checksum of the module against ours.
  bool verifyModule(std::uint32_t module, ByteView data, bool& answered) {
    answered = false;
    auto length = static_cast<std::uint32_t>(data.size());
    if (!send(buildBoostChecksumRequest(source(), destination(), module, length))) return false;
    std::uint32_t checksum = 0;
    if (!awaitAnswer(kBoostModuleChecksum, kChecksumAnswerMs, &checksum)) {
      env_.prompter.show(kBoostNoResponse);
      return false;
    }
    answered = true;
    return checksum == moduleChecksum(data);
  }

  void progress(UpgradeStep step) { control_.report({step, acknowledged, total}); }

  std::uint64_t acknowledged = 0;
  std::uint64_t total = 0;

 private:
  ToolSession& s_;
  const ToolEnvironment& env_;
  MacAddress adapter_;
  const UpgradeControl& control_;
  BoostUpgradeOutcome& outcome_;
};

// writeHp10Files: the image in 1024-byte chunks (one fallback to the loader's
// address at the first unanswered chunk), then the configuration sections.
bool writeFiles(LoaderLink& link, const ToolEnvironment& env, ByteView image,
                const BoostConfig* config, std::uint32_t& flags) {
  bool fellBack = false;
  for (const BoostChunk& c : boostImageChunks(image.size())) {
    ByteView chunk = image.subspan(c.offset, c.length);
    link.progress(UpgradeStep::WritingFirmware);
    for (;;) {
      Bytes frame = buildBoostChunkFrame(link.source(), link.destination(), kBoostImageModule,
                                         static_cast<std::uint32_t>(c.offset), chunk);
      if (!link.send(frame)) return false;
      if (link.awaitAnswer(kBoostWriteChunk, kChunkAnswerMs)) break;
      if (fellBack) {
        env.prompter.show(kBoostNoResponse);
        return false;
      }
      fellBack = true;
      link.useFallback();
    }
    link.acknowledged += c.length;
  }
  flags |= kBoostImageModule;
  if (!config) return true;
  for (const BoostSection& section : boostWriteSections(*config)) {
    link.progress(UpgradeStep::WritingParameters);
    Bytes frame = buildBoostChunkFrame(link.source(), link.destination(), section.module, 0,
                                       config->section(section));
    if (!link.send(frame)) return false;
    if (!link.awaitAnswer(kBoostWriteChunk, kChunkAnswerMs)) {
      env.prompter.show(kBoostNoResponse);
      return false;
    }
    flags |= section.module;
    link.acknowledged += section.length;
  }
  return true;
}

// verifyHp10Files: the image, then the sections in the order identity,
// option, parameter. A mismatch shows its own message.
bool verifyFiles(LoaderLink& link, const ToolEnvironment& env, ByteView image,
                 const BoostConfig* config, std::uint32_t flags) {
  bool answered = false;
  if (!link.verifyModule(kBoostImageModule, image, answered)) {
    if (answered) env.prompter.show(kBoostImageMismatch);
    return false;
  }
  if (!config) return true;
  for (const BoostSection& section : boostVerifySections(flags)) {
    if (link.verifyModule(section.module, config->section(section), answered)) continue;
    if (answered) {
      if (section.module == kBoostIdentitySection.module) env.prompter.show(kBoostIdentityMismatch);
      if (section.module == kBoostOptionSection.module) env.prompter.show(kBoostOptionMismatch);
      if (section.module == kBoostParameterSection.module)
        env.prompter.show(kBoostParameterMismatch);
    }
    return false;
  }
  return true;
}

// The version string once the adapter is back from its reset.
std::string readVersionAfterReset(ToolSession& s, const ToolEnvironment& env,
                                  const MacAddress& adapter) {
  Bytes request(kBoostReadRequestLength, 0);
  for (int poll = 0; poll < kVersionPolls; ++poll) {
    buildBoostReadRequest(request.data(), env.cardMac, adapter, kBoostReadVersion);
    if (sendToolFrame(s.channel, request.data(), request.size()) < 0) return {};
    s.clock.sleepMs(kVersionPollMs);
    s.channel.timeoutMs = 0;
    for (;;) {
      int n = readToolFrame(s.channel, s.buffer.data(), s.buffer.size());
      if (n <= 0) break;
      ByteView frame(s.buffer.data(), static_cast<std::size_t>(n));
      if (frame.size() > 17 && frame[15] == kBoostReadAnswer && frame[17] == kBoostReadVersion) {
        std::string version = parseBoostVersionString(frame);
        if (!version.empty()) return version;
      }
    }
  }
  return {};
}

bool readFile(const std::string& path, std::size_t maxBytes, Bytes& out) {
  ReadFileResult read = readWholeFile(systemFileOps(), path, maxBytes + 1);
  if (read.status != ReadFileResult::Status::Ok || read.data.size() > maxBytes) return false;
  out = std::move(read.data);
  return true;
}

}  // namespace

BoostUpgradeOutcome upgradeHp10Firmware(const ToolEnvironment& env,
                                        const BoostUpgradeRequest& request,
                                        const UpgradeControl& control) {
  BoostUpgradeOutcome outcome;
  if (request.imagePath.empty()) {
    env.prompter.show(request.configPath.empty() ? kBoostNoFile : kBoostNoImage);
    return outcome;
  }
  // Both files are read before the first frame: a file that cannot be read
  // leaves the adapter out of its loader.
  Bytes image;
  if (!readFile(request.imagePath, kMaxImageFile, image) || image.empty()) {
    env.prompter.show(kBoostOpenImage);
    return outcome;
  }
  std::optional<BoostConfig> config;
  if (!request.configPath.empty()) {
    // Only the first 1024 bytes of a configuration file count.
    ReadFileResult read =
        readWholeFile(systemFileOps(), request.configPath, kBoostConfigReadLength);
    if (read.status != ReadFileResult::Status::Ok) {
      env.prompter.show(kBoostOpenConfig);
      return outcome;
    }
    config = boostConfigFrom(read.data);
  }
  if (!macIsSet(env.cardMac.data())) {
    env.prompter.show(kBoostImageSendFailed);
    return outcome;
  }

  ToolSession session(env.clock, env.reportStream());
  if (openToolChannelOnCurrentCard(session, env.link, env.cardMac, env.prompter, false,
                                   kEtherTypeHomePlug10) != 0)
    return outcome;
  session.channel.flags = env.channelFlags;
  session.channel.dumpStream = env.dumpStream;
  LoaderLink link(session, env, request.adapterMac, control, outcome);
  link.total = image.size();
  if (config)
    for (const BoostSection& s : boostWriteSections(*config)) link.total += s.length;

  const BoostConfig* cfg = config ? &*config : nullptr;
  bool done = [&] {
    if (!link.send(buildBoostLoaderRequest(env.cardMac, link.destination()))) {
      if (!outcome.cancelled) env.prompter.show(kBoostLoaderFailed);
      return false;
    }
    env.clock.sleepMs(kLoaderSettleMs);
    if (!writeFiles(link, env, image, cfg, outcome.writtenFlags)) {
      if (!outcome.cancelled) env.prompter.show(kBoostImageSendFailed);
      return false;
    }
    link.progress(UpgradeStep::Committing);
    if (!link.command(kBoostCommitModules, outcome.writtenFlags)) {
      if (!outcome.cancelled) env.prompter.show(kBoostCommitFailed);
      return false;
    }
    if (!link.command(kBoostVerifyModule, kBoostVerifyValue)) {
      if (!outcome.cancelled) env.prompter.show(kBoostVerifyFailed);
      return false;
    }
    if (!verifyFiles(link, env, image, cfg, outcome.writtenFlags) ||
        !link.send(buildBoostResetFrame(env.cardMac, link.destination()))) {
      if (!outcome.cancelled) env.prompter.show(kBoostResetFailed);
      return false;
    }
    link.progress(UpgradeStep::WaitingForRestart);
    env.clock.sleepMs(kResetSettleMs);
    return true;
  }();
  if (done) {
    outcome.upgraded = true;
    env.prompter.show(kBoostSuccess);
    // The restarted adapter answers at its own address again.
    outcome.versionAfter = readVersionAfterReset(session, env, request.adapterMac);
    link.progress(UpgradeStep::Finished);
  }
  closeToolChannel(session.channel);
  return outcome;
}

}  // namespace strandline
