// The tool channel: one card opened for the device-operations toolkit, with a
// filter passing one ethertype addressed to the card itself or to broadcast.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "platform/clock.h"
#include "platform/frame_link.h"

namespace strandline {

struct ToolChannel {
  std::int32_t fd = -1;
  std::int32_t ifIndex = 2;  // 1-based position of the card in the link's card list
  std::string ifName = "nic1";
  MacAddress peer = kLocalDeviceMac;
  MacAddress host{};
  std::uint16_t etherType = 0;
  std::unique_ptr<CardPort> handle;
  std::string errorText;
  std::uint32_t timeoutMs = 50;
  std::uint32_t flags = 0;  // bit 0: hex-dump every frame sent and received

  FrameLink* link = nullptr;
  std::FILE* dumpStream = stdout;
};

// The 21-instruction filter: ethertype E to `host` or to broadcast.
FilterProgram toolChannelFilter(std::uint16_t etherType, const MacAddress& host);

// Opens the card at position ifIndex. On failure the status carries the
// toolkit's text ("invalid interface: %d", "Can't open interface: %s", ...).
Status openToolChannel(ToolChannel& channel, std::uint16_t etherType);
// length, or -1 when the library refuses the frame.
int sendToolFrame(ToolChannel& channel, const std::uint8_t* frame, std::size_t length);
// Waits up to timeoutMs: the frame length, 0 on time-out, -1 on error.
int readToolFrame(ToolChannel& channel, std::uint8_t* buffer, std::size_t capacity);
void closeToolChannel(ToolChannel& channel);

// 16 bytes a line: 8-digit offset, the bytes in hex, the bytes as text; then an empty line.
std::string hexDump(ByteView frame);

}  // namespace strandline
