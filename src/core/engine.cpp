#include "core/engine.h"

#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"

namespace strandline {

EngineSnapshot takeSnapshot(const ProgramContext& ctx, int phase) {
  EngineSnapshot s;
  s.phase = phase;
  s.scanPhase = ctx.scan.phase;
  s.cyclesCompleted = ctx.scan.cyclesCompleted;
  s.currentCard = ctx.cards.currentCard;
  s.cardCount = ctx.cards.count;
  for (int i = 0; i < ctx.cards.count; ++i)
    s.cardNames[static_cast<std::size_t>(i)] =
        ctx.cards.cards[static_cast<std::size_t>(i)].deviceName;
  s.adapters = ctx.adapters;
  s.networks = ctx.networks;
  s.known = ctx.known;
  s.avMode = ctx.avMode;
  s.kestrelMode = ctx.kestrelMode;
  s.scanPaused = ctx.scan.paused;
  s.networkName = ctx.avMode ? ctx.avNetworkName : ctx.hp1NetworkName;
  s.framesSent = ctx.cards.framesSent;
  s.lastPhase3Ms = ctx.scan.lastPhase3Ms;
  s.wallMs = ctx.clock.wallMs();
  s.missesTillDrop = ctx.missesTillDrop;
  return s;
}

Engine::Engine(std::unique_ptr<ProgramContext> context) : context_(std::move(context)) {}

Engine::~Engine() {
  stop();
}

void Engine::start() {
  if (thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  thread_ = std::thread([this] { run(); });
}

void Engine::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    std::erase_if(tasks_, [](const Queued& q) { return q.whenStopping == WhenStopping::Drop; });
  }
  context_->clock.wake();
  if (thread_.joinable()) {
    thread_.join();
    return;
  }
  // Never started: the kept tasks run here, the only thread there is.
  Task task;
  while (takeTask(task)) task(*context_);
}

bool Engine::stopping() {
  std::lock_guard lock(mutex_);
  return stopping_;
}

void Engine::post(Task task, WhenStopping whenStopping) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && whenStopping == WhenStopping::Drop) return;
    tasks_.push_back({std::move(task), whenStopping});
  }
  context_->clock.wake();
}

void Engine::addListener(Listener listener) {
  std::lock_guard lock(mutex_);
  listeners_.push_back(std::move(listener));
}

void Engine::publish(int phase) {
  EngineSnapshot snapshot = takeSnapshot(*context_, phase);
  std::vector<Listener> listeners;
  {
    std::lock_guard lock(mutex_);
    listeners = listeners_;
  }
  for (const Listener& listener : listeners) listener(snapshot);
}

bool Engine::takeTask(Task& task) {
  std::lock_guard lock(mutex_);
  if (tasks_.empty()) return false;
  task = std::move(tasks_.front().task);
  tasks_.pop_front();
  return true;
}

void Engine::idleUntil(std::uint64_t deadlineMs) {
  ProgramContext& ctx = *context_;
  auto hasWork = [this] {
    std::lock_guard lock(mutex_);
    return stopping_ || !tasks_.empty();
  };
  ctx.clock.waitUntil(deadlineMs, hasWork);
}

void Engine::run() {
  ProgramContext& ctx = *context_;
  runUntilStopped();
  // Only kept tasks are left (stop dropped the rest, and post drops new commands).
  Task task;
  while (takeTask(task)) task(ctx);
}

void Engine::runUntilStopped() {
  ProgramContext& ctx = *context_;
  std::uint64_t nextTick = ctx.clock.nowMs();
  for (;;) {
    if (stopping()) return;
    Task task;
    while (takeTask(task)) {
      task(ctx);
      if (stopping()) return;
    }
    std::uint64_t period = scanTimerPeriodMs(ctx.scan.ticksPerPhase);
    std::uint64_t now = ctx.clock.nowMs();
    if (!ctx.scan.timerRunning) {
      idleUntil(now + 1000);
      nextTick = ctx.clock.nowMs() + period;
      continue;
    }
    if (now >= nextTick) {
      scanTick(ctx);
      // A tick that overran its period does not queue up the ticks it missed.
      nextTick += period;
      std::uint64_t after = ctx.clock.nowMs();
      if (nextTick <= after) nextTick = after + period;
      continue;
    }
    idleUntil(nextTick);
  }
}

}  // namespace strandline
