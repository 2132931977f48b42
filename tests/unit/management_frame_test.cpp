#include "protocol/management_frame.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

TEST(MacAddress, TextIsUpperCaseWithColons) {
  const std::uint8_t mac[6] = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
  char text[18];
  macToText(mac, text);
  EXPECT_STREQ(text, "0A:1B:2C:3D:4E:5F");
}

TEST(MacAddress, SetEqualCopyAndSpecialAddresses) {
  const std::uint8_t zero[6] = {};
  const std::uint8_t one[6] = {0, 0, 0, 0, 0, 1};
  EXPECT_FALSE(macIsSet(zero));
  EXPECT_TRUE(macIsSet(one));
  EXPECT_FALSE(macEqual(zero, one));

  std::uint8_t buffer[6] = {1, 2, 3, 4, 5, 6};
  specialAddress(buffer, 7);  // unknown selector leaves the buffer alone
  EXPECT_EQ(buffer[0], 1);
  specialAddress(buffer, 1);
  EXPECT_TRUE(macEqual(buffer, kLocalDeviceMac.data()));
  specialAddress(buffer, 0);
  EXPECT_TRUE(macEqual(buffer, kBroadcastMac.data()));
}

TEST(MacAddress, KeyCopyFollowsTheAdapterKind) {
  std::uint8_t source[16], target[16];
  for (int i = 0; i < 16; ++i) source[i] = static_cast<std::uint8_t>(0xA0 + i);
  std::fill(std::begin(target), std::end(target), 0);
  keyCopy(target, source, /*avMode=*/false);
  EXPECT_EQ(target[7], 0xA7);
  EXPECT_EQ(target[8], 0);
  keyCopy(target, source, /*avMode=*/true);
  EXPECT_EQ(target[15], 0xAF);
}

TEST(ManagementFrame, AvHeaderVersionZeroGoldenBytes) {
  std::uint8_t frame[64] = {};
  const MacAddress source{0x02, 0, 0, 0, 0, 0x10};
  std::size_t payload = buildAvHeaderV0(frame, kLocalDeviceMac.data(), source.data(), 0xA038);
  EXPECT_EQ(payload, 20u);
  EXPECT_EQ(testframes::hexAt(frame, 0, 20),
            testframes::golden("00B052000001 020000000010 88E1 00 38A0 00B052"));
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), false), 0);
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), true), kErrWrongHeader);
}

TEST(ManagementFrame, AvHeaderVersionOneGoldenBytes) {
  std::uint8_t frame[64] = {};
  std::size_t payload =
      buildAvHeaderV1(frame, kLocalDeviceMac.data(), kBroadcastMac.data(), 0xA038);
  EXPECT_EQ(payload, 22u);
  EXPECT_EQ(testframes::hexAt(frame, 14, 8), "0138A0000000B052");
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), true), 0);
}

TEST(ManagementFrame, RejectedHeaders) {
  std::uint8_t frame[64] = {};
  buildAvHeaderV0(frame, kBroadcastMac.data(), kBroadcastMac.data(), 0xA001);
  frame[19] = 0x53;  // OUI 00 B0 53
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), false), kErrWrongHeader);
  frame[19] = 0x52;
  frame[14] = 2;  // unknown version
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), false), kErrWrongHeader);
  frame[14] = 0;
  frame[13] = 0x7B;  // 0x887B is not an AV frame
  EXPECT_EQ(checkAvHeader(ByteView(frame, 64), false), kErrWrongEtherType);
  EXPECT_EQ(checkAvHeader(ByteView(frame, 13), false), kErrWrongEtherType);
  frame[13] = 0xE1;
  EXPECT_EQ(checkAvHeader(ByteView(frame, 18), false), kErrWrongHeader);  // too short for the OUI
}

TEST(ManagementFrame, Hp1HeaderClearsTheFirstSeventeenBytes) {
  std::uint8_t frame[20];
  std::fill(std::begin(frame), std::end(frame), 0xEE);
  const MacAddress source{2, 0, 0, 0, 0, 1};
  buildHp1Header(frame, source.data(), kBroadcastMac.data());
  EXPECT_EQ(testframes::hexAt(frame, 0, 18),
            testframes::golden("FFFFFFFFFFFF 020000000001 887B 000000 EE"));
}

TEST(ManagementFrame, AvRequestsArePaddedToSixtyFour) {
  EXPECT_EQ(avRequestLength(23), 64u);
  EXPECT_EQ(avRequestLength(64), 64u);
  EXPECT_EQ(avRequestLength(100), 100u);
}

TEST(ByteReader, RefusesToReadPastTheEnd) {
  const std::uint8_t data[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
  ByteReader r(ByteView(data, 5));
  EXPECT_EQ(r.u16le(), 0x0201);
  EXPECT_EQ(r.u16be(), 0x0304);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.u32le(), 0u);  // only one byte left
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.u8(), 0);  // stays failed
  ByteReader beyond(ByteView(data, 5), 6);
  EXPECT_FALSE(beyond.ok());
}

TEST(ByteWriter, RefusesToWritePastTheEndAndCutsText) {
  std::uint8_t out[6] = {};
  ByteWriter w(out);
  w.u32be(0x11223344);
  w.u32le(0x55667788);  // does not fit: nothing written
  EXPECT_FALSE(w.ok());
  EXPECT_EQ(out[4], 0);
  ByteWriter t(out);
  t.text("abcdefgh", 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "abc");
  EXPECT_EQ(out[3], 0);
}

TEST(Hex, RoundTripAndRejects) {
  Bytes bytes;
  ASSERT_TRUE(parseHex("00:b0:52 0A", bytes));
  EXPECT_EQ(toHex(bytes), "00B0520A");
  EXPECT_FALSE(parseHex("0", bytes));
  EXPECT_FALSE(parseHex("zz", bytes));
  MacAddress mac;
  EXPECT_TRUE(parseMac("00-B0-52-00-00-01", mac));
  EXPECT_FALSE(parseMac("00:B0:52:00:00", mac));
}

}  // namespace
}  // namespace strandline
