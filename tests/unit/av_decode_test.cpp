#include "protocol/av_decode.h"

#include <gtest/gtest.h>

#include <array>

#include "protocol/av_messages.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using namespace testframes;

int decode(ThpapiContext& lib, const Bytes& frame, ThpapiResult& r, int selector = 0) {
  return thpapiDecodeFrame(lib, ByteView(frame.data(), frame.size()), r, selector);
}

struct MinimumCase {
  std::uint16_t type;
  std::size_t minimum;
  std::size_t variantAt;  // a byte that chooses the payload's variant (0: none)
  std::uint8_t variant;
  std::uint32_t operation;
  std::uint32_t completion;
};

// Every type with a minimum length: one byte short is rejected with error 14
// and leaves the result's payload cleared; the exact minimum decodes.
TEST(AvDecode, EveryTypeAtItsMinimumLength) {
  const MinimumCase cases[] = {
      {0xA001, 88, 0, 0, 4, 2},      {0xA00D, 22, 0, 0, 0, 2},      {0xA01D, 21, 0, 0, 5, 2},
      {0xA029, 22, 0, 0, 0, 2},      {0xA031, 24, 21, 3, 1, 2},     {0xA031, 64, 21, 0, 1, 2},
      {0xA031, 271, 21, 1, 1, 2},    {0xA031, 311, 21, 2, 1, 2},    {0xA035, 28, 0, 0, 0, 0},
      {0xA036, 51, 34, 0x31, 0, 0},  {0xA036, 186, 34, 0x30, 0, 0}, {0xA039, 33, 0, 0, 3, 2},
      {0xA051, 21, 0, 0, 8, 2},      {0xA055, 86, 0, 0, 2, 2},      {0xA059, 22, 21, 0, 16, 2},
      {0xA059, 122, 21, 100, 16, 2}, {0xA05D, 21, 0, 0, 12, 2},     {0xA062, 21, 0, 0, 6, 1},
      {0xA06D, 23, 0, 0, 11, 2},     {0xA071, 603, 0, 0, 10, 2},    {0xA07D, 21, 0, 0, 13, 2},
      {0xA091, 606, 0, 0, 14, 2},    {0xA095, 21, 0, 0, 15, 2},
  };
  for (const MinimumCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.type << std::dec << " at " << c.minimum);
    ThpapiContext lib;
    ThpapiResult r;
    Bytes exact = avFrame(c.type, c.minimum);
    for (std::size_t i = 20; i < exact.size(); ++i) exact[i] = 0x5A;
    exact[20] = 0;
    if (c.variantAt) exact[c.variantAt] = c.variant;
    EXPECT_EQ(decode(lib, exact, r), 0);
    EXPECT_EQ(r.messageType, c.type);
    EXPECT_EQ(r.operation, c.operation);
    EXPECT_EQ(r.completion, c.completion);

    Bytes shorter(exact.begin(), exact.end() - 1);
    EXPECT_EQ(decode(lib, shorter, r), -1);
    EXPECT_EQ(lib.lastError, kErrWrongHeader);
    EXPECT_EQ(r.status, kErrWrongHeader);
    EXPECT_EQ(r.dataLength, 0u);
    EXPECT_EQ(r.dataValid, 0);
  }
}

// A frame of `type` and `length` with the given bytes set.
Bytes with(Bytes f, std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
  for (auto [at, value] : bytes) f[at] = value;
  return f;
}
Bytes with(std::uint16_t type, std::size_t length, std::size_t at, std::uint8_t value) {
  return with(avFrame(type, length), {{at, value}});
}

