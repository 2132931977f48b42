#include "protocol/av_decode.h"

#include <algorithm>

#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr std::size_t kStatusOffset = 20;

// Decodes the payload of one message type; the frame already holds the type's
// minimum length. Sets everything but messageType and the addresses.
using PayloadDecoder = int (*)(ThpapiContext&, ByteView, ThpapiResult&, bool versionOne);

struct CatalogueEntry {
  std::uint16_t type;
  std::uint16_t minLength;    // version-0 form
  std::uint16_t minLengthV1;  // version-1 form (0: as version 0)
  std::uint32_t operation;
  std::uint32_t completion;
  PayloadDecoder decode;
};

// Copies n bytes of the frame from `offset` into the result's data at `at`; the
// frame has been checked to hold them.
void copyOut(ByteView frame, std::size_t offset, std::size_t n, ThpapiResult& r, std::size_t at) {
  ByteReader in(frame, offset);
  in.bytes(r.data.data() + at, n);
}

int statusOnly(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.status = frame[kStatusOffset];
  return 0;
}

// 0xA001: status, device identifier, version text length, 64 bytes of text.
int versionConfirm(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 66, r, 0);
  r.dataLength = 67;
  r.dataValid = 1;
  return 0;
}

// 0xA031: status, three header bytes, then a block whose size byte 21 selects.
int linkStatsConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  if (frame.size() < 24) return failDecode(lib, r, kErrWrongHeader);
  std::size_t block = 0;
  switch (frame[21]) {
    case 0:
      block = 40;
      break;
    case 1:
      block = 247;
      break;
    case 2:
      block = 287;
      break;
    default:
      break;
  }
  if (frame.size() < 24 + block) return failDecode(lib, r, kErrWrongHeader);
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 3, r, 0);
  copyOut(frame, 24, block, r, 3);
  r.dataLength = static_cast<std::uint32_t>(3 + block);
  r.dataValid = 1;
  return 0;
}

// 0xA035: status, one byte, six bytes.
int snifferConfirm(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 7, r, 0);
  r.dataLength = 7;
  r.dataValid = 1;
  return 0;
}

// 0xA036. data: [0] byte 21, [1..8] bytes 22..29, [9..12] the 32-bit value at
// byte 30 (as received), [13..28] bytes 34..49, [29] low three bits and [30]
// high four bits of byte 34, [31..166] bytes 50..185 when the low three bits
// of byte 34 are zero.
int snifferIndication(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  std::uint8_t kind = frame[34];
  bool withBeacon = (kind & 0x07) == 0;
  if (withBeacon && frame.size() < 186) return failDecode(lib, r, kErrWrongHeader);
  copyOut(frame, 21, 28, r, 0);
  copyOut(frame, 34, 16, r, 13);
  r.data[29] = kind & 0x07;
  r.data[30] = kind >> 4;
  if (withBeacon) copyOut(frame, 50, 136, r, 31);
  r.dataLength = 168;
  r.dataValid = 1;
  return 0;
}

// 0xA039: number of networks, then the network and station tables, copied as
// far as the frame holds them (the rest of data stays zero).
int networkInfoConfirm(ThpapiContext&, ByteView frame, ThpapiResult& r, bool versionOne) {
  std::size_t countOffset = versionOne ? 27 : 20;
  std::size_t tableLength = versionOne ? 1501 : 1507;
  r.data[0] = frame[countOffset];
  std::size_t available = frame.size() - (countOffset + 1);
  copyOut(frame, countOffset + 1, std::min(tableLength, available), r, 1);
  r.dataLength = 1505;
  r.dataValid = 1;
  return 0;
}

// 0xA055: status, text length, 64 bytes of text.
int manufacturerConfirm(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 65, r, 0);
  r.dataLength = 65;
  r.dataValid = 1;
  return 0;
}

// 0xA059: device status, block length n, n bytes of block.
int configBlockConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  std::uint8_t n = frame[21];
  if (frame.size() < 22u + n) return failDecode(lib, r, kErrWrongHeader);
  copyOut(frame, 20, 2u + n, r, 0);
  r.dataLength = 1506;
  r.dataValid = 1;
  return 0;
}

// 0xA062: the requested action.
int hostActionIndication(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.data[0] = frame[kStatusOffset];
  r.dataLength = 1;
  r.dataValid = 1;
  return 0;
}

// 0xA06D: status and two setting bytes.
int ethernetSettingsConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  if (frame.size() < 23) return failDecode(lib, r, kErrWrongHeader);
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 2, r, 0);
  r.dataLength = 2;
  r.dataValid = 1;
  return 0;
}

// 0xA071: status, bytes 21..23, 578 tone map bytes from byte 25.
int toneMapConfirm(ThpapiContext&, ByteView frame, ThpapiResult& r, bool) {
  r.status = frame[kStatusOffset];
  copyOut(frame, 21, 3, r, 0);
  copyOut(frame, 25, 578, r, 3);
  r.dataLength = 581;
  r.dataValid = 1;
  return 0;
}

