#include "core/card_table.h"

#include <gtest/gtest.h>

#include "core/tool_channel.h"
#include "platform/memory_link.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

CardInfo card(int n) {
  return {
      "veth" + std::to_string(n), {}, MacAddress{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(n)}};
}

Bytes avFrame(std::size_t length = 60) {
  return testframes::avFrame(0xA001, length);
}

class CountingWatcher : public LocalFrameWatcher {
 public:
  void onLocalFrame(int card, ByteView) override { cards.push_back(card); }
  void clearLocalReply() override { ++clears; }
  std::vector<int> cards;
  int clears = 0;
};

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
  int poll() { return pollCards(table, buffer, length); }

  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  CardTable table;
  std::vector<std::pair<std::string, Bytes>> sent;
  std::uint8_t buffer[1514];
  std::uint32_t length = 0;
};

// Cards open in list order, at most eight; with none open nothing is sent or polled.
TEST_F(CardTableTest, OpensCardsInListOrder) {
  Bytes frame(60, 0);
  EXPECT_EQ(poll(), 0);
  EXPECT_EQ(sendFrame(table, 0, frame.data(), 60), 0);
  EXPECT_EQ(openAllCards(table), 1);
  EXPECT_EQ(table.count, 3);
  EXPECT_TRUE(table.cards[2].handle);
  EXPECT_FALSE(table.cards[3].handle);
  CardPort* before = table.cards[1].handle.get();
  EXPECT_EQ(openCard(table, 1), 1);  // already open: nothing changes
  EXPECT_EQ(table.cards[1].handle.get(), before);
  closeAllCards(table);
  EXPECT_EQ(poll(), 0);
  EXPECT_EQ(sendFrame(table, 0, frame.data(), 60), 0);

  for (int i = 3; i < 10; ++i) link.addCard(card(i));
  openAllCards(table);
  EXPECT_EQ(table.count, 8);
  EXPECT_EQ(table.cards[7].deviceName, "veth7");
}

// Short frames are padded with zeros to 60 bytes, oversized ones refused
// silently; a send fault is shown once per card until a send on it succeeds.
TEST_F(CardTableTest, SendPadsRefusesAndReportsFaults) {
  openAllCards(table);
  Bytes frame(17, 0xAB);
  ASSERT_EQ(sendFrame(table, 1, frame.data(), 17), 1);
  frame.resize(60);
  EXPECT_EQ(sent, (std::vector<std::pair<std::string, Bytes>>{{"veth1", frame}}));

  Bytes big(1515, 1);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 1514), 1);
  EXPECT_EQ(sent.back().second.size(), 1514u);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 1515), 0);
  EXPECT_EQ(sent.size(), 2u);
  EXPECT_TRUE(prompter.shown.empty());

  for (const char* name : {"veth0", "veth0", "veth1", "veth0"}) link.failNextSend(name);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 60), 0);
  EXPECT_EQ(sendFrame(table, 0, big.data(), 60), 0);
  EXPECT_EQ(sendFrame(table, 1, big.data(), 60), 0);
  openAllCards(table);  // a rebuilt table does not end the episode
  EXPECT_EQ(sendFrame(table, 0, big.data(), 60), 0);
  ASSERT_EQ(prompter.shown.size(), 2u);  // veth0 once, veth1 once
  EXPECT_EQ(prompter.shown[0].text,
            "Unknown error occurred while sending packets. Please try after some time.");
  EXPECT_EQ(prompter.shown[0].caption, "Send Packet Error");
  EXPECT_EQ(sendFrame(table, 0, big.data(), 60), 1);
  link.failNextSend("veth0");
  EXPECT_EQ(sendFrame(table, 0, big.data(), 60), 0);
  EXPECT_EQ(prompter.shown.size(), 3u);
}

// A read fault is shown once per card until a frame is read on it again.
TEST_F(CardTableTest, ReadFaultsAreShownOncePerEpisode) {
  openAllCards(table);
  for (int i = 0; i < 3; ++i) link.failNextReceive("veth1");
  EXPECT_EQ(poll(), 0);
  EXPECT_EQ(poll(), 0);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "Error occured while reading the frame. Please try after sometime.");
  EXPECT_EQ(prompter.shown[0].caption, "Reading Error");
  link.deliver("veth1", avFrame());
  EXPECT_EQ(poll(), 0);  // the third fault, still the same episode
  EXPECT_EQ(poll(), 1);
  link.failNextReceive("veth1");
  EXPECT_EQ(poll(), 0);
  EXPECT_EQ(prompter.shown.size(), 2u);
}

