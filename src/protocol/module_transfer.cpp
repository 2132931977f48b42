#include "protocol/module_transfer.h"

#include <algorithm>

#include "base/checksum.h"
#include "protocol/av_decode.h"
#include "protocol/av_library.h"
#include "protocol/management_frame.h"

namespace strandline {

std::size_t Chunker::chunkAt(std::size_t index) {
  std::size_t chunks = (image_.size() + kTransferChunkSize - 1) / kTransferChunkSize;
  index_ = index;
  if (index >= chunks) {
    position_ = image_.size();
    return 0;
  }
  position_ = index * kTransferChunkSize;
  return std::min(kTransferChunkSize, image_.size() - position_);
}

namespace {

constexpr std::uint32_t kMaxOffset = 0xFFFFFFFFu;
constexpr std::uint8_t kRetries = 3;

void clearTransfer(TransferContext& t) {
  t = TransferContext{};
}

std::uint32_t headerWord(ByteView header, std::size_t index) {
  ByteReader r(header, index * 4);
  return r.u32le();
}

void setRequest(TransferContext& t, std::uint16_t type) {
  PendingRequest& p = t.pending;
  p.isPending = true;
  p.messageType = type;
  p.fixed.fill(0);
  p.fixedLength = 0;
  p.data = {};
}

void requestModuleRead(TransferContext& t, std::uint8_t module, std::uint32_t length,
                       std::uint32_t offset) {
  setRequest(t, kMmModuleReadRequest);
  ByteWriter w(t.pending.fixed);
  w.u8(module);
  w.u8(0);
  w.u16le(static_cast<std::uint16_t>(length));
  w.u32le(offset);
  t.pending.fixedLength = static_cast<std::uint32_t>(w.position());
  t.expectModule = module;
  t.expectOffset = offset;
  t.expectLength = length;
}

void requestModuleWrite(TransferContext& t, std::uint8_t module, ByteView chunk,
                        std::uint32_t offset) {
  setRequest(t, kMmModuleWriteRequest);
  ByteWriter w(t.pending.fixed);
  w.u8(module);
  w.u8(0);
  w.u16le(static_cast<std::uint16_t>(chunk.size()));
  w.u32le(offset);
  w.u32le(checksum32(chunk));
  t.pending.fixedLength = static_cast<std::uint32_t>(w.position());
  t.pending.data = chunk;
  t.expectModule = module;
  t.expectOffset = offset;
  t.expectLength = static_cast<std::uint32_t>(chunk.size());
}

void requestMemoryWrite(TransferContext& t, std::uint32_t address, ByteView chunk) {
  setRequest(t, kMmMemoryWriteRequest);
  ByteWriter w(t.pending.fixed);
  w.u32le(address);
  w.u32le(static_cast<std::uint32_t>(chunk.size()));
  t.pending.fixedLength = static_cast<std::uint32_t>(w.position());
  t.pending.data = chunk;
  t.expectModule = 0;
  t.expectOffset = address;
  t.expectLength = static_cast<std::uint32_t>(chunk.size());
}

void requestStart(TransferContext& t) {
  setRequest(t, kMmStartRequest);
  ByteWriter w(t.pending.fixed);
  w.u8(1);
  w.zeros(3);
  for (std::uint32_t word : t.startWords) w.u32le(word);
  t.pending.fixedLength = static_cast<std::uint32_t>(w.position());
}

void requestCommit(TransferContext& t) {
  setRequest(t, kMmCommitRequest);
  t.pending.fixed[0] = static_cast<std::uint8_t>(t.imageMask | (t.flags & kTransferCommitOption));
  t.pending.fixedLength = 1;
}

// Replies go back to the station that confirmed.
void answerTo(TransferContext& t, const ThpapiResult& r) {
  t.pending.destination = r.source;
  t.pending.source = r.destination;
}

void takeStartWords(TransferContext& t, ByteView header) {
  for (std::size_t i = 0; i < t.startWords.size(); ++i)
    t.startWords[i] = headerWord(header, kHeaderWordLoadAddress + i);
}

// Memory-write form: image A is a chain of 44-byte headers; the last one
// describes the executable image, which is written to its load address.
int beginMemoryForm(TransferContext& t, ByteView imageA) {
  if (imageA.empty()) return kErrWrongHeader;
  std::size_t offset = 0;
  for (;;) {
    if (imageA.size() < kImageHeaderLength || offset > imageA.size() - kImageHeaderLength)
      return kErrWrongHeader;
    ByteView header = imageA.subspan(offset, kImageHeaderLength);
    if (checksum32(header) != 0) return kErrInvalid;
    std::uint32_t next = headerWord(header, kHeaderWordNextHeader);
    if (next == 0) break;
    if (next <= offset) return kErrInvalid;  // a chain must move forward
    offset = next;
  }
  ByteView header = imageA.subspan(offset, kImageHeaderLength);
  std::uint32_t length = headerWord(header, kHeaderWordImageLength);
  std::size_t dataStart = offset + kImageHeaderLength;
  if (length == 0) return kErrInvalid;
  if (length > imageA.size() - dataStart) return kErrWrongHeader;
  t.imageA.emplace(imageA.subspan(dataStart, length));
  t.flags |= kTransferFirstPending;
  t.imageMask |= 1;
  t.writingImageA = true;
  takeStartWords(t, header);
  std::size_t n = t.imageA->chunkAt(0);
  requestMemoryWrite(t, headerWord(header, kHeaderWordLoadAddress), t.imageA->chunk(n));
  return 0;
}

// Module-write form: image A (if given) goes to module 1, then image B to module 2.
int beginModuleForm(TransferContext& t, ByteView imageA) {
  bool endsWithStart = (t.flags & kTransferReadOrCommit) == 0;
  if (endsWithStart) {
    if (imageA.size() < kImageHeaderLength) return kErrWrongHeader;  // no header to start
    takeStartWords(t, imageA.first(kImageHeaderLength));
  }
  if (imageA.empty()) {
    t.writingImageA = false;
    std::size_t n = t.imageB->chunkAt(0);
    requestModuleWrite(t, 2, t.imageB->chunk(n), 0);
    return 0;
  }
  t.imageA.emplace(imageA);
  t.flags |= kTransferFirstPending;
  t.imageMask |= 1;
  t.writingImageA = true;
  std::size_t n = t.imageA->chunkAt(0);
  requestModuleWrite(t, 1, t.imageA->chunk(n), 0);
  return 0;
}

// A read chunk that failed (device status or a local check): resend the same
// request while retries remain, else end the read.
int retryRead(ThpapiContext& lib, ThpapiResult& r, std::uint8_t status) {
  TransferContext& t = lib.transfer;
  r.status = status;
  r.operation = t.operation;
  if (t.retriesLeft > 0) {
    --t.retriesLeft;
    t.pending.isPending = true;
    r.completion = 1;
  } else {
    r.completion = 2;
    clearTransfer(t);
  }
  return 0;
}

// Length of the next read request at `offset`: a whole image header when one
// starts there, else up to 1024 bytes without passing the next header or the
// end of the module.
std::uint32_t nextReadLength(const TransferContext& t, std::uint32_t offset) {
  bool headerChain = t.expectModule == 1 && t.nextHeader != 0;
  if (headerChain && offset == t.nextHeader) return kImageHeaderLength;
  std::uint32_t limit = headerChain ? t.nextHeader : t.totalLength;
  return std::min<std::uint32_t>(kTransferChunkSize, limit - offset);
}

}  // namespace

int thpapiBeginModuleRead(ThpapiContext& lib, const MacAddress& source,
                          const MacAddress& destination, int readType) {
  TransferContext& t = lib.transfer;
  if (t.flags & kTransferBusy) {
    lib.lastError = kErrBusy;
    return -1;
  }
  if (readType < 1 || readType > 3) {
    lib.lastError = kErrInvalid;
    return -1;
  }
  clearTransfer(t);
  t.flags = kTransferReadOrCommit;
  if (readType != 2) t.flags |= kTransferFirstPending;
  if (readType != 1) t.flags |= kTransferSecondPending;
  t.readType = readType;
  t.operation = kOperationModuleRead;
  t.stage = TransferStage::Reading;
  // The first chunk may be resent like any other: a single corrupt answer
  // must not end a read that the next answer would complete.
  t.retriesLeft = kRetries;
  t.pending.destination = destination;
  t.pending.source = source;
  if (readType == 2)
    requestModuleRead(t, 2, kTransferChunkSize, 0);
  else
    requestModuleRead(t, 1, kImageHeaderLength, 0);
  return 0;
}

int thpapiBeginUpdate(ThpapiContext& lib, const MacAddress& source, const MacAddress& destination,
                      ByteView imageA, ByteView imageB, std::uint32_t options) {
  TransferContext& t = lib.transfer;
  if (imageB.empty()) {
    lib.lastError = kErrWrongHeader;
    return -1;
  }
  if (t.flags & kTransferBusy) {
    lib.lastError = kErrBusy;
    return -1;
  }
  clearTransfer(t);
  t.flags = options & kTransferOptionMask;
  t.operation = kOperationUpdate;
  t.pending.destination = destination;
  t.pending.source = source;
  t.imageB.emplace(imageB);
  t.flags |= kTransferSecondPending;
  t.imageMask = 2;
  // Module writes when bit 5 is set or bits 0, 1 and 4 all are; memory writes otherwise.
  t.memoryForm = (t.flags & kTransferModuleForm) == 0 && (t.flags & 0x13) != 0x13;
  int error = t.memoryForm ? beginMemoryForm(t, imageA) : beginModuleForm(t, imageA);
  if (error) {
    clearTransfer(t);
    lib.lastError = error;
    return -1;
  }
  t.stage = TransferStage::Writing;
  t.bytesTotal = t.imageB->size() + (t.imageA ? t.imageA->size() : 0);
  return 0;
}

std::size_t thpapiNextRequest(ThpapiContext& lib, std::span<std::uint8_t> buffer) {
  PendingRequest& p =
      lib.hostActionResponse.isPending ? lib.hostActionResponse : lib.transfer.pending;
  if (!p.isPending) return 0;
  if (buffer.data() == nullptr) {
    lib.lastError = kErrWrongHeader;
    return 0;
  }
  std::size_t length = avRequestLength(kAvV0OffsetPayload + p.fixedLength + p.data.size());
  if (buffer.size() < length) {
    lib.lastError = kErrRange;
    return 0;
  }
  p.isPending = false;
  std::fill(buffer.begin(), buffer.begin() + length, 0);
  buildAvHeaderV0(buffer.data(), p.destination.data(), p.source.data(), p.messageType);
  ByteWriter w(buffer, kAvV0OffsetPayload);
  w.bytes(p.fixed.data(), p.fixedLength);
  w.bytes(p.data);
  return length;
}

bool thpapiTransferBusy(const ThpapiContext& lib) {
  return (lib.transfer.flags & kTransferBusy) != 0;
}

std::uint16_t thpapiAwaitedConfirm(const ThpapiContext& lib) {
  const TransferContext& t = lib.transfer;
  switch (t.stage) {
    case TransferStage::Reading:
      return kMmModuleReadConfirm;
    case TransferStage::Writing:
      return t.memoryForm ? kMmMemoryWriteConfirm : kMmModuleWriteConfirm;
    case TransferStage::Finishing:
      return (t.flags & kTransferReadOrCommit) ? kMmCommitConfirm : kMmStartConfirm;
    case TransferStage::Idle:
      break;
  }
  return 0;
}

UpdateProgress thpapiUpdateProgress(const ThpapiContext& lib) {
  const TransferContext& t = lib.transfer;
  UpdateProgress p;
  if (t.operation != kOperationUpdate) return p;
  p.bytesAcknowledged = t.bytesAcknowledged;
  p.bytesTotal = t.bytesTotal;
  if (t.stage == TransferStage::Finishing)
    p.phase = UpdatePhase::Finishing;
  else if (t.stage == TransferStage::Writing)
    p.phase = t.writingImageA ? UpdatePhase::Firmware : UpdatePhase::Parameters;
  return p;
}

void thpapiAbortTransfer(ThpapiContext& lib) {
  clearTransfer(lib.transfer);
}

// 0xA025: 20 status, 24 module id, 26 length (16), 28 offset (32), 32 checksum
// of the data (32), 36 data.
int decodeModuleReadConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r) {
  TransferContext& t = lib.transfer;
  ByteReader in(frame, 20);
  std::uint8_t status = in.u8();
  in.seek(24);
  std::uint8_t module = in.u8();
  in.skip(1);
  std::uint16_t length = in.u16le();
  std::uint32_t offset = in.u32le();
  std::uint32_t checksum = in.u32le();
  if (!in.ok()) return failDecode(lib, r, kErrWrongHeader);
  // Only the confirmation of the outstanding request moves the read on; a
  // stale duplicate would otherwise repeat or skip data.
  if (t.stage != TransferStage::Reading || module != t.expectModule || offset != t.expectOffset)
    return failDecode(lib, r, kErrInvalid);

  if (status != 0) return retryRead(lib, r, status);
  if (length > t.expectLength) {
    lib.lastError = kErrRange;
    return retryRead(lib, r, kErrRange);
  }
  ByteView chunk = in.view(length);
  if (!in.ok()) return failDecode(lib, r, kErrWrongHeader);
  if (!checksumMatches(chunk, checksum)) {
    lib.lastError = kErrInvalid;
    return retryRead(lib, r, kErrInvalid);
  }
  std::uint64_t end = std::uint64_t{offset} + length;
  if (end > kMaxOffset) return failDecode(lib, r, kErrWrongHeader);

  std::uint32_t totalLength = t.totalLength;
  std::uint32_t nextHeader = t.nextHeader;
  if (module == 2 && offset == 0) {
    // The parameter block states its own length at byte 4.
    ByteReader block(chunk, 4);
    totalLength = block.u32le();
    nextHeader = 0;
    if (!block.ok()) return failDecode(lib, r, kErrWrongHeader);
  } else if (module == 1 && offset == t.nextHeader) {
    if (chunk.size() < kImageHeaderLength) return failDecode(lib, r, kErrWrongHeader);
    ByteView header = chunk.first(kImageHeaderLength);
    if (checksum32(header) != 0) return failDecode(lib, r, kErrWrongHeader);
    std::uint64_t imageEnd =
        std::uint64_t{offset} + kImageHeaderLength + headerWord(header, kHeaderWordImageLength);
    nextHeader = headerWord(header, kHeaderWordNextHeader);
    if (imageEnd > kMaxOffset) return failDecode(lib, r, kErrWrongHeader);
    if (nextHeader != 0 && nextHeader < offset + kImageHeaderLength)
      return failDecode(lib, r, kErrWrongHeader);
    totalLength = static_cast<std::uint32_t>(imageEnd);
  }
  bool lastOfModule = nextHeader == 0 && end >= totalLength;
  if (length == 0 && !lastOfModule) {  // no progress: ask again
    lib.lastError = kErrInvalid;
    return retryRead(lib, r, kErrInvalid);
  }
  t.totalLength = totalLength;
  t.nextHeader = nextHeader;

  bool finished = lastOfModule && !(t.readType == 3 && module == 1);
  r.operation = t.operation;
  r.status = 0;
  ByteWriter out(r.data);
  out.u32le(module);
  out.u8(finished ? 1 : 0);
  out.u32le(length);
  out.bytes(chunk);
  r.dataLength = length + 9u;
  r.dataValid = 1;

  t.retriesLeft = kRetries;
  answerTo(t, r);
  if (!lastOfModule) {
    auto next = static_cast<std::uint32_t>(end);
    requestModuleRead(t, module, nextReadLength(t, next), next);
    r.completion = 1;
  } else if (!finished) {
    t.flags &= ~kTransferFirstPending;
    t.totalLength = 0;
    t.nextHeader = 0;
    requestModuleRead(t, 2, kTransferChunkSize, 0);
    r.completion = 1;
  } else {
    r.completion = 2;
    clearTransfer(t);
  }
  return 0;
}

