#include "protocol/device_tool_frames.h"

#include <algorithm>

#include "base/checksum.h"

namespace strandline {

namespace {

// Clears `length` bytes and writes the Ethernet and vendor headers.
bool startFrame(std::span<std::uint8_t> frame, std::size_t length, const MacAddress& peer,
                const MacAddress& host, std::uint16_t mmtype) {
  if (frame.size() < length) return false;
  std::fill_n(frame.begin(), length, std::uint8_t{0});
  ByteWriter w(frame.first(length));
  w.bytes(peer.data(), peer.size());
  w.bytes(host.data(), host.size());
  w.u16be(kEtherTypeHomePlugAv);
  VendorMmeHeader header;
  header.mmtype = mmtype;
  w.u8(header.version);
  w.u16le(header.mmtype);
  w.bytes(header.oui.data(), header.oui.size());
  return w.ok();
}

}  // namespace

std::size_t buildToolRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                             const MacAddress& host, std::uint16_t mmtype) {
  return startFrame(frame, kToolRequestLength, peer, host, mmtype) ? kToolRequestLength : 0;
}

std::size_t buildToolModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                   const MacAddress& host, std::uint16_t mmtype,
                                   std::uint8_t module) {
  if (!startFrame(frame, kToolRequestLength, peer, host, mmtype)) return 0;
  frame[kToolModuleAt] = module;
  return kToolRequestLength;
}

std::size_t buildReadModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                   const MacAddress& host, std::uint8_t module,
                                   std::uint16_t length, std::uint32_t offset) {
  if (!startFrame(frame, kToolRequestLength, peer, host, kToolReadModuleRequest)) return 0;
  ByteWriter w(frame.first(kToolRequestLength), kToolModuleAt);
  w.u8(module);
  w.seek(kReadRequestLengthAt);
  w.u16le(length);
  w.seek(kReadRequestOffsetAt);
  w.u32le(offset);
  return w.ok() ? kToolRequestLength : 0;
}

std::size_t buildWriteModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                    const MacAddress& host, std::uint8_t module,
                                    std::uint32_t offset, ByteView chunk) {
  if (chunk.size() > kToolChunkLength) return 0;
  if (!startFrame(frame, kWriteModuleFrameLength, peer, host, kToolWriteModuleRequest)) return 0;
  ByteWriter w(frame.first(kWriteModuleFrameLength), kToolModuleAt);
  w.u8(module);
  w.seek(kWriteRequestReservedAt);
  w.u8(0);
  w.seek(kWriteRequestLengthAt);
  w.u16le(static_cast<std::uint16_t>(chunk.size()));
  w.seek(kWriteRequestOffsetAt);
  w.u32le(offset);
  w.seek(kWriteRequestChecksumAt);
  w.u32le(checksum32(chunk));
  w.seek(kWriteRequestDataAt);
  w.bytes(chunk);
  return w.ok() ? kWriteModuleFrameLength : 0;
}

std::optional<VendorMmeHeader> readVendorHeader(ByteView frame) {
  ByteReader r(frame, kToolHeaderAt);
  VendorMmeHeader header;
  header.version = r.u8();
  header.mmtype = r.u16le();
  header.oui = r.array<3>();
  if (!r.ok()) return std::nullopt;
  return header;
}

bool isToolConfirm(ByteView frame, std::uint16_t confirmType) {
  if (etherTypeOf(frame) != kEtherTypeHomePlugAv) return false;
  std::optional<VendorMmeHeader> header = readVendorHeader(frame);
  return header && header->version == 0 && header->mmtype == confirmType &&
         header->oui == VendorMmeHeader{}.oui;
}

std::optional<ToolVersionConfirm> parseToolVersionConfirm(ByteView frame) {
  ByteReader r(frame, kToolStatusAt);
  ToolVersionConfirm c;
  c.status = r.u8();
  c.hardwareType = r.u8();
  r.seek(kVersionTextAt);
  if (!r.ok()) return std::nullopt;
  c.version = r.text(std::min(kVersionTextMax, r.remaining()));
  return c;
}

std::optional<std::uint8_t> parseToolStatusConfirm(ByteView frame) {
  ByteReader r(frame, kToolStatusAt);
  std::uint8_t status = r.u8();
  if (!r.ok()) return std::nullopt;
  return status;
}

std::optional<ToolWriteConfirm> parseToolWriteConfirm(ByteView frame) {
  ByteReader r(frame, kToolStatusAt);
  ToolWriteConfirm c;
  c.status = r.u8();
  r.seek(kWriteConfirmLengthAt);
  c.length = r.u16le();
  c.offset = r.u32le();
  if (!r.ok()) return std::nullopt;
  return c;
}

std::optional<ToolReadConfirm> parseToolReadConfirm(ByteView frame) {
  ByteReader r(frame, kToolStatusAt);
  ToolReadConfirm c;
  c.status = r.u8();
  r.seek(kReadConfirmLengthAt);
  c.length = r.u16le();
  c.offset = r.u32le();
  c.checksum = r.u32le();
  if (!r.ok()) return std::nullopt;
  c.data = r.view(std::min<std::size_t>(c.length, r.remaining()));
  return c;
}

}  // namespace strandline
