// Byte layouts of the HomePlug 1.0 key frames, and small rules of the key flows.
#include <gtest/gtest.h>

#include "base/keys.h"
#include "core/program_context.h"
#include "core/security/key_setting.h"
#include "core/security/network_name.h"
#include "platform/memory_link.h"
#include "protocol/hp10_key_frames.h"
#include "protocol/hp10_requests.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using testframes::golden;

const MacAddress kFrom{0x02, 0x5C, 0, 0, 0, 1};
const MacAddress kTo{0x02, 0x5A, 0, 0, 0x10, 1};
const std::uint8_t kKey[8] = {1, 2, 3, 4, 5, 6, 7, 8};
const std::uint8_t kDek[8] = {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8};
const std::uint8_t kOptions[3] = {0x40, 0x01, 0x00};

TEST(Hp1KeyFrames, GoldenBytes) {
  std::uint8_t frame[kHp1RequestBuffer];
  std::memset(frame, 0xEE, sizeof frame);
  // The frame an encoder call built, from the Ethernet header to its length.
  auto hex = [&](std::size_t n) { return toHex(ByteView(frame, n)); };
  const std::string header = "025A00001001 025C00000001 887B ";
  EXPECT_EQ(hex(buildHp1SetKey(frame, kFrom, kTo, 1, kKey, kOptions)),
            golden(header + "02 04 09 01 0102030405060708 1F 03 400100"));
  EXPECT_EQ(hex(buildHp1SetKey(frame, kFrom, kTo, 0, kDek, nullptr)),
            golden(header + "01 04 09 00 D1D2D3D4D5D6D7D8 00 00 000000"));
  EXPECT_EQ(hex(buildHp1Options(frame, kFrom, kTo, kOptions)), golden(header + "01 1F 03 400100"));
  EXPECT_EQ(hex(buildBoostLocalKey(frame, kFrom, kTo, kKey)),
            golden(header + "01 04 09 01 0102030405060708 000000000000000000"));
  EXPECT_EQ(hex(buildBoostRemoteKey(frame, kFrom, kTo, kDek, kKey)),
            golden(header + "01 14 0A 01 00 D1D2D3D4D5D6D7D8 887B 01 04 09 01 0102030405060708"));
}

TEST(KeyFlowRules, StatusPrefixesAreNotPartOfThePassword) {
  const std::pair<const char*, const char*> cases[] = {
      {"Not AAAA-BBBB", "AAAA-BBBB"},
      {"AAAA-BBBB", "AAAA-BBBB"},
      {"Nothing", "Nothing"},  // no space: no prefix
      {"CHECK", "CHECK"}};
  for (auto [text, password] : cases) EXPECT_EQ(passwordWithoutStatus(text), password) << text;
}

class KeyFlowTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  ProgramContext ctx{link, clock, prompter};
};

TEST_F(KeyFlowTest, RandomKeysDrawnWithinOneSecondDiffer) {
  ctx.avMode = true;
  Key16 a = drawRandomKey(ctx), b = drawRandomKey(ctx), c = drawRandomKey(ctx);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);
  // Boost adapters take 8-byte keys.
  ctx.avMode = false;
  ctx.kestrelMode = true;
  Key16 boost = drawRandomKey(ctx);
  EXPECT_EQ(Bytes(boost.begin() + 8, boost.end()), Bytes(8, 0));
}

TEST_F(KeyFlowTest, ScanPauseAlwaysPutsBackThePreviousState) {
  for (bool paused : {false, true}) {
    ctx.scan.paused = paused;
    {
      ScanPause outer(ctx);
      {
        ScanPause inner(ctx);
        EXPECT_TRUE(ctx.scan.paused);
      }
      EXPECT_TRUE(ctx.scan.paused);
    }
    EXPECT_EQ(ctx.scan.paused, paused);
  }
}

TEST_F(KeyFlowTest, NothingIsSentWithoutACardAddress) {
  Key16 key{};
  MacAddress device = kTo;
  for (bool av : {true, false}) {
    ctx.avMode = av;
    EXPECT_EQ(setLocalNEK(ctx, nullptr, key), 0);
    EXPECT_EQ(setRemoteKey(ctx, key, key, device, false, true), kRemoteNothingHeard);
    Hp1KeySetting setting;
    setting.key = key.data();
    EXPECT_EQ(setHp1StandardKey(ctx, setting), 0);
  }
  // An address that names no card selects nothing.
  EXPECT_EQ(setLocalNEK(ctx, &kFrom, key), 0);
  EXPECT_TRUE(link.sentFrames().empty());
}

}  // namespace
}  // namespace strandline
