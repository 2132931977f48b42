// strandline-cli firmware upgrade|check: the local adapter's firmware from a
// firmware file and a parameter file (HomePlug AV) or an image file and an
// optional configuration file (Boost HomePlug 1.0); a firmware file's blocks
// walked and checked.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/tool_command.h"
#include "core/device_ops/av_upgrade.h"
#include "core/device_ops/boost_upgrade.h"
#include "core/device_ops/upgrade_decision.h"
#include "core/program_context.h"
#include "firmware/firmware_image.h"
#include "platform/data_folder.h"
#include "platform/file_ops.h"

namespace strandline::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr std::size_t kMaxFirmwareFile = 16u << 20;

std::atomic<bool> cancelRequested{false};
void onInterrupt(int) {
  cancelRequested = true;
}

struct UpgradeOptions {
  FlowOptions flow;
  std::string pib, nvm, img, cfg, save;
  bool yes = false;
};

// A progress line on stderr: rewritten in place on a terminal; elsewhere one
// plain line whenever the step changes or another tenth is done.
class ProgressPrinter {
 public:
  ProgressPrinter() : terminal_(isatty(STDERR_FILENO) == 1) {}
  ~ProgressPrinter() {
    if (terminal_ && printed_) std::fputc('\n', stderr);
  }
  void operator()(const UpgradeProgress& p) {
    int percent = p.percent();
    if (p.step == lastStep_ && percent / 10 == lastPercent_ / 10 &&
        (!terminal_ || percent == lastPercent_))
      return;
    lastStep_ = p.step;
    lastPercent_ = percent;
    printed_ = true;
    std::fprintf(stderr, terminal_ ? "\r%3d%% %-26s" : "%3d%% %s\n", percent,
                 upgradeStepText(p.step));
    std::fflush(stderr);
  }

 private:
  bool terminal_;
  bool printed_ = false;
  UpgradeStep lastStep_ = UpgradeStep::Finished;
  int lastPercent_ = -1;
};

// The confirmation on the terminal, unless --yes.
bool confirmed(const UpgradeOptions& o, const Notice& question) {
  if (o.yes) return true;
  std::fprintf(stderr, "[%s] %s\nProceed? [y/N] ", question.caption.c_str(), question.text.c_str());
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  if (answer == "y" || answer == "Y" || answer == "yes") return true;
  std::fprintf(stderr, "strandline-cli: upgrade not started\n");
  return false;
}

std::string defaultPibPath(const UpgradeOptions& o) {
  if (!o.save.empty()) return o.save;
  DataFolderChoice folder = chooseDataFolder();
  if (folder.notice) std::fprintf(stderr, "strandline-cli: %s\n", folder.notice->text.c_str());
  return folder.folder + "/default.pib";
}

int upgrade(const UpgradeOptions& o) {
  bool av = !o.pib.empty() || !o.nvm.empty();
  std::string savePath = av ? defaultPibPath(o) : std::string();
  return runFlow(o.flow, [&](ProgramContext& ctx) {
    UpgradeDecision decision = checkUpgradeCapability(ctx);
    if (decision.kind == UpgradeKind::None) return kExitFailure;
    bool adapterIsAv = decision.kind == UpgradeKind::HomePlugAv;
    if (adapterIsAv != av) {
      std::fprintf(stderr, adapterIsAv
                               ? "strandline-cli: the local adapter is a HomePlug AV adapter: it "
                                 "takes --pib and --nvm\n"
                               : "strandline-cli: the local adapter is a Boost HomePlug 1.0 "
                                 "adapter: it takes --img and --cfg\n");
      return kExitFailure;
    }
    std::string before = ctx.currentNetwork().firmware.str();
    StderrPrompter prompter;
    ToolEnvironment env{ctx.link, ctx.clock, prompter};
    env.cardMac = ctx.currentNetwork().cardMac;
    ProgressPrinter printer;
    cancelRequested = false;
    UpgradeControl control{[&](const UpgradeProgress& p) { printer(p); }, &cancelRequested};
    if (!confirmed(o, av ? kAvUpgradeConfirm : kBoostUpgradeConfirm)) return kExitFailure;
    auto previous = std::signal(SIGINT, onInterrupt);
    std::string after;
    bool upgraded = false;
    if (av) {
      AvUpgradeRequest request{decision.adapterMac, decision.options, o.pib, o.nvm, savePath};
      AvUpgradeOutcome outcome = runAvUpgrade(env, request, control);
      upgraded = outcome.upgraded;
      after = outcome.versionAfter;
    } else {
      BoostUpgradeRequest request{decision.adapterMac, o.img, o.cfg};
      BoostUpgradeOutcome outcome = upgradeHp10Firmware(env, request, control);
      upgraded = outcome.upgraded;
      after = outcome.versionAfter;
    }
    std::signal(SIGINT, previous);
    if (!upgraded) return kExitFailure;
    if (after.empty()) {
      std::fprintf(stderr, "strandline-cli: the adapter did not come back after the upgrade\n");
      return kExitFailure;
    }
    std::printf("%s\n", json{{"before", before}, {"after", after}}.dump().c_str());
    return kExitOk;
  });
}

int check(const std::string& path) {
  ReadFileResult read = readWholeFile(systemFileOps(), path, kMaxFirmwareFile + 1);
  if (read.status != ReadFileResult::Status::Ok || read.data.size() > kMaxFirmwareFile) {
    std::fprintf(stderr, "strandline-cli: cannot read %s%s%s\n", path.c_str(),
                 read.reason.empty() ? "" : ": ", read.reason.c_str());
    return kExitFailure;
  }
  NvmCheck result = checkNvmFile(read.data, path);
  json blocks = json::array();
  for (const NvmBlock& b : result.blocks)
    blocks.push_back({{"offset", b.offset},
                      {"loadAddress", b.header.loadAddress},
                      {"imageLength", b.header.imageLength},
                      {"imageChecksum", b.header.imageChecksum},
                      {"nextHeader", b.header.nextHeader}});
  json out{{"file", path}, {"ok", result.ok}, {"blocks", blocks}};
  if (!result.ok) out["error"] = result.message;
  std::printf("%s\n", out.dump(2).c_str());
  return result.ok ? kExitOk : kExitFailure;
}

bool parseUpgrade(const Args& args, UpgradeOptions& o) {
  Args rest;
  if (!parseFlowOptions(args, o.flow, rest)) return false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    std::string* target = a == "--pib"    ? &o.pib
                          : a == "--nvm"  ? &o.nvm
                          : a == "--img"  ? &o.img
                          : a == "--cfg"  ? &o.cfg
                          : a == "--save" ? &o.save
                                          : nullptr;
    if (a == "--yes") {
      o.yes = true;
    } else if (target && i + 1 < rest.size() && !rest[i + 1].empty()) {
      *target = rest[++i];
    } else {
      return false;
    }
  }
  bool av = !o.pib.empty() && !o.nvm.empty() && o.img.empty() && o.cfg.empty();
  bool hp10 = !o.img.empty() && o.pib.empty() && o.nvm.empty() && o.save.empty();
  return av || hp10;
}

}  // namespace

int runFirmware(const Args& args) {
  if (args.size() == 2 && args[0] == "check") return check(args[1]);
  if (!args.empty() && args[0] == "upgrade") {
    UpgradeOptions o;
    if (!parseUpgrade(Args(args.begin() + 1, args.end()), o)) return usage(kFirmwareSynopsis);
    return upgrade(o);
  }
  return usage(kFirmwareSynopsis);
}

}  // namespace strandline::cli
