// strandline-cli scan: discovery, N full scan cycles, then the local adapters
// and the current card's station table.
#include <cstdio>
#include <future>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/flow_runner.h"
#include "cli/link_setup.h"
#include "cli/options.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/engine.h"

namespace strandline::cli {

namespace {

constexpr const char* kSynopsis =
    "scan [--interface IF]... [--cycles N] [--interval N] [--json] [--stats] [--simulate FILE]";

struct ScanOptions {
  CommonOptions common;
  int cycles = 1;
  int interval = 30;
  bool json = false;
  bool stats = false;  // frames sent and the time of the network query, on stderr
};

bool parse(const Args& args, ScanOptions& options) {
  Args rest;
  if (!parseCommonOptions(args, options.common, rest)) return false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    if (a == "--json") {
      options.json = true;
    } else if (a == "--stats") {
      options.stats = true;
    } else if (a == "--cycles" && i + 1 < rest.size()) {
      if (!parseNumberOption(a, rest[++i], 1, kMaxCycles, options.cycles)) return false;
    } else if (a == "--interval" && i + 1 < rest.size()) {
      if (!parseNumberOption(a, rest[++i], 1, kMaxInterval, options.interval)) return false;
    } else {
      return false;
    }
  }
  return true;
}

nlohmann::json ratesJson(const RateStats& r) {
  return {{"current", r.current}, {"lowest", r.lowest}, {"highest", r.highest}};
}

nlohmann::json toJson(const EngineSnapshot& s) {
  nlohmann::json adapters = nlohmann::json::array();
  for (int card = 0; card < s.cardCount; ++card) {
    const LocalAdapter& a = s.adapters[static_cast<std::size_t>(card)];
    const AdapterNetwork& n = s.networks[static_cast<std::size_t>(card)];
    if (!a.present) continue;
    adapters.push_back({{"card", card},
                        {"interface", s.cardNames[static_cast<std::size_t>(card)]},
                        {"cardMac", macToText(n.cardMac)},
                        {"adapterMac", macToText(a.mac)},
                        {"kind", kindTextFor(a.kind)},
                        {"firmware", n.firmware.str()},
                        {"networkName", n.networkName.str()}});
  }
  nlohmann::json stations = nlohmann::json::array();
  for (const StationRecord& st : s.networks[static_cast<std::size_t>(s.currentCard)].stations) {
    if (!macIsSet(st.mac.data())) continue;
    stations.push_back({{"mac", macToText(st.mac)},
                        {"kind", st.kind},
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

void printText(const EngineSnapshot& s) {
  std::printf("Local adapters:\n");
  for (int card = 0; card < s.cardCount; ++card) {
    const LocalAdapter& a = s.adapters[static_cast<std::size_t>(card)];
    const AdapterNetwork& n = s.networks[static_cast<std::size_t>(card)];
    if (!a.present) continue;
    std::printf("  card %d %s %s adapter %s  %s  %s  network \"%s\"\n", card,
                s.cardNames[static_cast<std::size_t>(card)].c_str(), macToText(n.cardMac).c_str(),
                macToText(a.mac).c_str(), kindTextFor(a.kind).c_str(), n.firmware.str().c_str(),
                n.networkName.str().c_str());
  }
  std::printf("Stations on card %d:\n", s.currentCard);
  std::printf("  %-17s %4s %-32s %15s %15s %5s %5s\n", "MAC", "kind", "firmware", "TX cur/lo/hi",
              "RX cur/lo/hi", "left", "valid");
  for (const StationRecord& st : s.networks[static_cast<std::size_t>(s.currentCard)].stations) {
    if (!macIsSet(st.mac.data())) continue;
    std::printf("  %-17s %4u %-32s %5.0f/%4.0f/%4.0f %5.0f/%4.0f/%4.0f %5d %5u\n",
                macToText(st.mac).c_str(), st.kind, st.firmware.str().c_str(), st.tx.current,
                st.tx.lowest, st.tx.highest, st.rx.current, st.rx.lowest, st.rx.highest,
                st.missesLeft, st.valid);
  }
}

}  // namespace

int runScan(const Args& args) {
  ScanOptions options;
  if (!parse(args, options)) return usage(kSynopsis);
  LinkSetup setup;
  std::string error;
  if (!makeLink(options.common, setup, error)) {
    std::fprintf(stderr, "strandline-cli: %s\n", error.c_str());
    return kExitFailure;
  }
  RecordingPrompter prompter;
  auto context = std::make_unique<ProgramContext>(*setup.link, *setup.clock, prompter);
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
    std::printf("%s\n", toJson(snapshot).dump(2).c_str());
  else
    printText(snapshot);
  if (options.stats)
    std::fprintf(stderr, "stats: cycles %u, frames sent %llu, last network query %llu ms\n",
                 snapshot.cyclesCompleted, static_cast<unsigned long long>(snapshot.framesSent),
                 static_cast<unsigned long long>(snapshot.lastPhase3Ms));
  return kExitOk;
}

}  // namespace strandline::cli
