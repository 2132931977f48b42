// strandline-cli scan: discovery, N full scan cycles, then the local adapters
// and the current card's station table, with the device names from the
// device database and the vendors from the OUI list.
#include <cstdio>
#include <future>
#include <memory>

#include <nlohmann/json.hpp>

#include "cli/adapter_json.h"
#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/known_names.h"
#include "cli/link_setup.h"
#include "cli/options.h"
#include "cli/text_table.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/engine.h"
#include "platform/data_folder.h"
#include "storage/oem_prefs.h"
#include "storage/oui_list.h"

namespace strandline::cli {

namespace {

struct ScanOptions {
  CommonOptions common;
  int cycles = 1;
  int interval = 30;
  bool json = false;
  bool stats = false;        // frames sent and the time of the network query, on stderr
  std::string databasePath;  // the names; empty: the window's database
};

// What the rows show beside the snapshot: names and vendors.
struct Naming {
  OuiList oui;
  OemPrefs prefs;

  std::string name(const EngineSnapshot& s, const MacAddress& mac) const {
    int position = findKnownByMac(s.known, mac);
    return position ? s.known.at(position).name.str() : std::string();
  }
  std::string vendor(const MacAddress& mac) const {
    return vendorNameFor(oui, mac, prefs.oui, prefs.vendorName);
  }
};

// An adapter's or station's kind in words. The window's lists say "HomePlug
// 1.0 Device" and "HomePlug Boost Device", and "Powerline device" for AV,
// which a table of kinds has to tell apart.
std::string kindWords(std::uint32_t kind, bool local) {
  switch (kind) {
    case kKindUsb:
      return local ? "HomePlug 1.0 USB" : "HomePlug 1.0";
    case kKindHomePlug10:
      return "HomePlug 1.0";
    case kKindBoost:
      return "HomePlug Boost";
    case kKindAv:
    case kKindAvTsc4000:
      return "HomePlug AV";
    default:
      return "adapter";
  }
}

std::string ratesText(const RateStats& r) {
  char text[48];
  std::snprintf(text, sizeof text, "%.0f/%.0f/%.0f", r.current, r.lowest, r.highest);
  return text;
}

nlohmann::json ratesJson(const RateStats& r) {
  return {{"current", r.current}, {"lowest", r.lowest}, {"highest", r.highest}};
}

nlohmann::json toJson(const EngineSnapshot& s, const Naming& naming) {
  nlohmann::json adapters = nlohmann::json::array();
  for (int card = 0; card < s.cardCount; ++card) {
    const LocalAdapter& a = s.adapters[static_cast<std::size_t>(card)];
    const AdapterNetwork& n = s.networks[static_cast<std::size_t>(card)];
    if (!a.present) continue;
    nlohmann::json adapter = adapterJson(s, card);
    adapter["cardMac"] = macToText(n.cardMac);
    adapter["name"] = naming.name(s, a.mac);
    adapter["vendor"] = naming.vendor(a.mac);
    adapter["kindText"] = kindWords(a.kind, true);
    adapter["networkName"] = n.networkName.str();
    adapters.push_back(std::move(adapter));
  }
  nlohmann::json stations = nlohmann::json::array();
  for (const StationRecord& st : s.network().stations) {
    if (!macIsSet(st.mac.data())) continue;
    stations.push_back({{"mac", macToText(st.mac)},
                        {"name", naming.name(s, st.mac)},
                        {"vendor", naming.vendor(st.mac)},
                        {"kind", st.kind},
                        {"kindText", kindWords(st.kind, false)},
                        {"firmware", st.firmware.str()},
                        {"tx", ratesJson(st.tx)},
                        {"rx", ratesJson(st.rx)},
                        {"missesLeft", st.missesLeft},
                        {"valid", st.valid}});
  }
  return {{"currentCard", s.currentCard},
          {"cycles", s.cyclesCompleted},
          {"adapters", adapters},
          {"stations", stations}};
}

void printTable(const std::vector<std::vector<std::string>>& rows,
                const std::vector<bool>& rightAligned) {
  for (const std::string& line : alignColumns(rows, rightAligned))
    std::printf("  %s\n", line.c_str());
}

std::string orDash(std::string text) {
  return text.empty() ? "-" : text;
}

void printText(const EngineSnapshot& s, const Naming& naming) {
  std::printf("Local adapters:\n");
  std::vector<std::vector<std::string>> rows = {{"CARD", "INTERFACE", "CARD MAC", "ADAPTER MAC",
                                                 "NAME", "VENDOR", "KIND", "FIRMWARE", "NETWORK"}};
  for (int card = 0; card < s.cardCount; ++card) {
    const LocalAdapter& a = s.adapters[static_cast<std::size_t>(card)];
    const AdapterNetwork& n = s.networks[static_cast<std::size_t>(card)];
    if (!a.present) continue;
    rows.push_back({std::to_string(card), s.cardNames[static_cast<std::size_t>(card)],
                    macToText(n.cardMac), macToText(a.mac), orDash(naming.name(s, a.mac)),
                    naming.vendor(a.mac), kindWords(a.kind, true), orDash(n.firmware.str()),
                    orDash(n.networkName.str())});
  }
  printTable(rows, {true});
  std::printf("Stations on card %d:\n", s.currentCard);
  rows = {{"MAC", "NAME", "VENDOR", "KIND", "FIRMWARE", "TX NOW/LOW/HIGH", "RX NOW/LOW/HIGH",
           "LEFT", "VALID"}};
  for (const StationRecord& st : s.network().stations) {
    if (!macIsSet(st.mac.data())) continue;
    rows.push_back({macToText(st.mac), orDash(naming.name(s, st.mac)), naming.vendor(st.mac),
                    kindWords(st.kind, false), orDash(st.firmware.str()), ratesText(st.tx),
                    ratesText(st.rx), std::to_string(st.missesLeft), st.valid ? "yes" : "no"});
  }
  printTable(rows, {false, false, false, false, false, true, true, true, false});
}

int runScan(const ScanOptions& options) {
  // The names come from the database the window keeps (its demo folder's
  // for a simulated network), read without touching it.
  std::string dbPath = options.databasePath;
  if (dbPath.empty())
    dbPath = databaseIn(defaultDataFolder() + (options.common.simulateFile.empty() ? "" : "/demo"));
  Naming naming{loadOuiList(findShippedFile(kOuiListFileName)),
                readOemPrefs(findShippedFile(kOemPrefsFileName)).prefs};
  LinkSetup setup;
  std::string error;
  if (!makeLink(options.common, setup, error)) {
    std::fprintf(stderr, "strandline-cli: %s\n", error.c_str());
    return kExitFailure;
  }
  RecordingPrompter prompter;
  auto context = std::make_unique<ProgramContext>(*setup.link, *setup.clock, prompter);
  context->known = readKnownNames(dbPath);
  Engine engine(std::move(context));
  enum class Outcome { Done, NoAdapter, NoPermission };
  std::promise<std::pair<Outcome, std::string>> finished;
  std::promise<EngineSnapshot> result;
  bool delivered = false;
  std::mutex mutex;
  engine.addListener([&](const EngineSnapshot& s) {
    std::lock_guard lock(mutex);
    if (delivered || s.phase != 7 || s.cyclesCompleted < static_cast<std::uint32_t>(options.cycles))
      return;
    delivered = true;
    result.set_value(s);
    finished.set_value({Outcome::Done, {}});
  });
  Engine* e = &engine;
  engine.post([&, e](ProgramContext& ctx) {
    bool found = startDiscovery(
        ctx, options.interval, 3, [e](int phase) { e->publish(phase); }, true);
    if (found) return;
    std::lock_guard lock(mutex);
    delivered = true;
    std::string problem = capturePermissionProblem(ctx.cards);
    finished.set_value({problem.empty() ? Outcome::NoAdapter : Outcome::NoPermission, problem});
  });
  engine.start();
  auto [outcome, message] = finished.get_future().get();
  engine.stop();

  if (outcome == Outcome::NoPermission || outcome == Outcome::NoAdapter)
    return reportNoAdapter(message);
  EngineSnapshot snapshot = result.get_future().get();
  if (options.json)
    std::printf("%s\n", toJson(snapshot, naming)
                            .dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
                            .c_str());
  else
    printText(snapshot, naming);
  if (options.stats)
    std::fprintf(stderr, "stats: cycles %u, frames sent %llu, last network query %llu ms\n",
                 snapshot.cyclesCompleted, static_cast<unsigned long long>(snapshot.framesSent),
                 static_cast<unsigned long long>(snapshot.lastPhase3Ms));
  return kExitOk;
}

}  // namespace

void addScanCommand(CLI::App& app, Action& action) {
  auto o = std::make_shared<ScanOptions>();
  CLI::App* sub = app.add_subcommand(
      "scan", "find the local adapters, scan their networks and print the stations");
  addCommonOptions(*sub, o->common);
  addNumberOption(*sub, "--cycles", o->cycles, 1, kMaxCycles,
                  "whole scan cycles before the table is printed (default 1)");
  addNumberOption(*sub, "--interval", o->interval, 1, kMaxInterval,
                  "scan interval: timer ticks per scan phase (default 30)");
  addJsonFlag(*sub, o->json, "print the adapters and stations as JSON");
  sub->add_flag("--stats", o->stats, "frames sent and the time of the network query, on stderr");
  addDatabaseOption(*sub, o->databasePath,
                    "the device database the names come from (default: the window's)");
  onRun(*sub, action, [o] { return runScan(*o); });
}

}  // namespace strandline::cli
