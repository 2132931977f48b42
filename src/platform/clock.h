// The clock port: milliseconds, sleeping, waiting for work, and wall time.
//
// SystemClock is real time. VirtualClock keeps a queue of due events (the
// simulator's answers, reboots, ...): in virtual mode waiting jumps straight to
// the next event, so a ten-second wait costs no real time; in paced mode it
// really waits, which lets the in-process simulator serve the window.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace strandline {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint64_t nowMs() = 0;
  virtual void sleepMs(std::uint32_t ms) = 0;
  // Waits until ready() holds or the clock reaches deadlineMs; returns ready().
  // ready() is checked at the start and after every wake-up.
  virtual bool waitUntil(std::uint64_t deadlineMs, const std::function<bool()>& ready) = 0;
  // Wakes a waitUntil in another thread, which then checks ready() again.
  virtual void wake() = 0;
  // Seconds since 1970, for time stamps and seeds.
  virtual std::int64_t wallSeconds() = 0;
  // Milliseconds since 1970, for time stamps finer than a second.
  virtual std::int64_t wallMs() { return wallSeconds() * 1000; }
};

// Seconds since 1970 on the system's clock.
std::int64_t systemWallSeconds();

class SystemClock final : public Clock {
 public:
  std::uint64_t nowMs() override;
  void sleepMs(std::uint32_t ms) override;
  bool waitUntil(std::uint64_t deadlineMs, const std::function<bool()>& ready) override;
  void wake() override;
  std::int64_t wallSeconds() override { return systemWallSeconds(); }
  std::int64_t wallMs() override;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::uint64_t wakeups_ = 0;  // counts wake() calls
};

class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(bool paced = false);

  std::uint64_t nowMs() override;
  void sleepMs(std::uint32_t ms) override;
  // Advances the clock, running due events, until ready() holds (checked after
  // every event) or the deadline is reached. Returns ready().
  bool waitUntil(std::uint64_t deadlineMs, const std::function<bool()>& ready) override;
  // Wakes a paced wait early (another thread made something ready).
  void wake() override;
  // The system's wall time when the clock was made, advanced by the clock.
  std::int64_t wallSeconds() override;
  std::int64_t wallMs() override;

  // Runs fn once the clock reaches atMs (events at the same time run in the
  // order they were scheduled). Safe to call from an event.
  void schedule(std::uint64_t atMs, std::function<void()> fn);
  void scheduleIn(std::uint64_t delayMs, std::function<void()> fn) {
    schedule(nowMs() + delayMs, std::move(fn));
  }

  std::size_t pendingEvents();

 private:
  bool paced_;
  std::uint64_t wakeups_ = 0;  // counts wake() calls and scheduled events
  std::uint64_t startReal_ = 0;
  std::int64_t startWall_ = 0;
  std::uint64_t now_ = 0;
  std::uint64_t sequence_ = 0;
  std::multimap<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> events_;
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace strandline