// 0xA091: as 0xA071, then bytes 603 and 604.
int rxToneMapConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool v1) {
  toneMapConfirm(lib, frame, r, v1);
  copyOut(frame, 603, 2, r, 581);
  r.dataLength = 583;
  return 0;
}

int moduleRead(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  return decodeModuleReadConfirm(lib, frame, r);
}
int Write(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  return decodeWriteConfirm(lib, frame, r);
}
int updateEnd(ThpapiContext& lib, ByteView frame, ThpapiResult& r, bool) {
  return decodeUpdateEndConfirm(lib, frame, r);
}

// Every message type the decoder knows. Minimum lengths cover every byte the
// type's decoder reads at fixed offsets; decoders of variable-length payloads
// check the rest themselves. Operation and completion of transfer
// confirmations come from the transfer.
constexpr CatalogueEntry kCatalogue[] = {
    {kMmVersionConfirm, 88, 0, 4, 2, versionConfirm},
    {kMmMemoryWriteConfirm, 29, 0, 0, 0, Write},
    {kMmStartConfirm, 22, 0, 0, 0, updateEnd},
    {kMmResetConfirm, 21, 0, 5, 2, statusOnly},
    {kMmModuleWriteConfirm, 29, 0, 0, 0, Write},
    {kMmModuleReadConfirm, 36, 0, 0, 0, moduleRead},
    {kMmCommitConfirm, 22, 0, 0, 0, updateEnd},
    {kMmLinkStatsConfirm, 24, 0, 1, 2, linkStatsConfirm},
    {kMmSnifferConfirm, 28, 0, 0, 0, snifferConfirm},
    {kMmSnifferIndication, 51, 0, 0, 0, snifferIndication},
    {kMmNetworkInfoConfirm, 33, 56, 3, 2, networkInfoConfirm},
    {kMmSetKeyConfirm, 21, 0, 8, 2, statusOnly},
    {kMmManufacturerConfirm, 86, 0, 2, 2, manufacturerConfirm},
    {kMmConfigBlockConfirm, 22, 0, 16, 2, configBlockConfirm},
    {kMmMemoryConfigConfirm, 21, 0, 12, 2, statusOnly},
    {kMmHostActionIndication, 21, 0, 6, 1, hostActionIndication},
    {kMmEthernetSettingsConfirm, 23, 0, 11, 2, ethernetSettingsConfirm},
    {kMmToneMapConfirm, 603, 0, 10, 2, toneMapConfirm},
    {kMmFactoryDefaultsConfirm, 21, 0, 13, 2, statusOnly},
    {kMmRxToneMapConfirm, 606, 0, 14, 2, rxToneMapConfirm},
    {kMmLedBehaviourConfirm, 21, 0, 15, 2, statusOnly},
};

const CatalogueEntry* findEntry(std::uint16_t type) {
  for (const CatalogueEntry& e : kCatalogue)
    if (e.type == type) return &e;
  return nullptr;
}

// Prepares the response to a host-action indication: back to its sender, one
// byte, 0 when the indication decoded.
void prepareHostActionResponse(ThpapiContext& lib, const ThpapiResult& r, bool decoded) {
  PendingRequest& p = lib.hostActionResponse;
  p = PendingRequest{};
  p.isPending = true;
  p.destination = r.source;
  p.source = r.destination;
  p.messageType = kMmHostActionResponse;
  p.fixedLength = 1;
  p.fixed[0] = decoded ? 0 : 1;
}

}  // namespace

int failDecode(ThpapiContext& lib, ThpapiResult& result, int error) {
  lib.lastError = error;
  result.status = static_cast<std::uint8_t>(error);
  result.operation = 0;
  result.completion = 0;
  result.dataValid = 0;
  result.dataLength = 0;
  result.data.fill(0);
  return -1;
}

int thpapiDecodeFrame(ThpapiContext& lib, ByteView frame, ThpapiResult& result,
                      int versionSelector) {
  result = ThpapiResult{};
  if (frame.data() == nullptr) return failDecode(lib, result, kErrWrongHeader);
  bool versionOne = versionSelector == kVersionSelectorV1;
  if (int error = checkAvHeader(frame, versionOne)) return failDecode(lib, result, error);

  // A valid header means the frame holds at least the 20 (22) header bytes.
  ByteReader header(frame);
  header.bytes(result.destination.data(), 6);
  header.bytes(result.source.data(), 6);
  header.seek(kAvOffsetType);
  std::uint16_t type = header.u16le();

  const CatalogueEntry* entry = findEntry(type);
  if (!entry) return failDecode(lib, result, kErrUnknownType);
  result.messageType = type;

  std::size_t minLength = versionOne && entry->minLengthV1 ? entry->minLengthV1 : entry->minLength;
  int rc = frame.size() < minLength ? failDecode(lib, result, kErrWrongHeader) : 0;
  if (rc == 0) {
    result.operation = entry->operation;
    result.completion = entry->completion;
    rc = entry->decode(lib, frame, result, versionOne);
  }
  if (type == kMmHostActionIndication) prepareHostActionResponse(lib, result, rc == 0);
  return rc;
}

}  // namespace strandline
