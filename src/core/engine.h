// The engine thread: it owns the program context, runs the scan timer and
// every flow that talks to devices, and takes commands as posted tasks. After
// each refresh it hands listeners a snapshot; nothing outside the thread
// touches the context.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/program_context.h"

namespace strandline {

// What the window and the command line draw from.
struct EngineSnapshot {
  int phase = 0;  // the phase of the refresh that produced it (7: end of a cycle)
  // The scan's own phase when the snapshot was taken: 7 only while a cycle
  // ends, so a later redraw that repeats phase 7 is told apart.
  std::int32_t scanPhase = 0;
  std::uint32_t cyclesCompleted = 0;
  std::int32_t currentCard = 0;
  std::int32_t cardCount = 0;
  std::array<std::string, kMaxCards> cardNames;
  std::array<LocalAdapter, kMaxCards> adapters{};
  std::array<AdapterNetwork, kMaxCards> networks{};
  const AdapterNetwork& network() const { return networks[static_cast<std::size_t>(currentCard)]; }
  KnownDeviceTable known;
  bool avMode = false;
  bool kestrelMode = false;
  bool scanPaused = false;
  std::string networkName;  // of the current adapter's network
  std::uint64_t framesSent = 0;
  std::uint64_t lastPhase3Ms = 0;
  std::int64_t wallMs = 0;          // when the snapshot was taken, ms since 1970
  std::uint8_t missesTillDrop = 3;  // cycles a station may miss before it leaves the table
};

EngineSnapshot takeSnapshot(const ProgramContext& ctx, int phase);

class Engine {
 public:
  using Task = std::function<void(ProgramContext&)>;
  using Listener = std::function<void(const EngineSnapshot&)>;

  explicit Engine(std::unique_ptr<ProgramContext> context);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // What stop() does with a task still queued. Commands are dropped; a task
  // that only records state or writes files (the column layout, a database
  // save) is kept and runs before the thread ends, so that a closing window
  // loses nothing it queued.
  enum class WhenStopping { Drop, Run };

  void start();
  // Finishes the task that is running, drops the queued tasks that are not
  // kept, runs the kept ones in order, joins the thread.
  void stop();
  // True once stop() was called.
  bool stopping();
  void post(Task task, WhenStopping whenStopping = WhenStopping::Drop);
  // Listeners are called on the engine thread; they must not block on the engine.
  void addListener(Listener listener);
  // Builds a snapshot and hands it to every listener (from the engine thread).
  void publish(int phase);

  bool running() const { return thread_.joinable(); }

 private:
  struct Queued {
    Task task;
    WhenStopping whenStopping;
  };

  void run();
  void runUntilStopped();
  bool takeTask(Task& task);
  void idleUntil(std::uint64_t deadlineMs);

  std::unique_ptr<ProgramContext> context_;
  std::thread thread_;
  std::mutex mutex_;
  std::deque<Queued> tasks_;
  std::vector<Listener> listeners_;
  bool stopping_ = false;
};

}  // namespace strandline
