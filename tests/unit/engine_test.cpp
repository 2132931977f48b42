// The engine thread on the virtual clock with no cards: task order, stopping
// while a flow waits on a message box, kept tasks at stop, and the scan timer
// after a tick that overran.
#include "core/engine.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/discovery/network_scan.h"
#include "platform/clock.h"
#include "platform/memory_link.h"

namespace strandline {
namespace {

// A prompter whose message box waits until closed, as the window's does until
// the user answers or the window closes.
struct WaitingPrompter final : RecordingPrompter {
  MessageAnswer messageBox(const std::string&, const std::string&, MessageIcon,
                           MessageButtons) override {
    shown.set_value();
    closed.get_future().wait();
    return MessageAnswer::Cancel;
  }
  std::promise<void> shown, closed;
};

class EngineTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  MemoryLink link{clock};
  WaitingPrompter prompter;
  Engine engine{std::make_unique<ProgramContext>(link, clock, prompter)};
};

TEST_F(EngineTest, PostedTasksRunInOrder) {
  std::vector<int> order;
  std::promise<void> done;
  for (int i = 0; i < 50; ++i)
    engine.post([&, i](ProgramContext&) {
      order.push_back(i);
      // Posted from a task: after everything queued before it.
      if (i == 0)
        engine.post([&](ProgramContext&) {
          order.push_back(50);
          done.set_value();
        });
    });
  engine.start();
  done.get_future().wait();
  engine.stop();
  ASSERT_EQ(order.size(), 51u);
  for (int i = 0; i <= 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
}

// Stopping while a flow waits on a message box: the box is closed as the
// window closes it, the flow ends, queued commands are dropped, kept tasks
// (the database save) run in order, and stop returns.
TEST_F(EngineTest, StopWhileAFlowWaitsOnAMessageBoxRunsTheKeptTasks) {
  std::vector<std::string> ran;
  engine.post([&](ProgramContext& ctx) {
    ctx.prompter.messageBox("Go on?", "Question", MessageIcon::Question, MessageButtons::YesNo);
    ran.push_back("flow");
  });
  engine.post([&](ProgramContext&) { ran.push_back("command"); });
  engine.post([&](ProgramContext&) { ran.push_back("layout"); }, Engine::WhenStopping::Run);
  engine.post([&](ProgramContext&) { ran.push_back("save"); }, Engine::WhenStopping::Run);
  engine.start();
  prompter.shown.get_future().wait();
  std::thread stopper([&] { engine.stop(); });
  while (!engine.stopping()) std::this_thread::yield();
  prompter.closed.set_value();
  stopper.join();
  EXPECT_FALSE(engine.running());
  EXPECT_EQ(ran, (std::vector<std::string>{"flow", "layout", "save"}));
}

// A task that holds the thread for ten timer periods is followed by one tick,
// not by the ten it kept from running.
TEST_F(EngineTest, ATickOverrunDoesNotPileUpTicks) {
  constexpr std::int32_t kTicksPerPhase = 1000;
  const std::uint64_t period = scanTimerPeriodMs(kTicksPerPhase);
  std::promise<std::int32_t> ticksSeen;
  engine.post([&](ProgramContext& ctx) {
    ctx.scan.ticksPerPhase = kTicksPerPhase;
    startScanTimer(ctx);
    std::uint64_t start = clock.nowMs();
    ctx.clock.sleepMs(static_cast<std::uint32_t>(10 * period));
    // Half a period after the overrun, read on the engine thread.
    clock.schedule(start + 10 * period + period / 2, [&] { ticksSeen.set_value(ctx.scan.tick); });
  });
  engine.start();
  EXPECT_EQ(ticksSeen.get_future().get(), 1);
  engine.stop();
}

}  // namespace
}  // namespace strandline
