// Both capture filters run through libpcap's own filter engine, instruction
// path by instruction path.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include "core/card_table.h"
#include "core/tool_channel.h"

namespace strandline {
namespace {

unsigned runOffline(const FilterProgram& program, const Bytes& frame) {
  std::vector<bpf_insn> insns;
  for (const FilterInstruction& i : program) insns.push_back({i.code, i.jt, i.jf, i.k});
  bpf_program compiled{static_cast<u_int>(insns.size()), insns.data()};
  pcap_pkthdr header{};
  header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
  return static_cast<unsigned>(pcap_offline_filter(&compiled, &header, frame.data()));
}

Bytes frame(const MacAddress& destination, std::uint16_t etherType, std::size_t length = 60) {
  Bytes frame(std::max<std::size_t>(length, 14), 0);
  std::copy(destination.begin(), destination.end(), frame.begin());
  frame[6] = 0x02;
  frame[12] = static_cast<std::uint8_t>(etherType >> 8);
  frame[13] = static_cast<std::uint8_t>(etherType);
  frame.resize(length);
  return frame;
}

const MacAddress kHost{0x02, 0x11, 0x22, 0x33, 0x44, 0x55};

TEST(CardTableFilter, AcceptsBothManagementEtherTypesToAnyAddress) {
  FilterProgram p = cardTableFilter();
  EXPECT_EQ(runOffline(p, frame(kHost, 0x887B)), 0xFFFFFFFFu);            // path 0-1-2
  EXPECT_EQ(runOffline(p, frame(kLocalDeviceMac, 0x88E1)), 0xFFFFFFFFu);  // path 0-1-3-4-5
  EXPECT_EQ(runOffline(p, frame(kBroadcastMac, 0x88E1, 1514)), 0xFFFFFFFFu);
}

TEST(CardTableFilter, RejectsOtherEtherTypesAndRuntFrames) {
  FilterProgram p = cardTableFilter();
  EXPECT_EQ(runOffline(p, frame(kHost, 0x0800)), 0u);  // path 0-1-3-4-6
  EXPECT_EQ(runOffline(p, frame(kHost, 0x88E2)), 0u);
  EXPECT_EQ(runOffline(p, frame(kHost, 0x887B, 13)), 0u);  // the ethertype load runs off the end
}

TEST(ToolChannelFilter, AcceptsTheEtherTypeToTheCardOrBroadcast) {
  FilterProgram p = toolChannelFilter(0x88E1, kHost);
  ASSERT_EQ(p.size(), 21u);
  EXPECT_EQ(runOffline(p, frame(kHost, 0x88E1, 60)), 60u);  // 0..13 then 18-19: whole length
  EXPECT_EQ(runOffline(p, frame(kHost, 0x88E1, 1514)), 1514u);
  EXPECT_EQ(runOffline(p, frame(kBroadcastMac, 0x88E1, 77)), 77u);  // 3 -> 14..17 -> 18-19
}

TEST(ToolChannelFilter, RejectsOtherEtherTypesAndOtherDestinations) {
  FilterProgram p = toolChannelFilter(0x88E1, kHost);
  EXPECT_EQ(runOffline(p, frame(kHost, 0x887B)), 0u);  // 1 -> 20
  EXPECT_EQ(runOffline(p, frame(kBroadcastMac, 0x0800)), 0u);
  // A destination that differs from the card in any one byte falls to the broadcast test.
  for (int i = 0; i < 6; ++i) {
    MacAddress other = kHost;
    other[static_cast<std::size_t>(i)] ^= 0x80;
    EXPECT_EQ(runOffline(p, frame(other, 0x88E1)), 0u) << "byte " << i;
  }
  // Broadcast in the first four bytes only (15 passes, 17 fails); and in the last two only.
  EXPECT_EQ(runOffline(p, frame({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF}, 0x88E1)), 0u);
  EXPECT_EQ(runOffline(p, frame({0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, 0x88E1)), 0u);
  EXPECT_EQ(runOffline(p, frame(kLocalDeviceMac, 0x88E1)), 0u);
}

TEST(ToolChannelFilter, OtherEtherTypeIsFilledIn) {
  FilterProgram p = toolChannelFilter(0x887B, kHost);
  EXPECT_EQ(runOffline(p, frame(kHost, 0x887B)), 60u);
  EXPECT_EQ(runOffline(p, frame(kHost, 0x88E1)), 0u);
}

}  // namespace
}  // namespace strandline
