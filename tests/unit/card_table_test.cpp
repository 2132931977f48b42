#include "core/card_table.h"

#include <gtest/gtest.h>

#include "core/tool_channel.h"
#include "platform/memory_link.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

CardInfo card(int n, const std::string& description = {}) {
  return {"veth" + std::to_string(n), description,
          MacAddress{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(n)}};
}

Bytes avFrame(std::size_t length = 60) {
  return testframes::avFrame(0xA001, length);
}

class CardTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) link.addCard(card(i));
    link.setFarEnd([this](const std::string& card, ByteView frame) {
      sent.emplace_back(card, Bytes(frame.begin(), frame.end()));
    });
    table.link = &link;
    table.prompter = &prompter;
  }

  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  CardTable table;
  std::vector<std::pair<std::string, Bytes>> sent;
};

TEST_F(CardTableTest, OpensEveryCardInListOrder) {
  EXPECT_EQ(openAllCards(table), 1);
  EXPECT_EQ(table.count, 3);
  EXPECT_EQ(table.cards[2].deviceName, "veth2");
  EXPECT_EQ(table.cards[2].mac[5], 2);
  EXPECT_TRUE(table.cards[2].handle);
  EXPECT_FALSE(table.cards[3].handle);
  CardPort* before = table.cards[1].handle.get();
  EXPECT_EQ(openCard(table, 1), 1);  // already open: nothing changes
  EXPECT_EQ(table.cards[1].handle.get(), before);
}

TEST_F(CardTableTest, OnlyTheFirstEightCardsGetSlots) {
  for (int i = 3; i < 10; ++i) link.addCard(card(i));
  openAllCards(table);
  EXPECT_EQ(table.count, 8);
  EXPECT_EQ(table.cards[7].deviceName, "veth7");
}

TEST_F(CardTableTest, PadsShortFramesAndRefusesOversizedOnes) {
  openAllCards(table);
  Bytes frame(17, 0xAB);
  ASSERT_EQ(sendFrame(table, 1, frame.data(), 17), 1);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].first, "veth1");
  ASSERT_EQ(sent[0].second.size(), 60u);
  EXPECT_EQ(sent[0].second[16], 0xAB);
  for (std::size_t i = 17; i < 60; ++i) EXPECT_EQ(sent[0].second[i], 0) << i;

  Bytes big(1515, 1);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 1514), 1);
  EXPECT_EQ(sent.back().second.size(), 1514u);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 1515), 0);
  EXPECT_EQ(sent.size(), 2u);
  EXPECT_TRUE(prompter.shown.empty());  // refused silently
}

TEST_F(CardTableTest, NothingWorksWithNoCardOpen) {
  std::uint8_t buffer[1514];
  std::uint32_t length = 0;
  Bytes frame(60, 0);
  EXPECT_EQ(pollCards(table, buffer, length), 0);
  EXPECT_EQ(sendFrame(table, 0, frame.data(), 60), 0);
  openAllCards(table);
  closeAllCards(table);
  EXPECT_EQ(pollCards(table, buffer, length), 0);
  EXPECT_EQ(sendFrame(table, 0, frame.data(), 60), 0);
}

TEST_F(CardTableTest, PollReportsTheCardTheFrameCameOn) {
  openAllCards(table);
  Bytes frame = avFrame(64);
  link.deliver("veth2", frame);
  std::uint8_t buffer[1514];
  std::uint32_t length = 0;
  ASSERT_EQ(pollCards(table, buffer, length), 1);
  EXPECT_EQ(table.lastRxCard, 2);
  EXPECT_EQ(length, 64u);
  EXPECT_EQ(pollCards(table, buffer, length), 0);
}

TEST_F(CardTableTest, FilterKeepsOtherTrafficOut) {
  openAllCards(table);
  Bytes ipv4 = avFrame();
  ipv4[12] = 0x08;
  ipv4[13] = 0x00;
  link.deliver("veth0", ipv4);
  std::uint8_t buffer[1514];
  std::uint32_t length = 0;
  EXPECT_FALSE(waitForCards(table, 10));
  EXPECT_EQ(pollCards(table, buffer, length), 0);
}

TEST_F(CardTableTest, WaitWakesWhenAFrameArrives) {
  openAllCards(table);
  std::uint64_t start = clock.nowMs();
  clock.scheduleIn(30, [this] { link.deliver("veth1", avFrame()); });
  EXPECT_TRUE(waitForCards(table, 100));
  EXPECT_EQ(clock.nowMs() - start, 30u);
}

