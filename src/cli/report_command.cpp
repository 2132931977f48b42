// strandline-cli report: discovery and one scan, then the diagnostics report
// (as the window's Save Report writes it, or as JSON) on stdout or into a file.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/diagnostics_actions.h"
#include "app/main_page_model.h"
#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/options.h"
#include "core/diagnostics/report.h"

namespace strandline::cli {

namespace {

using json = nlohmann::ordered_json;

// The JSON keys of the device columns, in column order; the last six are numbers.
constexpr std::array<const char*, 14> kDeviceKeys{
    "name",     "mac",  "password", "rate",  "network", "lastSeen", "vendor",
    "firmware", "sent", "misses",   "drops", "fails",   "highRate", "lowRate"};
constexpr std::size_t kFirstNumber = 8;

json reportJson(const ReportFacts& facts, std::time_t now) {
  ListSink sink;
  updateDiagnosticsList(facts, sink);
  json system = json::array();
  for (const auto& row : sink.system) system.push_back(row.at(0));
  json devices = json::array();
  for (const auto& row : sink.devices) {
    json device = json::object();
    for (std::size_t i = 0; i < row.size() && i < kDeviceKeys.size(); ++i) {
      if (i >= kFirstNumber)
        device[kDeviceKeys[i]] = std::stod(row[i]);
      else
        device[kDeviceKeys[i]] = row[i];
    }
    devices.push_back(device);
  }
  std::string time = calendarText(now);
  if (!time.empty()) time.pop_back();
  return {{"time", time},
          {"utility", facts.prefs.appName},
          {"version", versionText()},
          {"release", releaseText()},
          {"diagnosticsLevel", facts.prefs.diagnosticsLevel},
          {"system", system},
          {"devices", devices}};
}

struct ReportOptions {
  FlowOptions flow;
  std::string out;
  bool json = false;
};

int runReport(const ReportOptions& o) {
  const FlowOptions& options = o.flow;
  const std::string& out = o.out;
  const bool asJson = o.json;
  OemPrefs prefs = readOemPrefs(findShippedFile(kOemPrefsFileName)).prefs;
  OuiList oui = loadOuiList(findShippedFile(kOuiListFileName));
  return runFlow(options, [&](ProgramContext& ctx) {
    // Stations the database does not know yet are named as the window names
    // them, so that the report lists every station of the network.
    app::MainPageState state;
    app::takeAdapterChanges(state.adapterSnapshot, ctx.adapters);
    std::time_t now = ctx.clock.wallSeconds();
    app::refreshAfterScan(ctx, state, 7, now);
    ReportFacts facts = app::reportFacts(ctx, prefs, oui);
    std::string text =
        asJson ? reportJson(facts, now).dump(2, ' ', false, json::error_handler_t::replace) + "\n"
               : diagnosticsReport(facts, now) + "\n";
    if (out.empty()) {
      std::fwrite(text.data(), 1, text.size(), stdout);
      return kExitOk;
    }
    Status written = writeFileAtomically(
        systemFileOps(), out,
        ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0600);
    if (written.ok()) return kExitOk;
    std::fprintf(stderr, "strandline-cli: the report could not be written to %s: %s\n", out.c_str(),
                 written.message.c_str());
    return kExitFailure;
  });
}

}  // namespace

void addReportCommand(CLI::App& app, Action& action) {
  auto o = std::make_shared<ReportOptions>();
  CLI::App* sub = app.add_subcommand(
      "report", "the diagnostics report (text or JSON) after discovery and one scan");
  sub->add_option("--out", o->out, "write the report into FILE instead of stdout")
      ->type_name("FILE");
  addJsonFlag(*sub, o->json, "the report's facts as JSON");
  addFlowOptions(*sub, o->flow);
  onRun(*sub, action, [o] { return runReport(*o); });
}

}  // namespace strandline::cli
