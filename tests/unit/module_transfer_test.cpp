#include "protocol/module_transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

#include "base/checksum.h"
#include "protocol/av_decode.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

using namespace testframes;

// One request as the device reads it.
struct Seen {
  std::uint16_t type;
  std::uint32_t a;  // module id, or load address for memory writes
  std::uint32_t length;
  std::uint32_t offset;
  MacAddress destination;
  Bytes frame;
  bool operator==(const Seen& o) const {
    return type == o.type && a == o.a && length == o.length && offset == o.offset;
  }
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << std::hex << "{" << s.type << " " << s.a << " len " << std::dec << s.length << " off "
            << s.offset << "}";
}

// An expected request: type, module (or load address), length, offset.
Seen req(std::uint16_t type, std::uint32_t a, std::uint32_t length = 0, std::uint32_t offset = 0) {
  return {type, a, length, offset, {}, {}};
}

Seen parse(const Bytes& f) {
  Seen s{getU16(f, 15), 0, 0, 0, {}, f};
  std::copy(f.begin(), f.begin() + 6, s.destination.begin());
  if (s.type == 0xA004) {
    s.a = getU32(f, 20);
    s.length = getU32(f, 24);
  } else if (s.type == 0xA024 || s.type == 0xA020) {
    s.a = f[20];
    s.length = getU16(f, 22);
    s.offset = getU32(f, 24);
  }
  return s;
}

class TransferTest : public ::testing::Test {
 protected:
  Bytes nextFrame() {
    std::array<std::uint8_t, 1528> buffer{};
    std::size_t n = thpapiNextRequest(lib, buffer);
    return Bytes(buffer.begin(), buffer.begin() + n);
  }
  int feed(const Bytes& frame) { return thpapiDecodeFrame(lib, frame, result, 0); }
  // Answers a module read request from `modules`.
  Bytes answer(const Seen& s, std::map<int, Bytes>& modules, std::uint8_t status = 0) {
    const Bytes& m = modules[static_cast<int>(s.a)];
    std::size_t n =
        std::min<std::size_t>(s.length, m.size() - std::min<std::size_t>(s.offset, m.size()));
    ByteView data(m.data() + std::min<std::size_t>(s.offset, m.size()), n);
    return readConfirm(status, static_cast<std::uint8_t>(s.a), data, s.offset);
  }
  // Runs a whole read; the requests seen and the bytes collected.
  std::vector<Seen> runRead(std::map<int, Bytes>& modules, Bytes& collected,
                            int* lastFlags = nullptr) {
    std::vector<Seen> seen;
    for (int guard = 0; guard < 100; ++guard) {
      Bytes request = nextFrame();
      if (request.empty()) break;
      seen.push_back(parse(request));
      EXPECT_EQ(feed(answer(seen.back(), modules)), 0);
      EXPECT_EQ(result.operation, 9u);
      std::uint32_t length = result.data[5] | result.data[6] << 8;
      collected.insert(collected.end(), result.data.begin() + 9, result.data.begin() + 9 + length);
      if (lastFlags) *lastFlags += result.data[4];
      if (result.completion == 2) break;
      EXPECT_EQ(result.completion, 1u);
    }
    return seen;
  }

  ThpapiContext lib;
  ThpapiResult result;
};

Bytes parameterBlock(std::size_t size) {
  Bytes pib = pattern(size, 3);
  putU32(pib, 4, static_cast<std::uint32_t>(size));
  return pib;
}

// Firmware module: a 100-byte image, then a 2000-byte image (headers at 0 and 144).
Bytes firmwareModule() {
  Bytes m = imageHeader(0x1000, 100, 144);
  Bytes first = pattern(100, 9);
  m.insert(m.end(), first.begin(), first.end());
  Bytes second = imageHeader(0x2000, 2000, 0);
  m.insert(m.end(), second.begin(), second.end());
  Bytes image = pattern(2000, 11);
  m.insert(m.end(), image.begin(), image.end());
  return m;
}

