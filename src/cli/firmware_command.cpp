// strandline-cli firmware upgrade|check: the local adapter's firmware from a
// firmware file and a parameter file (HomePlug AV) or an image file and an
// optional configuration file (Boost HomePlug 1.0); a firmware file's blocks
// walked and checked.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/options.h"
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

}  // namespace

void addFirmwareCommand(CLI::App& app, Action& action) {
  CLI::App* firmware = app.add_subcommand("firmware", "the local adapter's firmware");

  auto o = std::make_shared<UpgradeOptions>();
  CLI::App* up = firmware->add_subcommand(
      "upgrade",
      "upgrade the local HomePlug AV adapter (--pib and --nvm; then restore its factory defaults "
      "and save its block) or the local Boost HomePlug 1.0 adapter (--img, optional --cfg)");
  struct FileOption {
    const char* name;
    std::string UpgradeOptions::*field;
    const char* help;
  };
  static constexpr FileOption kFiles[] = {
      {"--pib", &UpgradeOptions::pib, "the parameter file (HomePlug AV)"},
      {"--nvm", &UpgradeOptions::nvm, "the firmware file (HomePlug AV)"},
      {"--img", &UpgradeOptions::img, "the image file (Boost HomePlug 1.0)"},
      {"--cfg", &UpgradeOptions::cfg, "the configuration file (Boost HomePlug 1.0)"},
      {"--save", &UpgradeOptions::save,
       "where the block is saved after the upgrade (HomePlug AV; default: default.pib in the "
       "data folder)"},
  };
  for (const FileOption& f : kFiles)
    up->add_option(f.name, (*o).*f.field, f.help)->type_name("FILE");
  up->add_flag("--yes", o->yes, "do not ask before starting");
  addFlowOptions(*up, o->flow);
  up->callback([&action, o] {
    bool av = !o->pib.empty() && !o->nvm.empty() && o->img.empty() && o->cfg.empty();
    bool hp10 = !o->img.empty() && o->pib.empty() && o->nvm.empty() && o->save.empty();
    if (!av && !hp10)
      throw CLI::ValidationError(
          "upgrade takes --pib and --nvm (HomePlug AV), or --img and an optional --cfg (Boost "
          "HomePlug 1.0)");
    action = [o] { return upgrade(*o); };
  });

  auto path = std::make_shared<std::string>();
  CLI::App* checkFile =
      firmware->add_subcommand("check", "walk and check a firmware file, its blocks as JSON");
  checkFile->add_option("FILE", *path, "the firmware file")->required();
  onRun(*checkFile, action, [path] { return check(*path); });
}

}  // namespace strandline::cli
