// strandline-cli monitor: discovery and the periodic scan without a window.
// After each scan cycle it prints one report (one JSON object per line with
// --json), records the rate history in the data folder, and with
// --prometheus serves the last report at /metrics.
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "app/station_metrics.h"
#include "cli/adapter_json.h"
#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/known_names.h"
#include "cli/link_setup.h"
#include "cli/options.h"
#include "core/discovery/local_detection.h"
#include "core/engine.h"
#include "core/history_recorder.h"
#include "platform/data_folder.h"
#include "storage/device_database.h"
#include "storage/oem_prefs.h"

namespace strandline::cli {

namespace {

struct MonitorOptions {
  CommonOptions common;
  int cycles = 0;  // 0: until stopped
  int interval = 30;
  bool json = false;
  std::string listen;      // --prometheus [ADDR:]PORT; empty: no metrics endpoint
  std::string listenHost;  // from listen
  int listenPort = 0;
  std::string dataFolder;
  std::string databasePath;
  int keepFullHours = 48;
  int keepDays = 90;
};

// [ADDR:]PORT, ADDR may be [IPv6]; localhost unless an address is given.
bool parseListen(const std::string& text, std::string& host, int& port) {
  host = "127.0.0.1";
  std::string portText = text;
  std::size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    portText = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);
    if (host.empty()) host = "127.0.0.1";
  }
  return parseNumber(portText, 1, 65535, port);
}

nlohmann::json reportJson(const app::MonitorReport& r, const EngineSnapshot& s) {
  nlohmann::json adapters = nlohmann::json::array();
  for (int card = 0; card < s.cardCount; ++card)
    if (s.adapters[static_cast<std::size_t>(card)].present)
      adapters.push_back(adapterJson(s, card));
  nlohmann::json stations = nlohmann::json::array();
  for (const app::MonitoredStation& st : r.stations)
    stations.push_back({{"mac", st.mac},
                        {"name", st.name},
                        {"firmware", st.firmware},
                        {"tx", st.tx},
                        {"rx", st.rx},
                        {"answered", st.answered}});
  return {{"time", static_cast<double>(r.timeMs) / 1000.0},
          {"cycle", r.cycles},
          {"card", r.card},
          {"adapters", adapters},
          {"stations", stations},
          {"framesSent", r.framesSent},
          {"queryMs", r.queryMs}};
}

void printText(const app::MonitorReport& r) {
  std::printf("cycle %u  card %d %s  adapter %s  %zu stations\n", r.cycles, r.card,
              r.cardName.c_str(), r.adapter.c_str(), r.stations.size());
  for (const app::MonitoredStation& st : r.stations)
    std::printf("  %s %-20s TX %4.0f RX %4.0f %s\n", st.mac.c_str(), st.name.c_str(), st.tx, st.rx,
                st.answered ? "up" : "DOWN");
}

}  // namespace

