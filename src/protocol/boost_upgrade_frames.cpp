#include "protocol/boost_upgrade_frames.h"

#include <algorithm>

#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr std::size_t kCommandFields = 20;

// A loader command frame of `length` bytes with its header written; the
// writer stands at the first field.
Bytes commandFrame(const MacAddress& source, const MacAddress& destination, std::uint8_t code,
                   std::size_t length, std::uint16_t commandLength) {
  Bytes frame(length, 0);
  buildHp1Header(frame.data(), source.data(), destination.data());
  ByteWriter w(frame, kHp1OffsetEntryCount);
  w.u8(1);
  w.u8(kBoostLoaderEntry);
  w.u8(1);
  w.u8(code);
  w.u16be(commandLength);
  return frame;
}

}  // namespace

Bytes buildBoostLoaderRequest(const MacAddress& source, const MacAddress& destination) {
  Bytes frame(kBoostLoaderRequestLength, 0);
  buildHp1Header(frame.data(), source.data(), destination.data());
  frame[14] = 1;
  frame[15] = 0x12;
  frame[16] = 1;
  frame[17] = kBoostEnterLoader;
  return frame;
}

Bytes buildBoostChunkFrame(const MacAddress& source, const MacAddress& destination,
                           std::uint32_t module, std::uint32_t offset, ByteView data) {
  ByteView chunk = data.first(std::min(data.size(), kBoostChunkArea));
  Bytes frame = commandFrame(source, destination, kBoostWriteChunk, kBoostChunkFrameLength,
                             static_cast<std::uint16_t>(chunk.size() + 10));
  ByteWriter w(frame, kCommandFields);
  w.u32be(module);
  w.u32be(offset);
  w.u16be(static_cast<std::uint16_t>(chunk.size()));
  w.bytes(chunk);
  return frame;
}

Bytes buildBoostCommandFrame(const MacAddress& source, const MacAddress& destination,
                             std::uint8_t code, std::uint32_t value) {
  Bytes frame = commandFrame(source, destination, code, kBoostCommandFrameLength, 4);
  ByteWriter w(frame, kCommandFields);
  w.u32be(value);
  return frame;
}

Bytes buildBoostChecksumRequest(const MacAddress& source, const MacAddress& destination,
                                std::uint32_t module, std::uint32_t length) {
  Bytes frame =
      commandFrame(source, destination, kBoostModuleChecksum, kBoostChecksumFrameLength, 8);
  ByteWriter w(frame, kCommandFields);
  w.u32be(module);
  w.u32be(length);
  return frame;
}

Bytes buildBoostResetFrame(const MacAddress& source, const MacAddress& destination) {
  return commandFrame(source, destination, kBoostHardwareReset, kBoostResetFrameLength, 0);
}

std::optional<BoostLoaderAnswer> parseBoostLoaderAnswer(ByteView frame) {
  if (etherTypeOf(frame) != kEtherTypeHomePlug10) return std::nullopt;
  ByteReader r(frame);
  BoostLoaderAnswer answer;
  answer.destination = r.array<6>();
  answer.source = r.array<6>();
  r.seek(15);
  std::uint8_t entry = r.u8();
  r.seek(17);
  answer.code = r.u8();
  r.seek(20);
  answer.status = r.u8();
  if (!r.ok() || entry != kBoostLoaderEntry) return std::nullopt;
  if (answer.code == kBoostModuleChecksum) {
    r.seek(29);
    std::uint32_t checksum = r.u32be();
    if (r.ok()) answer.checksum = checksum;
  }
  return answer;
}

}  // namespace strandline