TEST(Checksum, ComplementOfTheXorOfLittleEndianWords) {
  Bytes block = {1, 0, 0, 0, 2, 0, 0, 0, 0xFF};  // the trailing byte is no word
  EXPECT_EQ(checksum32(block), 0xFFFFFFFCu);
  Bytes withSum(block.begin(), block.begin() + 8);
  withSum.resize(12);
  putU32(withSum, 8, 0xFFFFFFFCu);
  EXPECT_EQ(checksum32(withSum), 0u);
  EXPECT_TRUE(checksumMatches(ByteView(block.data(), 8), 0xFFFFFFFCu));
  EXPECT_FALSE(checksumMatches(ByteView(block.data(), 8), 0xFFFFFFFDu));
}

TEST(Chunker, ChunksOfAnImage) {
  Bytes image(2049);
  Chunker c{image};
  EXPECT_EQ(c.chunkAt(0), 1024u);
  EXPECT_FALSE(c.isLast(1024));
  EXPECT_EQ(c.nextChunk(), 1024u);
  EXPECT_EQ(c.offset(), 1024u);
  EXPECT_EQ(c.nextChunk(), 1u);
  EXPECT_TRUE(c.isLast(1));
  EXPECT_EQ(c.nextChunk(), 0u);  // beyond the image
  EXPECT_EQ(c.offset(), 2049u);
}

TEST_F(TransferTest, ReadsWalkTheModulesInChunks) {
  const std::vector<Seen> firmwareChain = {req(0xA024, 1, 44, 0), req(0xA024, 1, 100, 44),
                                           req(0xA024, 1, 44, 144), req(0xA024, 1, 1024, 188),
                                           req(0xA024, 1, 976, 1212)};
  std::vector<Seen> both = firmwareChain;
  both.push_back(req(0xA024, 2, 1024, 0));
  both.push_back(req(0xA024, 2, 476, 1024));
  const struct {
    const char* what;
    int type;
    std::size_t blockSize;
    MacAddress to;
    std::vector<Seen> expected;
  } cases[] = {
      {"a 2500-byte parameter block in three chunks",
       2,
       2500,
       kLocalDeviceMac,
       {req(0xA024, 2, 1024, 0), req(0xA024, 2, 1024, 1024), req(0xA024, 2, 452, 2048)}},
      {"the firmware module along its header chain", 1, 2500, kAdapter, firmwareChain},
      {"type 3: module 1, then module 2", 3, 1500, kAdapter, both},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::map<int, Bytes> modules{{1, firmwareModule()}, {2, parameterBlock(c.blockSize)}};
    ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, c.to, c.type), 0);
    if (c.type == 3) {
      EXPECT_EQ(lib.transfer.flags, 0x601u);
    }
    Bytes collected;
    int lastFlags = 0;
    std::vector<Seen> seen = runRead(modules, collected, &lastFlags);
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(result.completion, 2u);
    EXPECT_EQ(lastFlags, 1);  // only the chunk that ends the transfer
    Bytes expected = c.type & 1 ? modules[1] : Bytes{};
    if (c.type & 2) expected.insert(expected.end(), modules[2].begin(), modules[2].end());
    EXPECT_EQ(collected, expected);
    // The first request goes to the address asked for, the rest to the station that answered.
    EXPECT_EQ(seen[0].destination, c.to);
    EXPECT_EQ(seen[1].destination, kAdapter);
    EXPECT_EQ(hexAt(seen[1].frame, 6, 6), hexAt(kHost, 0, 6));
    EXPECT_EQ(seen[0].frame.size(), 64u);
    EXPECT_FALSE(thpapiTransferBusy(lib));
    EXPECT_TRUE(nextFrame().empty());
  }
}

