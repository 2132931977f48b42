// A program context on the in-process simulator and the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "platform/memory_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"

namespace strandline::testing {

inline std::string readNetworkFile(const std::string& name) {
  std::ifstream in(std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DiscoveryFixture : public ::testing::Test {
 protected:
  // Loads a network description (JSON text) and builds a fresh context on it.
  void load(const std::string& json) {
    sim::Medium medium;
    std::string error;
    ASSERT_TRUE(sim::parseNetwork(json, medium, error)) << error;
    simulation = std::make_unique<sim::Simulation>(std::move(medium));
    simulation->setHost(
        {[this] { return clock.nowMs(); },
         [this](std::uint64_t delay, std::function<void()> fn) {
           clock.scheduleIn(delay, std::move(fn));
         },
         [this](const std::string& card, ByteView frame) { link.deliver(card, frame); }});
    simulation->attach(link);
    ctx = std::make_unique<ProgramContext>(link, clock, prompter);
  }
  void loadFile(const std::string& name) { load(readNetworkFile(name)); }

  bool discover(int interval = 7) {
    return startDiscovery(
        *ctx, interval, 3, [this](int phase) { notified.push_back(phase); }, true);
  }

  // Runs timer ticks until n more scan cycles have completed.
  void runCycles(int n) {
    std::uint32_t target = ctx->scan.cyclesCompleted + static_cast<std::uint32_t>(n);
    for (int guard = 0; ctx->scan.cyclesCompleted < target && guard < 100000; ++guard) {
      clock.sleepMs(scanTimerPeriodMs(ctx->scan.ticksPerPhase));
      scanTick(*ctx);
    }
    ASSERT_GE(ctx->scan.cyclesCompleted, target);
  }

  AdapterNetwork& network(int card = 0) { return ctx->networks[static_cast<std::size_t>(card)]; }
  const StationRecord* station(const char* mac) {
    MacAddress m{};
    EXPECT_TRUE(parseMac(mac, m));
    return findStation(*ctx, m);
  }
  int validStations() {
    int n = 0;
    for (const StationRecord& s : network(ctx->cards.currentCard).stations) n += s.valid ? 1 : 0;
    return n;
  }

  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  std::unique_ptr<sim::Simulation> simulation;
  std::unique_ptr<ProgramContext> ctx;
  std::vector<int> notified;
};

}  // namespace strandline::testing