static int runMonitor(MonitorOptions options) {
  if (!options.listen.empty()) parseListen(options.listen, options.listenHost, options.listenPort);

  std::string folder = options.dataFolder;
  if (folder.empty()) {
    DataFolderChoice choice = chooseDataFolder();
    if (choice.notice) std::fprintf(stderr, "strandline-cli: %s\n", choice.notice->text.c_str());
    folder = choice.folder;
    // A simulated network keeps its history apart from the real one's.
    if (!options.common.simulateFile.empty()) folder += "/demo";
  }
  makeFolders(systemFileOps(), folder);
  std::string dbPath = options.databasePath.empty() ? databaseIn(folder) : options.databasePath;

  // SIGINT and SIGTERM end the run between cycles; the threads made below
  // inherit the blocked set, and this thread waits for them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  LinkSetup setup;
  std::string error;
  bool paced =
      !options.common.simulateFile.empty() && (options.cycles == 0 || !options.listenHost.empty());
  if (!app::makeLink({options.common.interfacesToUse(), options.common.simulateFile, paced}, setup,
                     error)) {
    std::fprintf(stderr, "strandline-cli: %s\n", error.c_str());
    return kExitFailure;
  }

  HistoryRecorderOptions historyOptions;
  historyOptions.path = folder + "/" + kHistoryFileName;
  historyOptions.retention.fullSeconds = std::int64_t{options.keepFullHours} * 3600;
  historyOptions.retention.keepSeconds = std::int64_t{options.keepDays} * 24 * 3600;
  historyOptions.notice = [](const std::string& text) {
    std::fprintf(stderr, "strandline-cli: %s\n", text.c_str());
  };
  HistoryRecorder recorder(historyOptions);

  std::mutex metricsMutex;
  std::string metrics;
  httplib::Server server;
  std::thread serverThread;
  if (!options.listenHost.empty()) {
    server.Get("/metrics", [&](const httplib::Request&, httplib::Response& res) {
      std::lock_guard lock(metricsMutex);
      res.set_content(metrics, "text/plain; version=0.0.4; charset=utf-8");
    });
    if (!server.bind_to_port(options.listenHost, options.listenPort)) {
      std::fprintf(stderr, "strandline-cli: cannot listen on %s:%d\n", options.listenHost.c_str(),
                   options.listenPort);
      return kExitFailure;
    }
    serverThread = std::thread([&] { server.listen_after_bind(); });
  }

  RecordingPrompter prompter;
  auto context = std::make_unique<ProgramContext>(*setup.link, *setup.clock, prompter);
  context->known = readKnownNames(dbPath);
  Engine engine(std::move(context));

  enum class Outcome { Running, Done, NoAdapter, NoPermission };
  std::mutex mutex;
  std::condition_variable changed;
  Outcome outcome = Outcome::Running;
  std::string problem;
  int reported = 0;
  std::map<std::pair<int, MacAddress>, std::uint32_t> lastSent;
  bool haveLast = false;
  std::uint32_t lastCycle = 0;
  engine.addListener([&](const EngineSnapshot& s) {
    if (!endsScanCycle(s) || (haveLast && s.cyclesCompleted == lastCycle)) return;
    {
      // The engine may finish further cycles before it stops: they are not reported.
      std::lock_guard lock(mutex);
      if (options.cycles > 0 && reported >= options.cycles) return;
    }
    recorder.take(s);
    haveLast = true;
    lastCycle = s.cyclesCompleted;
    app::MonitorReport report = app::monitorReportOf(s, historyCycleOf(s, lastSent));
    // The cycle that just ended is counted once the scan moves on; report it as done.
    report.cycles = s.cyclesCompleted + 1;
    if (options.json)
      std::printf("%s\n", reportJson(report, s)
                              .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                              .c_str());
    else
      printText(report);
    std::fflush(stdout);
    {
      std::lock_guard lock(metricsMutex);
      metrics = app::prometheusText(report);
    }
    std::lock_guard lock(mutex);
    if (options.cycles > 0 && ++reported >= options.cycles && outcome == Outcome::Running) {
      outcome = Outcome::Done;
      changed.notify_all();
    }
  });
  Engine* e = &engine;
  engine.post([&, e](ProgramContext& ctx) {
    bool found = startDiscovery(
        ctx, options.interval, 3, [e](int phase) { e->publish(phase); }, true);
    if (found) return;
    std::lock_guard lock(mutex);
    problem = capturePermissionProblem(ctx.cards);
    outcome = problem.empty() ? Outcome::NoAdapter : Outcome::NoPermission;
    changed.notify_all();
  });
  engine.start();

  Outcome result;
  for (;;) {
    {
      std::unique_lock lock(mutex);
      if (changed.wait_for(lock, std::chrono::milliseconds(200),
                           [&] { return outcome != Outcome::Running; })) {
        result = outcome;
        break;
      }
    }
    timespec poll{0, 0};
    if (sigtimedwait(&stopSignals, nullptr, &poll) > 0) {
      result = Outcome::Done;
      break;
    }
  }
  engine.stop();
  recorder.flush();
  if (serverThread.joinable()) {
    server.stop();
    serverThread.join();
  }

  if (result == Outcome::NoPermission || result == Outcome::NoAdapter)
    return reportNoAdapter(problem);
  return kExitOk;
}

void addMonitorCommand(CLI::App& app, Action& action) {
  auto o = std::make_shared<MonitorOptions>();
  CLI::App* sub = app.add_subcommand(
      "monitor",
      "scan without a window: a report each cycle, the rate history, Prometheus metrics");
  addCommonOptions(*sub, o->common);
  addNumberOption(*sub, "--cycles", o->cycles, 1, 1'000'000'000,
                  "stop after N scan cycles (default: until stopped)");
  addNumberOption(*sub, "--interval", o->interval, 1, kMaxInterval,
                  "scan interval: timer ticks per scan phase (default 30)");
  addJsonFlag(*sub, o->json, "one JSON object per cycle, one a line");
  sub->add_option("--prometheus", o->listen,
                  "serve the last report at http://ADDR:PORT/metrics (ADDR: localhost unless "
                  "given)")
      ->type_name("[ADDR:]PORT")
      ->check(CLI::Validator(
          [](std::string& text) {
            std::string host;
            int port = 0;
            return parseListen(text, host, port)
                       ? std::string()
                       : std::string("takes [ADDR:]PORT with PORT a number from 1 to 65535");
          },
          ""));
  addDataOption(*sub, o->dataFolder,
                "where the rate history is kept (default: the data folder, its demo folder with "
                "--simulate)");
  addDatabaseOption(*sub, o->databasePath,
                    "the device database the names come from (default: the one in the data "
                    "folder)");
  addNumberOption(*sub, "--keep-full", o->keepFullHours, 1, 24 * 366,
                  "hours every sample is kept before it is folded into 10-minute means "
                  "(default 48)");
  addNumberOption(*sub, "--keep-days", o->keepDays, 1, 3660,
                  "days the history is kept (default 90)");
  onRun(*sub, action, [o] { return runMonitor(*o); });
}

}  // namespace strandline::cli
