#include "base/keys.h"

#include <gtest/gtest.h>

#include <bit>

#include "base/bytes.h"

namespace strandline {
namespace {

std::string hex(const Key16& key, std::size_t n = 16) {
  return toHex(ByteView(key.data(), n));
}

TEST(Keys, DefaultAvNetworkKeyIsThePublishedOne) {
  EXPECT_EQ(hex(deriveNetworkKey("HomePlugAV")), "50D3E4933F855B7040784DF815AA8DB7");
  EXPECT_NE(hex(deriveDeviceKey("HomePlugAV")), hex(deriveNetworkKey("HomePlugAV")));
}

TEST(Keys, Hp10KeyHasOddParityInEveryByte) {
  Key16 key = deriveHp10Key("HomePlug");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(std::popcount(key[i]) % 2, 1) << "byte " << i;
}

TEST(Keys, NidCarriesTheSecurityLevelInBitsFourAndFive) {
  Key16 nmk = deriveNetworkKey("HomePlugAV");
  Nid level0 = deriveNid(nmk, 0);
  Nid level1 = deriveNid(nmk, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(level0.begin(), level0.begin() + 6),
            std::vector<std::uint8_t>(level1.begin(), level1.begin() + 6));
  EXPECT_EQ(level0[6] & 0xF0, 0);
  EXPECT_EQ(level1[6] & 0x30, 0x10);
  EXPECT_EQ(level0[6], level1[6] & 0x0F);
}

TEST(Keys, RandomKeyIsSeededByTimeAndAvoidsTheDefaultKey) {
  Key16 a = makeRandomKey(true, false, 1000);
  Key16 b = makeRandomKey(true, false, 1000);
  Key16 c = makeRandomKey(true, false, 1001);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  Key16 boost = makeRandomKey(false, true, 1000);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(boost[i], 0);
  Key16 defaultKey = deriveNetworkKey("HomePlugAV");
  for (std::time_t t = 0; t < 200; ++t)
    EXPECT_NE(hex(makeRandomKey(true, false, t), 8), hex(defaultKey, 8));
}

TEST(Keys, GeneratorMatchesTheLinearCongruentialRule) {
  KeyRandom random;
  random.seed(0);
  // state 2531011 -> bits 16..30 = 38 -> low byte 0x26
  EXPECT_EQ(random.nextByte(), 0x26);
  // state = 2531011 * 214013 + 2531011 mod 2^32 = 505908858 -> (>>16)&0x7FFF = 7719 -> 0x27
  EXPECT_EQ(random.nextByte(), 0x27);
}

}  // namespace
}  // namespace strandline
