#include "core/tool_channel.h"

#include <cstdio>
#include <cstring>

#include "core/card_table.h"
#include "protocol/management_frame.h"

namespace strandline {

FilterProgram toolChannelFilter(std::uint16_t etherType, const MacAddress& host) {
  return {
      {0x28, 0, 0, 0x0C},        // 0  load the ethertype
      {0x15, 0, 18, etherType},  // 1  not E: reject
      {0x30, 0, 0, 0},           // 2  destination byte 0
      {0x15, 0, 10, host[0]},    // 3  differs from the card: try broadcast
      {0x30, 0, 0, 1},           // 4
      {0x15, 0, 8, host[1]},     // 5
      {0x30, 0, 0, 2},           // 6
      {0x15, 0, 6, host[2]},     // 7
      {0x30, 0, 0, 3},           // 8
      {0x15, 0, 4, host[3]},     // 9
      {0x30, 0, 0, 4},           // 10
      {0x15, 0, 2, host[4]},     // 11
      {0x30, 0, 0, 5},           // 12
      {0x15, 4, 0, host[5]},     // 13 the card's own address: accept
      {0x20, 0, 0, 0},           // 14 destination bytes 0..3
      {0x15, 0, 4, 0xFFFFFFFF},  // 15
      {0x28, 0, 0, 4},           // 16 destination bytes 4..5
      {0x15, 0, 2, 0xFFFF},      // 17 broadcast: accept
      {0x80, 0, 0, 0},           // 18 A = frame length
      {0x16, 0, 0, 0},           // 19 accept A bytes
      {0x06, 0, 0, 0},           // 20 reject
  };
}

Status openToolChannel(ToolChannel& channel, std::uint16_t etherType) {
  if (!channel.link) return {StatusCode::Failed, "can't enumerate pcap devices: no link"};
  std::vector<CardInfo> cards;
  std::string error;
  if (!channel.link->listCards(cards, error))
    return {StatusCode::Failed, "can't enumerate pcap devices: " + error};
  if (channel.ifIndex < 1 || channel.ifIndex > static_cast<int>(cards.size())) {
    char text[64];
    std::snprintf(text, sizeof text, "invalid interface: %d", channel.ifIndex);
    return {StatusCode::NoSuchDevice, text};
  }
  const CardInfo& card = cards[static_cast<std::size_t>(channel.ifIndex - 1)];
  std::string deviceName = card.name;
  channel.host = card.mac;
  if (!macIsSet(channel.host.data())) queryCardAddress(deviceName, channel.host);

  OpenOptions options;
  options.promiscuous = false;
  Status status;
  channel.handle = channel.link->open(deviceName, options, status);

  char nicName[32];
  std::snprintf(nicName, sizeof nicName, "nic%d", channel.ifIndex);
  channel.ifName = nicName;
  if (!channel.handle) {
    status.message = "Can't open interface: " + channel.ifName + " (" + status.message + ")";
    return status;
  }
  status = channel.handle->setFilter(toolChannelFilter(etherType, channel.host));
  if (!status.ok()) {
    channel.handle.reset();
    return {status.code, "Can't install pcap filter: " + status.message};
  }
  channel.etherType = etherType;
  return {};
}

static void dump(ToolChannel& channel, ByteView frame) {
  if (!(channel.flags & 1) || !channel.dumpStream) return;
  std::string text = hexDump(frame);
  std::fwrite(text.data(), 1, text.size(), channel.dumpStream);
}

int sendToolFrame(ToolChannel& channel, const std::uint8_t* frame, std::size_t length) {
  dump(channel, ByteView(frame, length));
  if (!channel.handle) return -1;
  std::string error;
  if (!channel.handle->send(ByteView(frame, length), error)) {
    channel.errorText = error;
    return -1;
  }
  return static_cast<int>(length);
}

int readToolFrame(ToolChannel& channel, std::uint8_t* buffer, std::size_t capacity) {
  std::memset(buffer, 0, capacity);
  if (!channel.handle || !channel.link) return -1;
  CardPort* port = channel.handle.get();
  Bytes frame;
  std::string error;
  int rc = port->receive(frame, error);
  if (rc == 0 &&
      channel.link->wait(std::span<CardPort* const>(&port, 1), static_cast<int>(channel.timeoutMs)))
    rc = port->receive(frame, error);
  if (rc < 0) {
    channel.errorText = error;
    std::fprintf(stderr, "pcap_next_ex: %s\n", error.c_str());
    return -1;
  }
  if (rc == 0) return 0;
  std::size_t n = std::min(frame.size(), capacity);
  std::memcpy(buffer, frame.data(), n);
  dump(channel, ByteView(buffer, n));
  return static_cast<int>(n);
}

void closeToolChannel(ToolChannel& channel) {
  channel.handle.reset();
}

std::string hexDump(ByteView frame) {
  std::string out;
  char field[24];
  for (std::size_t line = 0; line < frame.size(); line += 16) {
    std::snprintf(field, sizeof field, "%08zX ", line);
    out += field;
    for (std::size_t i = line; i < line + 16; ++i) {
      if (i < frame.size()) {
        std::snprintf(field, sizeof field, "%02X ", frame[i]);
        out += field;
      } else {
        out += "   ";
      }
    }
    for (std::size_t i = line; i < line + 16; ++i) {
      if (i >= frame.size())
        out += ' ';
      else
        out += (frame[i] >= 0x20 && frame[i] < 0x7F) ? static_cast<char>(frame[i]) : '.';
    }
    out += '\n';
  }
  out += '\n';
  return out;
}

}  // namespace strandline
