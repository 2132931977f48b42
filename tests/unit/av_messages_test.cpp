#include "protocol/av_messages.h"

#include <gtest/gtest.h>

#include <array>

#include "base/bytes.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using namespace testframes;

constexpr const char* kEthernetToLocal =
    "00B052000001"
    "020000000010"
    "88E1";

std::string frame(const std::array<std::uint8_t, 1528>& buffer, std::size_t n) {
  return toHex(ByteView(buffer.data(), n));
}

TEST(AvEncoders, GoldenBytesOfEverySingleFrameRequest) {
  ThpapiContext lib;
  std::array<std::uint8_t, 1528> buffer;
  const std::string zeros44(88, '0');  // bytes 20..63

  buffer.fill(0xEE);
  ASSERT_EQ(thpapiEncodeVersionRequest(lib, kHost, kLocalDeviceMac, buffer), 64u);
  EXPECT_EQ(frame(buffer, 64), std::string(kEthernetToLocal) +
                                   "00"
                                   "00A0"
                                   "00B052" +
                                   zeros44);

  buffer.fill(0xEE);
  ASSERT_EQ(thpapiReadConfigurationBlock(lib, kHost, kLocalDeviceMac, buffer), 64u);
  EXPECT_EQ(frame(buffer, 64), std::string(kEthernetToLocal) +
                                   "00"
                                   "58A0"
                                   "00B052" +
                                   zeros44);

  buffer.fill(0xEE);
  ASSERT_EQ(thpapiEncodeNetworkInfoRequest(lib, kHost, kLocalDeviceMac, buffer, false), 64u);
  EXPECT_EQ(frame(buffer, 64), std::string(kEthernetToLocal) +
                                   "00"
                                   "38A0"
                                   "00B052" +
                                   zeros44);

  buffer.fill(0xEE);
  ASSERT_EQ(thpapiEncodeNetworkInfoRequest(lib, kHost, kLocalDeviceMac, buffer, true), 64u);
  EXPECT_EQ(frame(buffer, 64), std::string(kEthernetToLocal) +
                                   "01"
                                   "38A0"
                                   "0000"
                                   "00B052" +
                                   std::string(84, '0'));
}

TEST(AvEncoders, SetKeyRequestLocalAndRemoteForms) {
  ThpapiContext lib;
  std::array<std::uint8_t, 1528> buffer;
  SetKeyParameters p;
  for (int i = 0; i < 16; ++i) {
    p.key[i] = static_cast<std::uint8_t>(0x10 + i);
    p.secondKey[i] = static_cast<std::uint8_t>(0xD0 + i);
  }
  p.target = kAdapter;

  p.selector = kKeySelectorLocal;
  buffer.fill(0xEE);
  ASSERT_EQ(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, buffer, p), 64u);
  EXPECT_EQ(frame(buffer, 64),
            "00B052123456"
            "020000000010"
            "88E1"
            "00"
            "50A0"
            "00B052"
            "01"
            "101112131415161718191A1B1C1D1E1F"
            "0F"
            "00B052123456"
            "00000000000000000000000000000000"
            "00000000");

  p.selector = kKeySelectorRemote;
  ASSERT_EQ(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, buffer, p), 64u);
  EXPECT_EQ(buffer[37], 0);
  EXPECT_EQ(toHex(ByteView(buffer.data() + 44, 16)), "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
  EXPECT_EQ(toHex(ByteView(buffer.data() + 60, 4)), "00000000");
}

TEST(AvEncoders, FailuresLeaveTheErrorNumber) {
  ThpapiContext lib;
  std::array<std::uint8_t, 1528> buffer;
  SetKeyParameters p;
  p.selector = 7;
  EXPECT_EQ(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, buffer, p), 0u);
  EXPECT_EQ(lib.lastError, kErrInvalid);

  std::array<std::uint8_t, 63> small;
  small.fill(0xEE);
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, small), 0u);
  EXPECT_EQ(lib.lastError, kErrRange);
  for (std::uint8_t b : small) EXPECT_EQ(b, 0);  // cleared, no partial frame left

  std::array<std::uint8_t, 64> exact;
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, exact), 64u);

  lib.lastError = 0;
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, std::span<std::uint8_t>()), 0u);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);
}

}  // namespace
}  // namespace strandline
