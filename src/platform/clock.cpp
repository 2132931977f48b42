#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace strandline {

static std::uint64_t steadyMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t SystemClock::nowMs() {
  return steadyMs();
}

void SystemClock::sleepMs(std::uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t systemWallSeconds() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

bool SystemClock::waitUntil(std::uint64_t deadlineMs, const std::function<bool()>& ready) {
  std::unique_lock lock(mutex_);
  for (;;) {
    // A wake-up counted after this point ends the wait below at once.
    std::uint64_t seen = wakeups_;
    if (ready()) return true;
    std::uint64_t now = nowMs();
    if (now >= deadlineMs) return false;
    wake_.wait_for(lock, std::chrono::milliseconds(deadlineMs - now),
                   [&] { return wakeups_ != seen; });
  }
}

void SystemClock::wake() {
  {
    std::lock_guard lock(mutex_);
    ++wakeups_;
  }
  wake_.notify_all();
}

VirtualClock::VirtualClock(bool paced)
    : paced_(paced), startReal_(steadyMs()), startWall_(systemWallSeconds()) {}

std::int64_t VirtualClock::wallMs() {
  return startWall_ * 1000 + static_cast<std::int64_t>(nowMs());
}

std::int64_t SystemClock::wallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t VirtualClock::wallSeconds() {
  return startWall_ + static_cast<std::int64_t>(nowMs() / 1000);
}

std::uint64_t VirtualClock::nowMs() {
  std::lock_guard lock(mutex_);
  if (paced_) now_ = steadyMs() - startReal_;
  return now_;
}

void VirtualClock::sleepMs(std::uint32_t ms) {
  std::uint64_t deadline = nowMs() + ms;
  waitUntil(deadline, [] { return false; });
}

void VirtualClock::schedule(std::uint64_t atMs, std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    events_.emplace(std::make_pair(atMs, sequence_++), std::move(fn));
    ++wakeups_;
  }
  wake_.notify_all();
}

void VirtualClock::wake() {
  {
    std::lock_guard lock(mutex_);
    ++wakeups_;
  }
  wake_.notify_all();
}

std::size_t VirtualClock::pendingEvents() {
  std::lock_guard lock(mutex_);
  return events_.size();
}

bool VirtualClock::waitUntil(std::uint64_t deadlineMs, const std::function<bool()>& ready) {
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard lock(mutex_);
      seen = wakeups_;
    }
    if (ready()) return true;
    std::function<void()> due;
    {
      std::unique_lock lock(mutex_);
      if (paced_) now_ = steadyMs() - startReal_;
      bool eventDue = !events_.empty() && events_.begin()->first.first <= now_;
      if (!eventDue) {
        if (now_ >= deadlineMs) return false;
        std::uint64_t until = deadlineMs;
        if (!events_.empty()) until = std::min(until, events_.begin()->first.first);
        // A wake-up counted since `seen` (an event scheduled, or wake) ends the wait at once.
        if (paced_)
          wake_.wait_for(lock, std::chrono::milliseconds(until - now_),
                         [&] { return wakeups_ != seen; });
        else
          now_ = until;
        continue;
      }
      auto first = events_.begin();
      due = std::move(first->second);
      events_.erase(first);
    }
    due();
  }
}

}  // namespace strandline