// 0xA021: 20 status, 21 module id, 23 length (16), 25 offset (32).
// 0xA005: 20 status, 21 load address (32), 25 length (32).
int decodeWriteConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r) {
  TransferContext& t = lib.transfer;
  bool memory = r.messageType == kMmMemoryWriteConfirm;
  ByteReader in(frame, 20);
  std::uint8_t status = in.u8();
  std::uint8_t module = 0;
  std::uint32_t where = 0;
  if (memory) {
    where = in.u32le();
  } else {
    module = in.u8();
    in.seek(25);
    where = in.u32le();
  }
  if (!in.ok()) return failDecode(lib, r, kErrWrongHeader);
  if (t.stage != TransferStage::Writing || memory != t.memoryForm || module != t.expectModule ||
      where != t.expectOffset)
    return failDecode(lib, r, kErrInvalid);

  r.operation = t.operation;
  r.status = status;
  if (status != 0) {
    if (t.retriesLeft > 0) {
      --t.retriesLeft;
      t.pending.isPending = true;
      r.completion = 1;
      return 0;
    }
    clearTransfer(t);
    failDecode(lib, r, kErrInvalid);
    r.status = status;
    r.operation = kOperationUpdate;
    r.completion = 2;
    return -1;
  }

  t.retriesLeft = kRetries;
  r.completion = 1;
  answerTo(t, r);
  t.bytesAcknowledged += t.expectLength;
  Chunker& image = t.writingImageA ? *t.imageA : *t.imageB;
  std::uint32_t sent = t.expectLength;
  if (!image.isLast(sent)) {
    std::size_t n = image.nextChunk();
    if (memory)
      requestMemoryWrite(t, where + sent, image.chunk(n));
    else
      requestModuleWrite(t, module, image.chunk(n), static_cast<std::uint32_t>(image.offset()));
  } else if (t.writingImageA) {
    t.flags &= ~kTransferFirstPending;
    t.writingImageA = false;
    std::size_t n = t.imageB->chunkAt(0);
    if (memory)
      requestMemoryWrite(t, kParameterBlockLoadAddress, t.imageB->chunk(n));
    else
      requestModuleWrite(t, 2, t.imageB->chunk(n), 0);
  } else {
    t.flags &= ~kTransferSecondPending;
    if (t.flags & kTransferReadOrCommit)
      requestCommit(t);
    else
      requestStart(t);
    t.imageA.reset();
    t.imageB.reset();
    t.stage = TransferStage::Finishing;
  }
  return 0;
}

// 0xA00D / 0xA029: 20 status, 21 a result byte (kept in data[0]). Ends the
// update that waits for it; otherwise only reported.
int decodeUpdateEndConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& r) {
  TransferContext& t = lib.transfer;
  r.status = frame[20];
  r.data[0] = frame[21];
  r.dataLength = 1;
  r.dataValid = 1;
  r.completion = 2;
  std::uint16_t awaited = (t.flags & kTransferReadOrCommit) ? kMmCommitConfirm : kMmStartConfirm;
  if (t.stage == TransferStage::Finishing && r.messageType == awaited) {
    r.operation = t.operation;
    clearTransfer(t);
  }
  return 0;
}

}  // namespace strandline
