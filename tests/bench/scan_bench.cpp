// One scan cycle over the 32-station simulated network on virtual time:
// the real time it costs, the frames it sends and the virtual time of the
// network query (phase 3).
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "platform/memory_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"

namespace strandline {
namespace {

void BM_ScanCycleVirtual32(benchmark::State& state) {
  std::ifstream in(std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/large32.json");
  std::stringstream text;
  text << in.rdbuf();
  sim::Medium medium;
  std::string error;
  if (!sim::parseNetwork(text.str(), medium, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  VirtualClock clock;
  MemoryLink link(clock);
  sim::Simulation simulation(std::move(medium));
  simulation.setHost({[&] { return clock.nowMs(); },
                      [&](std::uint64_t delay, std::function<void()> fn) {
                        clock.scheduleIn(delay, std::move(fn));
                      },
                      [&](const std::string& card, ByteView frame) { link.deliver(card, frame); }});
  simulation.attach(link);
  RecordingPrompter prompter;
  ProgramContext ctx(link, clock, prompter);
  if (!startDiscovery(ctx, 7, 3, nullptr, true)) {
    state.SkipWithError("no adapter");
    return;
  }
  std::uint64_t frames = 0, cycles = 0;
  for (auto _ : state) {
    std::uint64_t sentBefore = ctx.cards.framesSent;
    std::uint32_t target = ctx.scan.cyclesCompleted + 1;
    while (ctx.scan.cyclesCompleted < target) {
      clock.sleepMs(scanTimerPeriodMs(ctx.scan.ticksPerPhase));
      scanTick(ctx);
    }
    frames += ctx.cards.framesSent - sentBefore;
    ++cycles;
  }
  state.counters["frames_per_cycle"] = static_cast<double>(frames) / static_cast<double>(cycles);
  state.counters["phase3_virtual_ms"] = static_cast<double>(ctx.scan.lastPhase3Ms);
}
BENCHMARK(BM_ScanCycleVirtual32)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace strandline
