#include "cli/flow_runner.h"

#include <cstdio>
#include <future>

#include "cli/link_setup.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/engine.h"
#include "storage/device_database.h"

namespace strandline::cli {

namespace {

// Prints what the window would show: message boxes with their caption, and
// progress texts. The answers are the recorder's defaults (OK, Yes). Only
// information boxes are results and go to stdout; warnings, errors, refusals,
// the questions answered here and the progress texts go to stderr.
class PrintingPrompter final : public RecordingPrompter {
 public:
  MessageAnswer messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons) override {
    std::FILE* out = icon == MessageIcon::Information ? stdout : stderr;
    std::fprintf(out, "[%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(out);
    return RecordingPrompter::messageBox(text, caption, icon, buttons);
  }
  void progressText(const std::string& text) override {
    RecordingPrompter::progressText(text);
    std::fprintf(stderr, "... %s\n", text.c_str());
  }
};

// Discovery, then one whole scan cycle so that every kind of adapter has
// reported its keys and stations before a flow starts.
bool discover(ProgramContext& ctx, int interval) {
  if (!startDiscovery(ctx, interval, 3, nullptr, true)) return false;
  std::uint32_t target = ctx.scan.cyclesCompleted + 1;
  std::uint32_t period = scanTimerPeriodMs(ctx.scan.ticksPerPhase);
  while (ctx.scan.cyclesCompleted < target) {
    ctx.clock.sleepMs(period);
    scanTick(ctx);
  }
  return ctx.currentAdapter().present != 0;
}

}  // namespace

void addFlowOptions(CLI::App& app, FlowOptions& options) {
  addCommonOptions(app, options.common);
  addDatabaseOption(app, options.databasePath,
                    "the device database to read and update (default: none, a table in memory)");
  addNumberOption(app, "--interval", options.interval, 1, kMaxInterval,
                  "scan interval of the discovery cycle (default 7)");
}

int reportNoAdapter(const std::string& permissionProblem) {
  if (!permissionProblem.empty()) {
    std::fprintf(stderr, "strandline-cli: %s\n", permissionProblem.c_str());
    return kExitFailure;
  }
  std::fprintf(stderr,
               "strandline-cli: no powerline adapter found on any card; check the cable and the "
               "adapter's power, and which interfaces are allowed\n");
  return kExitNoAdapter;
}

int runFlow(const FlowOptions& options, const std::function<int(ProgramContext&)>& flow) {
  LinkSetup setup;
  std::string error;
  if (!makeLink(options.common, setup, error)) {
    std::fprintf(stderr, "strandline-cli: %s\n", error.c_str());
    return kExitFailure;
  }
  PrintingPrompter prompter;
  DeviceDatabase db;
  DatabaseFile file(options.databasePath);
  if (!file.empty()) {
    DatabaseReadResult read = readDatabase(file, db);
    if (read.status == DatabaseReadResult::Status::Recovered ||
        read.status == DatabaseReadResult::Status::Unreadable) {
      std::fprintf(stderr, "strandline-cli: %s: %s\n", options.databasePath.c_str(),
                   read.problem.c_str());
      return kExitFailure;
    }
    if (read.notice) prompter.show(*read.notice);
  }
  auto context = std::make_unique<ProgramContext>(*setup.link, *setup.clock, prompter);
  ProgramContext& ctx = *context;
  ctx.known = db.known;
  ctx.networks = db.adapters;
  ctx.cards.currentCard = db.currentCard;
  clearStationTable(ctx.currentNetwork());
  std::string saveProblem;  // why the last save failed
  ctx.hooks.saveDatabase = [&] {
    if (file.empty()) return;
    db.known = ctx.known;
    db.adapters = ctx.networks;
    db.currentCard = ctx.cards.currentCard;
    // A failure is told once, with its reason, when the command ends.
    saveProblem = writeDatabase(file, db).message;
  };
  ctx.hooks.rescanNetwork = [&] { detectLocalAdapters(ctx); };

  Engine engine(std::move(context));
  std::promise<int> done;
  engine.post([&](ProgramContext& c) {
    if (!discover(c, options.interval)) {
      done.set_value(reportNoAdapter(capturePermissionProblem(c.cards)));
      return;
    }
    int code = flow(c);
    stopScanTimer(c);
    c.hooks.saveDatabase();
    done.set_value(code);
  });
  engine.start();
  int code = done.get_future().get();
  engine.stop();
  if (!saveProblem.empty()) {
    std::fprintf(stderr, "strandline-cli: the device database %s could not be written: %s\n",
                 options.databasePath.c_str(), saveProblem.c_str());
    return kExitFailure;
  }
  return code;
}

}  // namespace strandline::cli
