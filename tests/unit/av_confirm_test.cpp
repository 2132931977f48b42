#include "core/av_confirm.h"

#include <gtest/gtest.h>

#include "platform/memory_link.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using namespace testframes;

class AwaitConfirmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    link.addCard({"veth0", "", kHost});
    link.addCard({"veth1", "", MacAddress{0x02, 0, 0, 0, 0, 0x11}});
    table.link = &link;
    ASSERT_EQ(openAllCards(table), 1);
    ASSERT_EQ(table.count, 2);
  }
  void deliverAt(std::uint64_t ms, Bytes frame, const std::string& card = "veth0") {
    clock.scheduleIn(ms, [this, frame, card] { link.deliver(card, frame); });
  }

  VirtualClock clock;
  MemoryLink link{clock};
  CardTable table;
  ThpapiContext lib;
  ConfirmWait wait{table, lib, clock};
  ThpapiResult result;
};

TEST_F(AwaitConfirmTest, TakesAConfirmationWithinTheWindow) {
  deliverAt(50, avFrame(0xA001, 88));
  EXPECT_TRUE(awaitConfirm(wait, 0xA000, result));
  EXPECT_EQ(result.messageType, 0xA001);
  EXPECT_EQ(clock.nowMs(), 50u);  // woke on the frame, not at the deadline
  EXPECT_TRUE(wait.confirmSeen);
}

TEST_F(AwaitConfirmTest, GivesUpAtOneHundredMilliseconds) {
  deliverAt(101, avFrame(0xA001, 88));
  EXPECT_FALSE(awaitConfirm(wait, 0xA000, result));
  EXPECT_EQ(clock.nowMs(), 100u);
  EXPECT_FALSE(wait.confirmSeen);
}

TEST_F(AwaitConfirmTest, SkipsOtherFramesAndKeepsWaiting) {
  deliverAt(10, avFrame(0xA039, 60));
  deliverAt(20, avFrame(0xA001, 87));  // one byte short: not a confirmation
  Bytes other = avFrame(0xA001, 88);
  other[13] = 0x7B;  // HomePlug 1.0 frame
  deliverAt(25, other);
  Bytes fromOther = avFrame(0xA001, 88);
  fromOther[11] = 0x57;
  deliverAt(30, fromOther);
  deliverAt(40, avFrame(0xA001, 88), "veth1");
  const MacAddress stranger{0x00, 0xB0, 0x52, 0x12, 0x34, 0x57};
  wait.except = &stranger;  // its confirmation is dropped
  EXPECT_TRUE(awaitConfirm(wait, 0xA000, result));
  EXPECT_EQ(result.messageType, 0xA001);
  EXPECT_EQ(clock.nowMs(), 40u);
  EXPECT_EQ(table.lastRxCard, 1);
}

TEST_F(AwaitConfirmTest, ACommitConfirmationAnswersAnyRequest) {
  deliverAt(5, avFrame(0xA029, 60));
  EXPECT_TRUE(awaitConfirm(wait, 0xA000, result));
  EXPECT_EQ(result.messageType, 0xA029);
}

TEST_F(AwaitConfirmTest, PollConfirmTakesOnlyWhatIsAlreadyWaiting) {
  link.deliver("veth0", avFrame(0xA051, 60));
  EXPECT_TRUE(pollConfirm(wait, 0xA050, result));
  deliverAt(1, avFrame(0xA051, 60));
  EXPECT_FALSE(pollConfirm(wait, 0xA050, result));
  EXPECT_EQ(clock.nowMs(), 0u);
}

}  // namespace
}  // namespace strandline
