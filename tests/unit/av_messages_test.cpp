#include "protocol/av_messages.h"

#include <gtest/gtest.h>

#include <array>

#include "base/bytes.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using namespace testframes;

TEST(AvEncoders, GoldenBytesOfTheRequests) {
  ThpapiContext lib;
  std::array<std::uint8_t, 1528> buffer;
  buffer.fill(0xEE);
  // The frame of one encoder call, with the buffer dirtied again for the next.
  auto frame = [&](std::size_t length) {
    EXPECT_EQ(length, 64u);
    std::string hex = hexAt(buffer, 0, 64);
    buffer.fill(0xEE);
    return hex;
  };
  // A request to the local device: `payload` from byte 14, zeros up to 64.
  auto toLocal = [](const char* payload) {
    std::string hex = golden(std::string("00B052000001 020000000010 88E1 ") + payload);
    hex.resize(128, '0');
    return hex;
  };
  EXPECT_EQ(frame(thpapiEncodeVersionRequest(lib, kHost, kLocalDeviceMac, buffer)),
            toLocal("00 00A0 00B052"));
  EXPECT_EQ(frame(thpapiReadConfigurationBlock(lib, kHost, kLocalDeviceMac, buffer)),
            toLocal("00 58A0 00B052"));
  EXPECT_EQ(frame(thpapiEncodeNetworkInfoRequest(lib, kHost, kLocalDeviceMac, buffer, false)),
            toLocal("00 38A0 00B052"));
  EXPECT_EQ(frame(thpapiEncodeNetworkInfoRequest(lib, kHost, kLocalDeviceMac, buffer, true)),
            toLocal("01 38A0 0000 00B052"));

  SetKeyParameters p;
  for (int i = 0; i < 16; ++i) {
    p.key[i] = static_cast<std::uint8_t>(0x10 + i);
    p.secondKey[i] = static_cast<std::uint8_t>(0xD0 + i);
  }
  p.target = kAdapter;
  p.selector = kKeySelectorLocal;
  EXPECT_EQ(frame(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, buffer, p)),
            golden("00B052123456 020000000010 88E1 00 50A0 00B052 01 "
                   "101112131415161718191A1B1C1D1E1F 0F 00B052123456 "
                   "00000000000000000000000000000000 00000000"));
  p.selector = kKeySelectorRemote;
  ASSERT_EQ(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, buffer, p), 64u);
  EXPECT_EQ(buffer[37], 0);
  EXPECT_EQ(hexAt(buffer, 44, 20), golden("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF 00000000"));
}

TEST(AvEncoders, FailuresLeaveTheErrorNumber) {
  ThpapiContext lib;
  SetKeyParameters p;
  p.selector = 7;
  std::array<std::uint8_t, 64> exact;
  EXPECT_EQ(thpapiEncodeSetKeyRequest(lib, kHost, kAdapter, exact, p), 0u);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, exact), 64u);

  std::array<std::uint8_t, 63> small;
  small.fill(0xEE);
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, small), 0u);
  EXPECT_EQ(lib.lastError, kErrRange);
  EXPECT_EQ(small, (std::array<std::uint8_t, 63>{}));  // cleared, no partial frame left
  EXPECT_EQ(thpapiEncodeVersionRequest(lib, kHost, kAdapter, std::span<std::uint8_t>()), 0u);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);
}

}  // namespace
}  // namespace strandline