TEST_F(TransferTest, BadReadChunksAreAskedForAgainWhileRetriesRemain) {
  std::map<int, Bytes> modules{{2, parameterBlock(2500)}};
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), 0);
  ASSERT_EQ(feed(answer(parse(nextFrame()), modules)), 0);  // offset 0 good

  Seen second = parse(nextFrame());
  ASSERT_EQ(second.offset, 1024u);
  Bytes corrupt = answer(second, modules);
  corrupt[40] ^= 0x01;  // data no longer matches its checksum word
  EXPECT_EQ(feed(corrupt), 0);
  EXPECT_EQ(result.status, kErrInvalid);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(result.completion, 1u);
  EXPECT_EQ(result.dataValid, 0);
  EXPECT_EQ(parse(nextFrame()), second);  // same offset again

  // Device status: two more resends (three in all), then the read ends.
  EXPECT_EQ(feed(answer(second, modules, 1)), 0);
  EXPECT_EQ(parse(nextFrame()), second);
  EXPECT_EQ(feed(answer(second, modules, 1)), 0);
  EXPECT_EQ(parse(nextFrame()), second);
  EXPECT_EQ(feed(answer(second, modules, 1)), 0);
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(nextFrame().empty());
}

TEST_F(TransferTest, AFailedFirstReadEndsAtOnce) {
  std::map<int, Bytes> modules{{2, parameterBlock(2500)}};
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), 0);
  EXPECT_EQ(feed(answer(parse(nextFrame()), modules, 1)), 0);
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(nextFrame().empty());
  EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);
}

TEST_F(TransferTest, StaleAndMalformedReadConfirmationsDoNotMoveTheRead) {
  std::map<int, Bytes> modules{{2, parameterBlock(2500)}, {1, firmwareModule()}};
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), 0);
  Seen first = parse(nextFrame());
  Bytes firstAnswer = answer(first, modules);
  ASSERT_EQ(feed(firstAnswer), 0);
  EXPECT_EQ(feed(firstAnswer), -1);  // a duplicate of the confirmation just taken
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(parse(nextFrame()).offset, 1024u);

  // More data than asked for.
  Bytes big = readConfirm(0, 2, ByteView(modules[2].data() + 1024, 1025), 1024);
  EXPECT_EQ(feed(big), 0);
  EXPECT_EQ(result.status, kErrRange);
  // A length that runs past the frame.
  Bytes cut = answer(parse(nextFrame()), modules);
  cut.resize(36 + 500);
  EXPECT_EQ(feed(cut), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);

  // A firmware header that does not check.
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 1), 0);
  Bytes header = answer(parse(nextFrame()), modules);
  header[36 + 12] ^= 0x80;
  putU32(header, 32, checksum32(ByteView(header.data() + 36, 44)));  // the data checks
  EXPECT_EQ(feed(header), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);
}

TEST_F(TransferTest, BeginChecksItsArguments) {
  EXPECT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 4), -1);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 0), -1);
  lib.transfer.flags |= kTransferBusy;
  EXPECT_TRUE(thpapiTransferBusy(lib));
  EXPECT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), -1);
  EXPECT_EQ(lib.lastError, kErrBusy);
  Bytes b(100, 1);
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, {}, b, 0x33), -1);
  EXPECT_EQ(lib.lastError, kErrBusy);
  thpapiAbortTransfer(lib);
  EXPECT_FALSE(thpapiTransferBusy(lib));

  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, b, {}, 0x33), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);  // image B missing
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, {}, b, 0), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);  // memory form needs image A

  Bytes badHeader = imageHeader(0x1000, 10, 0);
  badHeader[8] ^= 1;
  badHeader.resize(54);
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, ByteView(badHeader.data(), 54), b, 0), -1);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  Bytes leaves = imageHeader(0x1000, 10, 0);
  leaves.resize(50);  // header promises 10 bytes, 6 are there
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, ByteView(leaves.data(), 50), b, 0), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);
  Bytes loop = imageHeader(0x1000, 10, 44);  // the second header points back at itself
  Bytes back = imageHeader(0x1000, 10, 44);
  loop.insert(loop.end(), back.begin(), back.end());
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, loop, b, 0), -1);
  EXPECT_EQ(lib.lastError, kErrInvalid);
}

