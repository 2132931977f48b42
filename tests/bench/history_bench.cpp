// The rate history: what the engine thread pays per scan cycle (turning the
// snapshot into a cycle and queueing it) and what the writer thread pays to
// store one cycle of 32 stations and the local adapter.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "core/history_recorder.h"
#include "unit/storage_test_util.h"

namespace strandline {
namespace {

EngineSnapshot snapshot32() {
  EngineSnapshot s;
  s.phase = 7;
  s.scanPhase = 7;
  s.cardCount = 1;
  s.adapters[0].present = 1;
  s.adapters[0].mac = {0x02, 0x5A, 0, 0, 0, 0};
  for (std::size_t i = 0; i < kMaxStations; ++i) {
    StationRecord& st = s.networks[0].stations[i];
    st.mac = {0x02, 0x5A, 0, 0, 1, static_cast<std::uint8_t>(i + 1)};
    st.valid = 1;
    st.missesLeft = 2;
    st.tx.current = 100 + static_cast<double>(i);
    st.rx.current = 90 + static_cast<double>(i);
  }
  return s;
}

HistoryCycle cycle32(std::int64_t timeMs) {
  std::map<std::pair<int, MacAddress>, std::uint32_t> lastSent;
  EngineSnapshot s = snapshot32();
  s.wallMs = timeMs;
  return historyCycleOf(s, lastSent);
}

// The engine thread's share: the snapshot becomes a cycle and joins the queue.
void BM_HistoryTakeOnTheScanThread(benchmark::State& state) {
  test::ScratchFolder folder;
  HistoryRecorder recorder({folder.file(kHistoryFileName), {}, {}, {}});
  EngineSnapshot s = snapshot32();
  for (auto _ : state) {
    ++s.cyclesCompleted;
    s.wallMs += 9000;
    for (StationRecord& st : s.networks[0].stations) ++st.sent;
    recorder.take(s);
  }
  recorder.flush();
}
BENCHMARK(BM_HistoryTakeOnTheScanThread);

// The writer thread's share: one transaction of 33 samples.
void BM_HistoryRecordCycle32(benchmark::State& state) {
  test::ScratchFolder folder;
  RateHistory history;
  if (!history.openForWriting(folder.file(kHistoryFileName), {}).ok()) {
    state.SkipWithError("cannot open the history");
    return;
  }
  HistoryCycle cycle = cycle32(1'800'000'000'000);
  for (auto _ : state) {
    cycle.timeMs += 9000;
    benchmark::DoNotOptimize(history.record(cycle));
  }
}
BENCHMARK(BM_HistoryRecordCycle32);

// Two days of 9-second cycles of 32 stations (the full-resolution span at
// the default scan interval) and five more days folded: the file's size.
void BM_HistoryWeekFileSize(benchmark::State& state) {
  for (auto _ : state) {
    test::ScratchFolder folder;
    std::string path = folder.file(kHistoryFileName);
    RateHistory history;
    if (!history.openForWriting(path, {}).ok()) {
      state.SkipWithError("cannot open the history");
      return;
    }
    const std::int64_t start = 1'800'000'000'000, end = start + 7 * 24 * 3600'000LL;
    for (std::int64_t t = start; t < end; t += 9000) history.record(cycle32(t));
    history.close();
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
  }
}
BENCHMARK(BM_HistoryWeekFileSize)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace strandline
