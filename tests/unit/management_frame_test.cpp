#include "protocol/management_frame.h"

#include <gtest/gtest.h>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using testframes::hexAt;

TEST(MacAddress, TextSpecialAddressesAndKeyCopy) {
  const std::uint8_t mac[6] = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
  char text[18];
  macToText(mac, text);
  EXPECT_STREQ(text, "0A:1B:2C:3D:4E:5F");
  const std::uint8_t zero[6] = {};
  EXPECT_FALSE(macIsSet(zero));
  EXPECT_TRUE(macIsSet(mac));
  EXPECT_FALSE(macEqual(zero, mac));

  std::uint8_t buffer[6] = {1, 2, 3, 4, 5, 6};
  specialAddress(buffer, 7);  // unknown selector leaves the buffer alone
  EXPECT_EQ(buffer[0], 1);
  specialAddress(buffer, 1);
  EXPECT_TRUE(macEqual(buffer, kLocalDeviceMac.data()));
  specialAddress(buffer, 0);
  EXPECT_TRUE(macEqual(buffer, kBroadcastMac.data()));

  std::uint8_t source[16], target[16] = {};
  for (int i = 0; i < 16; ++i) source[i] = static_cast<std::uint8_t>(0xA0 + i);
  keyCopy(target, source, /*avMode=*/false);
  EXPECT_EQ(hexAt(target, 0, 16), "A0A1A2A3A4A5A6A70000000000000000");
  keyCopy(target, source, /*avMode=*/true);
  EXPECT_EQ(target[15], 0xAF);
}

TEST(ByteReaderWriter, RefuseToGoPastTheEnd) {
  const std::uint8_t data[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
  ByteReader r(ByteView(data, 5));
  EXPECT_EQ(r.u16le(), 0x0201);
  EXPECT_EQ(r.u16be(), 0x0304);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.u32le(), 0u);  // only one byte left
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.u8(), 0);  // stays failed
  EXPECT_FALSE(ByteReader(ByteView(data, 5), 6).ok());

  std::uint8_t out[6] = {};
  ByteWriter w(out);
  w.u32be(0x11223344);
  w.u32le(0x55667788);  // does not fit: nothing written
  EXPECT_FALSE(w.ok());
  EXPECT_EQ(hexAt(out, 0, 6), "112233440000");
  ByteWriter t(out);
  t.text("abcdefgh", 4);  // cut to three characters and a terminator
  EXPECT_EQ(hexAt(out, 0, 4), "61626300");
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