TEST_F(TransferTest, MemoryWriteUpdateSendsImageAThenImageBThenStart) {
  // Image A: a 16-byte loader description, then the executable image of 2049 bytes.
  Bytes imageA = imageHeader(0, 16, 60);
  Bytes loader = pattern(16, 1);
  imageA.insert(imageA.end(), loader.begin(), loader.end());
  Bytes exec = imageHeader(0x00100000, 2049, 0, 0x00100040, 0xABCDEF01);
  Bytes code = pattern(2049, 5);
  imageA.insert(imageA.end(), exec.begin(), exec.end());
  imageA.insert(imageA.end(), code.begin(), code.end());
  Bytes imageB = pattern(1500, 200);

  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0), 0);
  std::vector<Seen> seen;
  Bytes written;
  for (int guard = 0; guard < 20; ++guard) {
    Bytes request = nextFrame();
    ASSERT_FALSE(request.empty());
    seen.push_back(parse(request));
    if (seen.back().type != 0xA004) break;
    written.insert(written.end(), request.begin() + 28, request.begin() + 28 + seen.back().length);
    ASSERT_EQ(feed(memoryWriteConfirm(0, seen.back().a, seen.back().length)), 0);
    EXPECT_EQ(result.operation, 7u);
    EXPECT_EQ(result.completion, 1u);
  }
  std::vector<Seen> expected = {req(0xA004, 0x00100000, 1024, 0), req(0xA004, 0x00100400, 1024, 0),
                                req(0xA004, 0x00100800, 1, 0),    req(0xA004, 0x01F00000, 1024, 0),
                                req(0xA004, 0x01F00400, 476, 0),  req(0xA00C, 0, 0, 0)};
  EXPECT_EQ(seen, expected);
  Bytes both = code;
  both.insert(both.end(), imageB.begin(), imageB.end());
  EXPECT_EQ(written, both);
  // Start: 1, 0, 0, 0, then the executable header's load address, length, checksum, entry.
  EXPECT_EQ(hexAt(seen.back().frame, 20, 20),
            golden("01000000 00001000 01080000 01EFCDAB 40001000"));
  EXPECT_EQ(seen.back().frame.size(), 64u);

  Bytes done = avFrame(0xA00D, 60);
  done[20] = 0;
  ASSERT_EQ(feed(done), 0);
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(result.operation, 7u);
  EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);
}

TEST_F(TransferTest, ModuleWriteUpdateWithCommit) {
  Bytes imageA = imageHeader(0x1000, 1100, 0);
  Bytes body = pattern(1100, 7);
  imageA.insert(imageA.end(), body.begin(), body.end());  // 1144 bytes
  Bytes imageB = pattern(1024, 99);
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kLocalDeviceMac, imageA, imageB, 0x13), 0);
  std::vector<Seen> seen;
  for (int guard = 0; guard < 10; ++guard) {
    Bytes request = nextFrame();
    ASSERT_FALSE(request.empty());
    seen.push_back(parse(request));
    if (seen.back().type != 0xA020) break;
    const Seen& s = seen.back();
    ByteView chunk(request.data() + 32, s.length);
    EXPECT_EQ(getU32(request, 28), checksum32(chunk)) << s;
    ASSERT_EQ(feed(moduleWriteConfirm(0, static_cast<std::uint8_t>(s.a),
                                      static_cast<std::uint16_t>(s.length), s.offset)),
              0);
  }
  std::vector<Seen> expected = {req(0xA020, 1, 1024, 0), req(0xA020, 1, 120, 1024),
                                req(0xA020, 2, 1024, 0), req(0xA028, 0, 0, 0)};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(seen.back().frame[20], 0x13);  // both images, and option bit 4
  EXPECT_EQ(seen[0].destination, kLocalDeviceMac);
  EXPECT_EQ(seen[1].destination, kAdapter);

  Bytes done = avFrame(0xA029, 60);
  ASSERT_EQ(feed(done), 0);
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(result.operation, 7u);
  EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);
}

