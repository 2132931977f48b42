// Records the rate history off the scan's path: the engine thread turns the
// snapshot at the end of each scan cycle into a history cycle and queues it
// (no file access); a writer thread of its own stores the queue.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/engine.h"
#include "storage/rate_history.h"

namespace strandline {

// The current card's stations (every slot that holds a MAC) and its local
// adapter, as one cycle of history. `lastSent` holds each station's seen
// counter from the cycle before, per card: a station answered in this cycle
// when the counter moved (on first sight: when it was seen in the cycle that
// just ended). Empty when the card has no adapter.
HistoryCycle historyCycleOf(const EngineSnapshot& snapshot,
                            std::map<std::pair<int, MacAddress>, std::uint32_t>& lastSent);

// True for the snapshot the scan hands out as a cycle ends (not for a redraw
// that repeats phase 7 afterwards).
inline bool endsScanCycle(const EngineSnapshot& s) {
  return s.phase == 7 && s.scanPhase == 7;
}

struct HistoryRecorderOptions {
  std::string path;  // the history file
  HistoryRetention retention;
  // On the writer thread: a problem for the user (a damaged file set aside,
  // a file that cannot be opened or written).
  std::function<void(const std::string&)> notice;
  // On the writer thread, after each cycle is stored.
  std::function<void()> written;
};

class HistoryRecorder {
 public:
  explicit HistoryRecorder(HistoryRecorderOptions options);
  // Stores what is still queued, then closes the file.
  ~HistoryRecorder();
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  // Engine thread: the snapshot that ends a cycle (endsScanCycle) is queued
  // once per cycle; other snapshots are ignored.
  void take(const EngineSnapshot& snapshot);
  // Queues a cycle as it is (tests and benchmarks).
  void queue(HistoryCycle cycle);
  // Waits until every queued cycle is stored (or given up).
  void flush();

  std::uint64_t cyclesStored();
  std::uint64_t cyclesDropped();  // lost to a full queue or a failed write

  // At most this many cycles wait; the oldest goes when a writer falls behind.
  static constexpr std::size_t kMaxQueued = 4096;

 private:
  void run();

  HistoryRecorderOptions options_;
  // Engine thread only.
  std::map<std::pair<int, MacAddress>, std::uint32_t> lastSent_;
  bool haveLastCycle_ = false;
  std::uint32_t lastCycle_ = 0;
  // Shared with the writer.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<HistoryCycle> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::uint64_t stored_ = 0;
  std::uint64_t dropped_ = 0;
  std::thread writer_;
};

}  // namespace strandline
