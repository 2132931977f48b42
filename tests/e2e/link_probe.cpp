// A small program for the frame-channel e2e test: sends frames through the
// card table, or receives through the card table or the tool channel, on the
// interfaces named by STRANDLINE_INTERFACES.
//
//   link_probe send CARD HEXFRAME      send one frame; prints "sent N" or "refused"
//   link_probe recv MS                 print every frame the card table polls for MS ms
//   link_probe tool-recv IFINDEX MS    the same through the tool channel (ethertype 0x88E1)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/card_table.h"
#include "core/tool_channel.h"
#include "platform/clock.h"
#include "platform/pcap_link.h"
#include "protocol/management_frame.h"

using namespace strandline;

static void printFrame(int card, ByteView frame) {
  std::printf("frame card=%d len=%zu data=%s\n", card, frame.size(), toHex(frame).c_str());
  std::fflush(stdout);
}

static int send(CardTable& table, int card, const std::string& hex) {
  Bytes frame;
  if (!parseHex(hex, frame) || frame.size() > 0xFFFF) return 2;
  frame.resize(std::max<std::size_t>(frame.size(), 1));
  int ok = sendFrame(table, card, frame.data(), static_cast<std::uint16_t>(frame.size()));
  std::printf(ok ? "sent %zu\n" : "refused %zu\n", frame.size());
  return 0;
}

static int receive(CardTable& table, int ms) {
  for (int i = 0; i < table.count; ++i)
    std::printf("card %d %s %s\n", i, table.cards[i].deviceName.c_str(),
                macToText(table.cards[i].mac).c_str());
  std::printf("ready\n");
  std::fflush(stdout);
  SystemClock clock;
  std::uint64_t deadline = clock.nowMs() + static_cast<std::uint64_t>(ms);
  std::uint8_t buffer[kFrameBufferSize];
  for (std::uint64_t now = clock.nowMs(); now < deadline; now = clock.nowMs()) {
    std::uint32_t length = 0;
    if (pollCards(table, buffer, length)) {
      printFrame(table.lastRxCard, ByteView(buffer, length));
      continue;
    }
    waitForCards(table, static_cast<int>(deadline - now));
  }
  return 0;
}

static int toolReceive(PcapLink& link, int index, int ms) {
  ToolChannel channel;
  channel.link = &link;
  channel.ifIndex = index;
  Status status = openToolChannel(channel, 0x88E1);
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message.c_str());
    return 1;
  }
  std::printf("host %s\nready\n", macToText(channel.host).c_str());
  std::fflush(stdout);
  SystemClock clock;
  std::uint64_t deadline = clock.nowMs() + static_cast<std::uint64_t>(ms);
  std::uint8_t buffer[kFrameBufferSize];
  while (clock.nowMs() < deadline) {
    int n = readToolFrame(channel, buffer, sizeof buffer);
    if (n > 0) printFrame(index, ByteView(buffer, static_cast<std::size_t>(n)));
  }
  closeToolChannel(channel);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string mode = argv[1];
  PcapLink link(interfacesFromEnvironment());
  if (mode == "tool-recv" && argc == 4)
    return toolReceive(link, std::atoi(argv[2]), std::atoi(argv[3]));

  CardTable table;
  table.link = &link;
  openAllCards(table);
  std::string problem = capturePermissionProblem(table);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    return 1;
  }
  if (mode == "send" && argc == 4) return send(table, std::atoi(argv[2]), argv[3]);
  if (mode == "recv") return receive(table, std::atoi(argv[2]));
  return 2;
}