// A poll names the card the frame came on and shows it to the watcher; other
// traffic is filtered out; a wait wakes when a frame arrives.
TEST_F(CardTableTest, ReceiveReportsTheCardFiltersAndWakes) {
  CountingWatcher watcher;
  table.watcher = &watcher;
  openAllCards(table);
  link.deliver("veth1", avFrame(64));
  ASSERT_EQ(poll(), 1);
  EXPECT_EQ(table.lastRxCard, 1);
  EXPECT_EQ(length, 64u);
  EXPECT_EQ(watcher.cards, std::vector<int>{1});
  EXPECT_EQ(watcher.clears, 2);  // cards 0 and 1 polled
  EXPECT_EQ(poll(), 0);

  Bytes ipv4 = avFrame();
  ipv4[12] = 0x08;
  ipv4[13] = 0x00;
  link.deliver("veth0", ipv4);
  EXPECT_FALSE(waitForCards(table, 10));
  EXPECT_EQ(poll(), 0);

  std::uint64_t start = clock.nowMs();
  clock.scheduleIn(30, [this] { link.deliver("veth2", avFrame()); });
  EXPECT_TRUE(waitForCards(table, 100));
  EXPECT_EQ(clock.nowMs() - start, 30u);
  ASSERT_EQ(poll(), 1);
  EXPECT_EQ(table.lastRxCard, 2);
}

TEST_F(CardTableTest, MissingPermissionIsReportedNotHidden) {
  link.denyPermission("veth1");
  openAllCards(table);
  EXPECT_TRUE(table.cards[0].handle);
  EXPECT_FALSE(table.cards[1].handle);
  std::string problem = capturePermissionProblem(table);
  for (const char* part : {"CAP_NET_RAW", "setcap cap_net_raw,cap_net_admin+ep", "veth1"})
    EXPECT_NE(problem.find(part), std::string::npos) << part;
}

TEST(CardTexts, DisplayNameAndHexDump) {
  EXPECT_EQ(cardDisplayName("Network adapter 'Fast Ethernet (Microport)' on local host", "x"),
            "Fast Ethernet ");
  EXPECT_EQ(cardDisplayName("Network adapter 'Gigabit Card' on local host", "x"), "Gigabit Card");
  EXPECT_EQ(cardDisplayName("Plain description", "x"), "Plain description");
  EXPECT_EQ(cardDisplayName("", "veth0"), "veth0");
  EXPECT_EQ(cardDisplayName("'" + std::string(400, 'a') + "'", "x").size(), 255u);

  Bytes frame(18);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(0x3F + i);
  frame[1] = 0x01;
  EXPECT_EQ(hexDump(frame),
            "00000000 3F 01 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E ?.ABCDEFGHIJKLMN\n"
            "00000010 4F 50                                           OP              \n\n");
}

TEST_F(CardTableTest, ToolChannelOpensTheCardAtItsPositionAndFiltersToIt) {
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
  std::uint64_t start = clock.nowMs();
  EXPECT_EQ(readToolFrame(channel, buffer, sizeof buffer), 0);
  EXPECT_EQ(clock.nowMs() - start, 50u);  // waited the read time-out
  clock.scheduleIn(5, [&] { link.deliver("veth1", toUs); });
  EXPECT_EQ(readToolFrame(channel, buffer, sizeof buffer), 60);
  EXPECT_EQ(sendToolFrame(channel, toUs.data(), 60), 60);
  EXPECT_EQ(sent, (std::vector<std::pair<std::string, Bytes>>{{"veth1", toUs}}));
  closeToolChannel(channel);
  EXPECT_EQ(sendToolFrame(channel, toUs.data(), 60), -1);

  channel.ifIndex = 4;
  EXPECT_EQ(openToolChannel(channel, 0x88E1).message, "invalid interface: 4");
}

}  // namespace
}  // namespace strandline
