// The toolkit's frames byte for byte in both directions, its status texts and
// its report lines (the title and error lines are checked whole in the device
// operation tests).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "core/device_ops/tool_report.h"
#include "protocol/device_tool_frames.h"
#include "protocol/tool_status_text.h"

namespace strandline {
namespace {

const MacAddress kPeer = kLocalDeviceMac;
const MacAddress kHost = {0x02, 0x5C, 0x00, 0x00, 0x00, 0x01};
const std::string kHeads = "00B052000001 025C00000001 88E1 00";  // addresses, ethertype, version

Bytes hex(const std::string& text, std::size_t padTo = 0) {
  Bytes out;
  EXPECT_TRUE(parseHex(text, out)) << text;
  if (out.size() < padTo) out.resize(padTo, 0);
  return out;
}

TEST(ToolFrames, RequestsAsGoldenBytes) {
  using Build = std::function<std::size_t(std::span<std::uint8_t>)>;
  const std::uint8_t chunk[] = {1, 2, 3, 4, 5};
  struct Case {
    const char* what;
    Build build;
    std::string bytes;
    std::size_t length;
  };
  const Case cases[] = {
      {"version query", [](auto f) { return buildToolRequest(f, kPeer, kHost, 0xA000); },
       kHeads + "00A0 00B052", 64},
      {"factory defaults", [](auto f) { return buildToolRequest(f, kPeer, kHost, 0xA07C); },
       kHeads + "7CA0 00B052", 64},
      {"commit", [](auto f) { return buildToolModuleRequest(f, kPeer, kHost, 0xA028, 2); },
       kHeads + "28A0 00B052 02", 64},
      {"read module",
       [](auto f) { return buildReadModuleRequest(f, kPeer, kHost, 2, 1024, 0x3C00); },
       kHeads + "24A0 00B052 02 00 0004 003C0000", 64},
      // The checksum of 01 02 03 04 (the fifth byte is outside every word) is FBFCFDFE.
      {"write module",
       [&](auto f) { return buildWriteModuleRequest(f, kPeer, kHost, 2, 0x400, chunk); },
       kHeads + "20A0 00B052 02 00 0500 00040000 FEFDFCFB 0102030405", 1056},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes frame(1514, 0xEE);  // what the buffer held before
    ASSERT_EQ(c.build(frame), c.length);
    frame.resize(c.length);
    EXPECT_EQ(toHex(frame), toHex(hex(c.bytes, c.length)));
  }
  // Too small a buffer, too long a chunk: nothing is built.
  Bytes small(63), frame(1514);
  EXPECT_EQ(buildToolRequest(small, kPeer, kHost, 0xA000), 0u);
  EXPECT_EQ(buildWriteModuleRequest(frame, kPeer, kHost, 1, 0, Bytes(1025)), 0u);
}

TEST(ToolFrames, ConfirmsAsGoldenBytes) {
  const std::string from = "025C00000001 00B052AABBCC 88E1 00";
  Bytes version = hex(from + "01A0 00B052 00 02 07 5645522D312E30", 60);
  auto v = parseToolVersionConfirm(version);
  ASSERT_TRUE(v);
  EXPECT_EQ((std::tuple{v->status, v->hardwareType, v->version}),
            (std::tuple{std::uint8_t{0}, std::uint8_t{2}, std::string("VER-1.0")}));

  auto w = parseToolWriteConfirm(hex(from + "21A0 00B052 14 02 00 0004 00080000", 60));
  ASSERT_TRUE(w);
  EXPECT_EQ((std::tuple{w->status, w->length, w->offset}),
            (std::tuple{std::uint8_t{0x14}, std::uint16_t{1024}, std::uint32_t{0x800}}));

  Bytes read = hex(from + "25A0 00B052 00 000000 02 00 0400 003C0000 FEFDFCFB 01020304", 60);
  auto r = parseToolReadConfirm(read);
  ASSERT_TRUE(r);
  EXPECT_EQ((std::tuple{r->status, r->length, r->offset, r->checksum}),
            (std::tuple{std::uint8_t{0}, std::uint16_t{4}, std::uint32_t{0x3C00},
                        std::uint32_t{0xFBFCFDFE}}));
  EXPECT_EQ(toHex(r->data), "01020304");

  EXPECT_EQ(parseToolStatusConfirm(hex(from + "29A0 00B052 10", 60)), std::uint8_t{0x10});

  // A frame that ends early yields nothing, or only the data it holds.
  EXPECT_FALSE(parseToolReadConfirm(Bytes(read.begin(), read.begin() + 35)));
  EXPECT_FALSE(parseToolWriteConfirm(Bytes(28)));
  EXPECT_FALSE(parseToolVersionConfirm(Bytes(22)));
  EXPECT_FALSE(parseToolStatusConfirm(Bytes(20)));
  read[26] = 0x00;
  read[27] = 0x04;  // states 1024 bytes in a 60-byte frame
  EXPECT_EQ(parseToolReadConfirm(read)->data.size(), 24u);
}

TEST(ToolFrames, ConfirmMatchingIgnoresTheSourceOnly) {
  const Bytes good = hex("025C00000001 00B052AABBCC 88E1 00 29A0 00B052", 60);
  EXPECT_TRUE(isToolConfirm(good, 0xA029));
  Bytes otherSource = good;
  otherSource[11] = 0x01;
  EXPECT_TRUE(isToolConfirm(otherSource, 0xA029));
  const std::pair<std::size_t, std::uint8_t> spoilers[] = {{13, 0x7B}, {14, 0x01}, {15, 0x25},
                                                           {17, 0x01}, {18, 0xB1}, {19, 0x53}};
  for (auto [at, value] : spoilers) {
    Bytes bad = good;
    bad[at] = value;
    EXPECT_FALSE(isToolConfirm(bad, 0xA029)) << "byte " << at;
  }
  EXPECT_FALSE(isToolConfirm(Bytes(good.begin(), good.begin() + 19), 0xA029));
}

TEST(ToolStatusText, TableLookupAndFallback) {
  const std::tuple<std::uint16_t, std::uint8_t, std::string> cases[] = {
      {0xA01D, 0x77, "Failure"},  // a code the type does not list
      {0xA01D, 0x00, "Success"},
      {0xA0FF, 0x00, "Success"},  // a type the table does not hold
      {0xA0FF, 0x01, "Failure"},
      {0xA005, 0x14, "Bad Checksum"},        // first row
      {0xA0F5, 0x11, "Bad Tone Map Index"},  // last row
      {0xA025, 0x20, "Unexpected Offset"},   // the same code reads differently by type
      {0xA021, 0x20, "Bad Offset"},
      {0xA0C5, 0x07, "Link Update in Progress, try again later"},
      {0xA0C9, 0x07, "Link Update in Progress. Try again later"},
  };
  for (const auto& [type, code, text] : cases)
    EXPECT_EQ(mmeStatusText(type, code), text) << std::hex << type << " " << int{code};
}

TEST(ToolStatusText, FourLinkConfirmsCarryTheirStatusAtByte24) {
  for (std::uint16_t type : {0xA0C1, 0xA0C5, 0xA0C9, 0xA0CD, 0xA0C3, 0xA029}) {
    Bytes frame(60, 0);
    frame[15] = static_cast<std::uint8_t>(type);
    frame[16] = static_cast<std::uint8_t>(type >> 8);
    frame[20] = 0x10;
    frame[24] = 0x31;
    bool at24 = type != 0xA0C3 && type != 0xA029;
    EXPECT_EQ(toolConfirmStatus(frame), at24 ? 0x31 : 0x10) << std::hex << type;
  }
  EXPECT_EQ(toolConfirmStatus(Bytes(20)), 0);
}

TEST(ToolReport, LinesByteForByte) {
  Bytes confirm = hex("025C00000001 00B052AABBCC 88E1 00 21A0 00B052 14", 60);
  Bytes link = hex("025C00000001 00B052AABBCC 88E1 00 C9A0 00B052 00 000000 31", 60);
  EXPECT_EQ(toolProgressLine("nic1", confirm, "Wrote user.pib"),
            "nic1 00:B0:52:AA:BB:CC Wrote user.pib\n");
  EXPECT_EQ(toolFailureLine("nic1", confirm, "Device refused request"),
            "nic1 00:B0:52:AA:BB:CC Bad Checksum (0x14): Device refused request\n");
  EXPECT_EQ(toolFailureLine("nic2", link, "Device refused request"),
            "nic2 00:B0:52:AA:BB:CC Peer Confirm Timed out (0x31): Device refused request\n");
  confirm[20] = 0;
  EXPECT_EQ(toolFailureLine("nic1", confirm, "Device did not Start"),
            "nic1 00:B0:52:AA:BB:CC Device did not Start\n");
  EXPECT_EQ(toolFailureLine("nic1", Bytes(1514, 0), "Device did not Start"),
            "nic1 00:00:00:00:00:00 Device did not Start\n");
  EXPECT_EQ(baseName("/data/SLU/user.pib"), "user.pib");
  EXPECT_EQ(baseName("C:\\default.pib"), "default.pib");
}

}  // namespace
}  // namespace strandline
