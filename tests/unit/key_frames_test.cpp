// Byte layouts of the HomePlug 1.0 key frames, and small rules of the key flows.
#include <gtest/gtest.h>

#include "base/keys.h"
#include "core/program_context.h"
#include "core/security/key_setting.h"
#include "core/security/network_name.h"
#include "platform/memory_link.h"
#include "protocol/hp10_key_frames.h"
#include "protocol/hp10_requests.h"

namespace strandline {
namespace {

const MacAddress kFrom{0x02, 0x5C, 0, 0, 0, 1};
const MacAddress kTo{0x02, 0x5A, 0, 0, 0x10, 1};
const std::uint8_t kKey[8] = {1, 2, 3, 4, 5, 6, 7, 8};
const std::uint8_t kDek[8] = {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8};
const std::uint8_t kOptions[3] = {0x40, 0x01, 0x00};

Bytes bytesOf(const std::uint8_t* frame, std::size_t n) {
  return Bytes(frame, frame + n);
}

void expectHeader(const Bytes& f) {
  EXPECT_EQ(Bytes(f.begin(), f.begin() + 6), Bytes(kTo.begin(), kTo.end()));
  EXPECT_EQ(Bytes(f.begin() + 6, f.begin() + 12), Bytes(kFrom.begin(), kFrom.end()));
  EXPECT_EQ(f[12], 0x88);
  EXPECT_EQ(f[13], 0x7B);
}

TEST(Hp1KeyFrames, SetKeyWithAndWithoutOptions) {
  std::uint8_t frame[kHp1RequestBuffer];
  std::memset(frame, 0xEE, sizeof frame);
  Bytes f = bytesOf(frame, buildHp1SetKey(frame, kFrom, kTo, 1, kKey, kOptions));
  ASSERT_EQ(f.size(), 31u);
  expectHeader(f);
  EXPECT_EQ(Bytes(f.begin() + 14, f.end()),
            (Bytes{2, 0x04, 9, 1, 1, 2, 3, 4, 5, 6, 7, 8, 0x1F, 3, 0x40, 0x01, 0x00}));
  f = bytesOf(frame, buildHp1SetKey(frame, kFrom, kTo, 0, kDek, nullptr));
  ASSERT_EQ(f.size(), 31u);
  EXPECT_EQ(Bytes(f.begin() + 14, f.end()),
            (Bytes{1, 0x04, 9, 0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0, 0, 0, 0, 0}));
}

TEST(Hp1KeyFrames, OptionsAlone) {
  std::uint8_t frame[kHp1RequestBuffer];
  Bytes f = bytesOf(frame, buildHp1Options(frame, kFrom, kTo, kOptions));
  ASSERT_EQ(f.size(), 20u);
  expectHeader(f);
  EXPECT_EQ(Bytes(f.begin() + 14, f.end()), (Bytes{1, 0x1F, 3, 0x40, 0x01, 0x00}));
}

TEST(Hp1KeyFrames, BoostLocalAndCarriedKeys) {
  std::uint8_t frame[kHp1RequestBuffer];
  Bytes f = bytesOf(frame, buildBoostLocalKey(frame, kFrom, kTo, kKey));
  ASSERT_EQ(f.size(), 35u);
  expectHeader(f);
  EXPECT_EQ(Bytes(f.begin() + 14, f.begin() + 26), (Bytes{1, 0x04, 9, 1, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Bytes(f.begin() + 26, f.end()), Bytes(9, 0));
  f = bytesOf(frame, buildBoostRemoteKey(frame, kFrom, kTo, kDek, kKey));
  ASSERT_EQ(f.size(), 41u);
  EXPECT_EQ(Bytes(f.begin() + 14, f.end()),
            (Bytes{1,    0x14, 10,   1, 0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0x88,
                   0x7B, 1,    0x04, 9, 1, 1,    2,    3,    4,    5,    6,    7,    8}));
}

TEST(KeyFlowRules, StatusPrefixesAreNotPartOfThePassword) {
  EXPECT_EQ(passwordWithoutStatus("CHECK AAAA-BBBB"), "AAAA-BBBB");
  EXPECT_EQ(passwordWithoutStatus("Not AAAA-BBBB"), "AAAA-BBBB");
  EXPECT_EQ(passwordWithoutStatus("AAAA-BBBB"), "AAAA-BBBB");
  EXPECT_EQ(passwordWithoutStatus("Nothing"), "Nothing");  // no space: no prefix
  EXPECT_EQ(passwordWithoutStatus("CHECK"), "CHECK");
}

TEST(KeyFlowRules, RandomKeysDrawnWithinOneSecondDiffer) {
  VirtualClock clock;
  MemoryLink link(clock);
  RecordingPrompter prompter;
  ProgramContext ctx(link, clock, prompter);
  ctx.avMode = true;
  Key16 a = drawRandomKey(ctx);
  Key16 b = drawRandomKey(ctx);
  Key16 c = drawRandomKey(ctx);
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);
  Key16 publicKey = deriveNetworkKey("HomePlugAV");
  for (const Key16& k : {a, b, c}) EXPECT_NE(std::memcmp(k.data(), publicKey.data(), 8), 0);
  // Boost adapters take 8-byte keys.
  ctx.avMode = false;
  ctx.kestrelMode = true;
  Key16 boost = drawRandomKey(ctx);
  EXPECT_EQ(Bytes(boost.begin() + 8, boost.end()), Bytes(8, 0));
}

TEST(KeyFlowRules, ScanPauseAlwaysPutsBackThePreviousState) {
  VirtualClock clock;
  MemoryLink link(clock);
  RecordingPrompter prompter;
  ProgramContext ctx(link, clock, prompter);
  for (bool paused : {false, true}) {
    ctx.scan.paused = paused;
    {
      ScanPause outer(ctx);
      EXPECT_TRUE(ctx.scan.paused);
      {
        ScanPause inner(ctx);
        EXPECT_TRUE(ctx.scan.paused);
      }
      EXPECT_TRUE(ctx.scan.paused);
    }
    EXPECT_EQ(ctx.scan.paused, paused);
  }
}

TEST(KeyFlowRules, NothingIsSentWithoutACardAddress) {
  VirtualClock clock;
  MemoryLink link(clock);
  RecordingPrompter prompter;
  ProgramContext ctx(link, clock, prompter);
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