TEST_F(TransferTest, ModuleWriteUpdateEndingWithStart) {
  Bytes imageA = imageHeader(0x4000, 8, 0, 0x4004, 0x11111111);
  imageA.resize(52, 0xAA);
  Bytes imageB = pattern(10, 1);
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0x22), 0);
  ASSERT_EQ(feed(moduleWriteConfirm(0, 1, 52, 0)), 0);
  Seen b = parse(nextFrame());
  EXPECT_EQ(b, req(0xA020, 2, 10, 0));
  ASSERT_EQ(feed(moduleWriteConfirm(0, 2, 10, 0)), 0);
  Bytes start = nextFrame();
  ASSERT_EQ(getU16(start, 15), 0xA00C);
  EXPECT_EQ(hexAt(start, 20, 20), golden("01000000 00400000 08000000 11111111 04400000"));
  // A commit confirmation does not end an update that waits for its start confirmation.
  ASSERT_EQ(feed(avFrame(0xA029, 60)), 0);
  EXPECT_EQ(lib.transfer.stage, TransferStage::Finishing);
  ASSERT_EQ(feed(avFrame(0xA00D, 60)), 0);
  EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);

  // Without image A there is no header to start from; with commit, module 2 goes first.
  EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, {}, ByteView(imageB.data(), 10), 0x20), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, {}, ByteView(imageB.data(), 10), 0x33), 0);
  EXPECT_EQ(parse(nextFrame()), req(0xA020, 2, 10, 0));
  ASSERT_EQ(feed(moduleWriteConfirm(0, 2, 10, 0)), 0);
  Bytes commit = nextFrame();
  EXPECT_EQ(getU16(commit, 15), 0xA028);
  EXPECT_EQ(commit[20], 0x12);  // image B only, and option bit 4
}

TEST_F(TransferTest, WriteRetriesThenFailure) {
  Bytes imageA = imageHeader(0x1000, 3000, 0);
  imageA.resize(44 + 3000, 0x33);
  Bytes imageB = pattern(100, 1);
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0x13), 0);
  Seen first = parse(nextFrame());
  ASSERT_EQ(feed(moduleWriteConfirm(0, 1, 1024, 0)), 0);
  Seen second = parse(nextFrame());
  EXPECT_EQ(second, req(0xA020, 1, 1024, 1024));
  EXPECT_EQ(feed(moduleWriteConfirm(0, 1, 1024, 0)), -1);  // stale: chunk 0 again
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_TRUE(nextFrame().empty());  // nothing new to send; still waiting for chunk 1

  for (int resend = 0; resend < 3; ++resend) {
    EXPECT_EQ(feed(moduleWriteConfirm(5, 1, 1024, 1024)), 0);
    EXPECT_EQ(result.completion, 1u);
    EXPECT_EQ(parse(nextFrame()), second);
  }
  EXPECT_EQ(feed(moduleWriteConfirm(5, 1, 1024, 1024)), -1);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(result.status, 5);
  EXPECT_TRUE(nextFrame().empty());

  // A failure on the very first chunk has no retries.
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0x13), 0);
  EXPECT_EQ(parse(nextFrame()), first);
  EXPECT_EQ(feed(moduleWriteConfirm(1, 1, 1024, 0)), -1);
  EXPECT_EQ(result.completion, 2u);
}

TEST_F(TransferTest, NextRequestNeedsRoomForTheWholeFrame) {
  Bytes imageA = imageHeader(0x1000, 1024, 0);
  imageA.resize(44 + 1024);
  Bytes imageB(10, 1);
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0x13), 0);
  std::array<std::uint8_t, 1055> small{};
  EXPECT_EQ(thpapiNextRequest(lib, small), 0u);
  EXPECT_EQ(lib.lastError, kErrRange);
  std::array<std::uint8_t, 1056> exact{};
  EXPECT_EQ(thpapiNextRequest(lib, exact), 1056u);  // 20 + 12 + 1024: still pending before
}

}  // namespace
}  // namespace strandline