class CountingWatcher : public LocalFrameWatcher {
 public:
  void onLocalFrame(int card, ByteView) override { cards.push_back(card); }
  void clearLocalReply() override { ++clears; }
  std::vector<int> cards;
  int clears = 0;
};

TEST_F(CardTableTest, WatcherSeesEveryReceivedFrame) {
  CountingWatcher watcher;
  table.watcher = &watcher;
  openAllCards(table);
  link.deliver("veth1", avFrame());
  std::uint8_t buffer[1514];
  std::uint32_t length = 0;
  ASSERT_EQ(pollCards(table, buffer, length), 1);
  EXPECT_EQ(watcher.cards, std::vector<int>{1});
  EXPECT_EQ(watcher.clears, 2);  // cards 0 and 1 polled
}

TEST_F(CardTableTest, SendFaultShowsTheMessage) {
  openAllCards(table);
  link.failNextSend("veth0");
  Bytes frame = avFrame();
  EXPECT_EQ(sendFrame(table, 0, frame.data(), 60), 0);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Unknown error occurred while sending packets. Please try after some time.");
  EXPECT_EQ(prompter.shown[0].caption, "Send Packet Error");
}

TEST_F(CardTableTest, MissingPermissionIsReportedNotHidden) {
  link.denyPermission("veth1");
  openAllCards(table);
  EXPECT_TRUE(table.cards[0].handle);
  EXPECT_FALSE(table.cards[1].handle);
  std::string problem = capturePermissionProblem(table);
  EXPECT_NE(problem.find("CAP_NET_RAW"), std::string::npos);
  EXPECT_NE(problem.find("setcap cap_net_raw,cap_net_admin+ep"), std::string::npos);
  EXPECT_NE(problem.find("veth1"), std::string::npos);
}

TEST(CardDisplayName, TakesTheProductNameBetweenApostrophes) {
  EXPECT_EQ(cardDisplayName("Network adapter 'Fast Ethernet (Microport)' on local host", "x"),
            "Fast Ethernet ");
  EXPECT_EQ(cardDisplayName("Network adapter 'Gigabit Card' on local host", "x"), "Gigabit Card");
  EXPECT_EQ(cardDisplayName("Plain description", "x"), "Plain description");
  EXPECT_EQ(cardDisplayName("", "veth0"), "veth0");
  EXPECT_EQ(cardDisplayName("'" + std::string(400, 'a') + "'", "x").size(), 255u);
}

TEST(ToolChannel, OpensTheCardAtItsPositionAndFiltersToIt) {
  VirtualClock clock;
  MemoryLink link(clock);
  for (int i = 0; i < 3; ++i) link.addCard(card(i));
  std::vector<Bytes> sent;
  link.setFarEnd([&](const std::string&, ByteView f) { sent.emplace_back(f.begin(), f.end()); });
  ToolChannel channel;
  channel.link = &link;
  ASSERT_TRUE(openToolChannel(channel, 0x88E1).ok());
  EXPECT_EQ(channel.ifName, "nic2");
  EXPECT_EQ(channel.host[5], 1);  // ifIndex 2 is the second card

  Bytes toUs(60, 0), toOther(60, 0);
  std::copy(channel.host.begin(), channel.host.end(), toUs.begin());
  toUs[12] = toOther[12] = 0x88;
  toUs[13] = toOther[13] = 0xE1;
  toOther[0] = 0x02;
  link.deliver("veth1", toOther);
  std::uint8_t buffer[1514];
  std::uint64_t start = clock.nowMs();
  EXPECT_EQ(readToolFrame(channel, buffer, sizeof buffer), 0);
  EXPECT_EQ(clock.nowMs() - start, 50u);  // waited the read time-out
  clock.scheduleIn(5, [&] { link.deliver("veth1", toUs); });
  EXPECT_EQ(readToolFrame(channel, buffer, sizeof buffer), 60);
  EXPECT_EQ(sendToolFrame(channel, toUs.data(), 60), 60);
  EXPECT_EQ(sent.size(), 1u);
  closeToolChannel(channel);
  EXPECT_EQ(sendToolFrame(channel, toUs.data(), 60), -1);

  channel.ifIndex = 4;
  Status status = openToolChannel(channel, 0x88E1);
  EXPECT_EQ(status.message, "invalid interface: 4");
}

TEST(HexDump, SixteenBytesALineThenAnEmptyLine) {
  Bytes frame(18);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(0x3F + i);
  frame[1] = 0x01;
  std::string expected =
      "00000000 3F 01 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E ?.ABCDEFGHIJKLMN\n"
      "00000010 4F 50                                           OP              \n"
      "\n";
  EXPECT_EQ(hexDump(frame), expected);
}

}  // namespace
}  // namespace strandline