TEST(AvDecode, MalformedFramesAreRejectedWithTheirErrorNumber) {
  Bytes cutHeader = avFrame(0xA001, 20);
  cutHeader.resize(19);
  const struct {
    const char* what;
    Bytes frame;
    int selector;
    int error;
    std::uint16_t messageType;
  } cases[] = {
      {"HomePlug 1.0 ethertype", with(0xA001, 88, 13, 0x7B), 0, kErrWrongEtherType, 0xFFFF},
      {"runt", Bytes(10, 0x88), 0, kErrWrongEtherType, 0xFFFF},
      {"OUI 00 B0 53", with(0xA001, 88, 19, 0x53), 0, kErrWrongHeader, 0xFFFF},
      {"unknown version 2", with(0xA001, 88, 14, 2), 0, kErrWrongHeader, 0xFFFF},
      {"version 1 frame read as version 0", avFrameV1(0xA039, 60), 0, kErrWrongHeader, 0xFFFF},
      {"version 0 frame read as version 1", avFrame(0xA039, 60), 4, kErrWrongHeader, 0xFFFF},
      {"header cut before the OUI", cutHeader, 0, kErrWrongHeader, 0xFFFF},
      {"v1 network information short", avFrameV1(0xA039, 55), kVersionSelectorV1, kErrWrongHeader,
       0xA039},
      {"unknown type 0xA003", avFrame(0xA003, 60), 0, kErrUnknownType, 0xFFFF},
      {"a request is no confirmation", avFrame(0xA000, 60), 0, kErrUnknownType, 0xFFFF},
      {"link stats block 2 short", with(0xA031, 300, 21, 2), 0, kErrWrongHeader, 0xA031},
      {"config block past the frame", with(0xA059, 60, 21, 200), 0, kErrWrongHeader, 0xA059},
      {"sniffer without beacon", with(0xA036, 120, 34, 0x10), 0, kErrWrongHeader, 0xA036},
      {"read confirm, no read", readConfirm(0, 2, Bytes(8, 1), 0), 0, kErrInvalid, 0xA025},
      {"write confirm, no update", moduleWriteConfirm(0, 1, 1024, 0), 0, kErrInvalid, 0xA021},
      {"memory confirm, no update", memoryWriteConfirm(0, 0x1000, 1024), 0, kErrInvalid, 0xA005},
      {"no frame at all", Bytes{}, 0, kErrWrongHeader, 0xFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ThpapiContext lib;
    ThpapiResult r;
    EXPECT_EQ(decode(lib, c.frame, r, c.selector), -1);
    EXPECT_EQ(lib.lastError, c.error);
    EXPECT_EQ(r.status, c.error);
    EXPECT_EQ(r.messageType, c.messageType);
    EXPECT_EQ(r.dataValid, 0);
  }
}

// Payloads copied from what the frame declares, and no further.
TEST(AvDecode, VariablePayloadsCopyWhatTheFrameDeclares) {
  // Version: identifier, text length, text field to 86; not the byte after it.
  Bytes version = with(avFrame(0xA001, 88), {{21, 0x19}, {22, 12}, {23, 'F'}, {86, 0x77}, {87, 9}});
  Bytes networkV1 = with(avFrameV1(0xA039, 56), {{27, 2}, {28, 0xAB}, {55, 0xCD}});
  Bytes fullNetwork = with(avFrame(0xA039, 1514), {{20, 1}, {1513, 0xEE}});
  Bytes linkStats = with(avFrame(0xA031, 271), {{21, 1}, {270, 0x42}});
  Bytes config = with(avFrame(0xA059, 60), {{20, 3}, {21, 4}, {22, 0xA0}, {25, 0xA3}, {26, 0xFF}});
  Bytes sniffer = with(avFrame(0xA036, 186),
                       {{21, 9}, {30, 0x44}, {31, 0x33}, {33, 0x11}, {34, 0xA0}, {185, 0x5C}});
  const struct {
    Bytes frame;
    int selector;
    std::uint32_t dataLength;  // 0: not checked
    std::vector<std::pair<std::size_t, std::uint8_t>> data;
  } cases[] = {
      {version, 0, 67, {{0, 0x19}, {1, 12}, {2, 'F'}, {65, 0x77}, {66, 0}}},
      {networkV1, kVersionSelectorV1, 1505, {{0, 2}, {1, 0xAB}, {28, 0xCD}, {29, 0}}},
      {fullNetwork, 0, 0, {{0, 1}, {1513 - 20, 0xEE}}},
      {linkStats, 0, 250, {{249, 0x42}}},
      {config, 0, 0, {{0, 3}, {1, 4}, {2, 0xA0}, {5, 0xA3}, {6, 0}}},
      {sniffer, 0, 168, {{0, 9}, {9, 0x44}, {13, 0xA0}, {29, 0}, {30, 0xA}, {166, 0x5C}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(hexAt(c.frame, 15, 2));
    ThpapiContext lib;
    ThpapiResult r;
    ASSERT_EQ(decode(lib, c.frame, r, c.selector), 0);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.dataValid, 1);
    EXPECT_EQ(r.source, kAdapter);
    EXPECT_EQ(r.destination, kHost);
    if (c.dataLength) {
      EXPECT_EQ(r.dataLength, c.dataLength);
    }
    for (auto [at, value] : c.data) EXPECT_EQ(r.data[at], value) << "data byte " << at;
  }
}

TEST(AvDecode, HostActionIndicationPreparesItsResponseOnce) {
  ThpapiContext lib;
  ThpapiResult r;
  ASSERT_EQ(decode(lib, with(0xA062, 60, 20, 2), r), 0);
  EXPECT_EQ(r.operation, 6u);
  EXPECT_EQ(r.completion, 1u);
  EXPECT_EQ(r.data[0], 2);
  EXPECT_EQ(r.dataLength, 1u);
  std::array<std::uint8_t, 1528> buffer;
  ASSERT_EQ(thpapiNextRequest(lib, buffer), 64u);
  EXPECT_EQ(hexAt(buffer, 0, 21), golden("00B052123456 020000000010 88E1 00 63A0 00B052 00"));
  EXPECT_EQ(thpapiNextRequest(lib, buffer), 0u);  // sent once

  EXPECT_EQ(decode(lib, avFrame(0xA062, 20), r), -1);  // too short to carry the action
  ASSERT_EQ(thpapiNextRequest(lib, buffer), 64u);
  EXPECT_EQ(buffer[20], 1);

  // During a transfer the response goes first, then the transfer's own request.
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), 0);
  ASSERT_EQ(decode(lib, avFrame(0xA062, 60), r), 0);
  ASSERT_EQ(thpapiNextRequest(lib, buffer), 64u);
  EXPECT_EQ(hexAt(buffer, 15, 2), "63A0");
  ASSERT_EQ(thpapiNextRequest(lib, buffer), 64u);
  EXPECT_EQ(hexAt(buffer, 15, 2), "24A0");
}

}  // namespace
}  // namespace strandline
