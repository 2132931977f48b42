// The clock port: a wait ends when another thread makes it ready and wakes it,
// on both clocks, and the virtual clock runs its events in time order.
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace strandline {
namespace {

// A wake-up from another thread ends the wait long before its deadline; a
// lost wake-up would make it last the full minute and fail the check.
void expectWakeEndsTheWait(Clock& clock) {
  std::atomic<bool> ready{false};
  std::uint64_t deadline = clock.nowMs() + 60000;
  std::thread other([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the wait begin
    ready = true;
    clock.wake();
  });
  EXPECT_TRUE(clock.waitUntil(deadline, [&] { return ready.load(); }));
  EXPECT_LT(clock.nowMs(), deadline);
  other.join();
}

TEST(Clock, AWakeUpEndsTheWait) {
  SystemClock system;
  expectWakeEndsTheWait(system);
  VirtualClock paced(true);
  expectWakeEndsTheWait(paced);
}

TEST(Clock, VirtualWaitsRunDueEventsAndJumpToTheDeadline) {
  VirtualClock clock;
  std::string order;
  clock.schedule(300, [&] { order += "c"; });
  clock.schedule(100, [&] { order += "a"; });
  clock.schedule(100, [&] { order += "b"; });
  EXPECT_FALSE(clock.waitUntil(200, [] { return false; }));
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(clock.nowMs(), 200u);
  EXPECT_TRUE(clock.waitUntil(10000, [&] { return order.size() == 3; }));
  EXPECT_EQ(clock.nowMs(), 300u);
  std::int64_t start = clock.wallSeconds();
  clock.sleepMs(5000);
  EXPECT_EQ(clock.wallSeconds(), start + 5);
}

}  // namespace
}  // namespace strandline
