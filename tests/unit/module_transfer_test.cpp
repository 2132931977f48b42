#include "protocol/module_transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <sstream>

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
};

// The requests as "type:module@offset+length", to compare with golden text.
std::string trace(const std::vector<Seen>& seen) {
  std::ostringstream os;
  for (const Seen& s : seen)
    os << (os.tellp() ? " " : "") << std::hex << std::uppercase << s.type << ":" << s.a << std::dec
       << "@" << s.offset << "+" << s.length;
  return os.str();
}

Seen parse(const Bytes& f) {
  if (f.size() < 64) return {};  // no request, or none the device could read
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

Bytes parameterBlock(std::size_t size) {
  Bytes pib = pattern(size, 3);
  putU32(pib, 4, static_cast<std::uint32_t>(size));
  return pib;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Firmware module: a 100-byte image, then a 2000-byte image (headers at 0 and 144).
Bytes firmwareModule() {
  return join({imageHeader(0x1000, 100, 144), pattern(100, 9), imageHeader(0x2000, 2000, 0),
               pattern(2000, 11)});
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
  Bytes answer(const Seen& s, std::uint8_t status = 0) {
    const Bytes& m = modules[static_cast<int>(s.a)];
    std::size_t from = std::min<std::size_t>(s.offset, m.size());
    ByteView data(m.data() + from, std::min<std::size_t>(s.length, m.size() - from));
    return readConfirm(status, static_cast<std::uint8_t>(s.a), data, s.offset);
  }
  // Confirms every write of an update. The requests up to and including the first
  // that is no write, and the bytes the writes carried.
  std::vector<Seen> runUpdate(Bytes& written) {
    std::vector<Seen> seen;
    for (Bytes request = nextFrame(); !request.empty() && seen.size() < 20; request = nextFrame()) {
      const Seen& s = seen.emplace_back(parse(request));
      if (s.type != 0xA004 && s.type != 0xA020) break;
      ByteView chunk(request.data() + (s.type == 0xA004 ? 28 : 32), s.length);
      written.insert(written.end(), chunk.begin(), chunk.end());
      if (s.type == 0xA020) {
        EXPECT_EQ(getU32(request, 28), checksum32(chunk));
      }
      EXPECT_EQ(feed(s.type == 0xA004
                         ? memoryWriteConfirm(0, s.a, s.length)
                         : moduleWriteConfirm(0, static_cast<std::uint8_t>(s.a),
                                              static_cast<std::uint16_t>(s.length), s.offset)),
                0);
      EXPECT_EQ(result.operation, 7u);
      EXPECT_EQ(result.completion, 1u);
    }
    return seen;
  }

  std::map<int, Bytes> modules{{1, firmwareModule()}, {2, parameterBlock(2500)}};
  ThpapiContext lib;
  ThpapiResult result;
};

TEST(Chunker, AnIndexBeyondTheImageEndsAtItsEnd) {
  Bytes image(2049);
  Chunker c{image};
  EXPECT_EQ(c.chunkAt(2), 1u);
  EXPECT_EQ(c.nextChunk(), 0u);
  EXPECT_EQ(c.offset(), 2049u);
}

// Both modules: the firmware's header chain, then the parameter block.
TEST_F(TransferTest, ReadsWalkTheModulesInChunks) {
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kLocalDeviceMac, 3), 0);
  Bytes collected;
  int lastFlags = 0;
  std::vector<Seen> seen;
  for (Bytes request = nextFrame(); !request.empty() && seen.size() < 20; request = nextFrame()) {
    seen.push_back(parse(request));
    EXPECT_EQ(feed(answer(seen.back())), 0);
    EXPECT_EQ(result.operation, 9u);
    std::uint32_t length = result.data[5] | result.data[6] << 8;
    collected.insert(collected.end(), result.data.begin() + 9, result.data.begin() + 9 + length);
    lastFlags += result.data[4];
    if (result.completion == 2) break;
    EXPECT_EQ(result.completion, 1u);
  }
  ASSERT_EQ(trace(seen),
            "A024:1@0+44 A024:1@44+100 A024:1@144+44 A024:1@188+1024 A024:1@1212+976 "
            "A024:2@0+1024 A024:2@1024+1024 A024:2@2048+452");
  EXPECT_EQ(result.completion, 2u);
  EXPECT_EQ(lastFlags, 1);  // only the chunk that ends the transfer
  EXPECT_EQ(collected, join({modules[1], modules[2]}));
  // The first request goes to the address asked for, the rest to the station that answered.
  EXPECT_EQ(seen[0].destination, kLocalDeviceMac);
  EXPECT_EQ(seen[1].destination, kAdapter);
  EXPECT_EQ(hexAt(seen[1].frame, 6, 6), hexAt(kHost, 0, 6));
  EXPECT_EQ(seen[0].frame.size(), 64u);
  EXPECT_FALSE(thpapiTransferBusy(lib));
  EXPECT_TRUE(nextFrame().empty());
}

// Replies to a module read of the parameter block, or to a module-write update: 0 a
// good confirmation, -1 a read chunk whose data fails its checksum word, otherwise that
// device status. A read chunk is sent again up to three times, the first one
// included; a write's first chunk is not.
TEST_F(TransferTest, FailedChunksAreSentAgainWhileRetriesRemain) {
  Bytes imageA = join({imageHeader(0x1000, 3000, 0), Bytes(3000, 0x33)});
  Bytes imageB = pattern(100, 1);
  const struct {
    const char* what;
    bool write;
    std::vector<int> replies;
    std::vector<std::uint32_t> offsets;
    int lastRc;
    int status;
  } cases[] = {
      {"read: corrupt, then failures", false, {0, -1, 1, 1, 1}, {0, 1024, 1024, 1024, 1024}, 0, 1},
      {"read: a failed first chunk", false, {-1, 1, 1, 1}, {0, 0, 0, 0}, 0, 1},
      {"write: failures", true, {0, 5, 5, 5, 5}, {0, 1024, 1024, 1024, 1024}, -1, 5},
      {"write: a failed first chunk", true, {1}, {0}, -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.write ? thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageB, 0x13)
                      : thpapiBeginModuleRead(lib, kHost, kAdapter, 2),
              0);
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < c.replies.size(); ++i) {
      Seen s = parse(nextFrame());
      offsets.push_back(s.offset);
      std::uint8_t status = static_cast<std::uint8_t>(std::max(c.replies[i], 0));
      Bytes reply = c.write ? moduleWriteConfirm(status, 1, 1024, s.offset) : answer(s, status);
      if (c.replies[i] < 0) reply[40] ^= 0x01;
      bool last = i + 1 == c.replies.size();
      EXPECT_EQ(feed(reply), last ? c.lastRc : 0) << i;
      EXPECT_EQ(result.completion, last ? 2u : 1u) << i;
      if (c.replies[i] < 0) {
        EXPECT_EQ(result.status, kErrInvalid);
        EXPECT_EQ(lib.lastError, kErrInvalid);
        EXPECT_EQ(result.dataValid, 0);
      }
    }
    EXPECT_EQ(offsets, c.offsets);
    EXPECT_EQ(result.status, c.status);
    if (c.lastRc) {
      EXPECT_EQ(lib.lastError, kErrInvalid);
    }
    EXPECT_TRUE(nextFrame().empty());
    EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);
  }
}

TEST_F(TransferTest, StaleAndMalformedConfirmationsDoNotMoveTheTransfer) {
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 2), 0);
  Bytes firstAnswer = answer(parse(nextFrame()));
  ASSERT_EQ(feed(firstAnswer), 0);
  EXPECT_EQ(feed(firstAnswer), -1);  // a duplicate of the confirmation just taken
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_EQ(parse(nextFrame()).offset, 1024u);
  // More data than asked for.
  EXPECT_EQ(feed(readConfirm(0, 2, ByteView(modules[2].data() + 1024, 1025), 1024)), 0);
  EXPECT_EQ(result.status, kErrRange);
  // A length that runs past the frame.
  Bytes cut = answer(parse(nextFrame()));
  cut.resize(36 + 500);
  EXPECT_EQ(feed(cut), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);

  // A firmware header that does not check.
  ASSERT_EQ(thpapiBeginModuleRead(lib, kHost, kAdapter, 1), 0);
  Bytes header = answer(parse(nextFrame()));
  header[36 + 12] ^= 0x80;
  putU32(header, 32, checksum32(ByteView(header.data() + 36, 44)));  // the data checks
  EXPECT_EQ(feed(header), -1);
  EXPECT_EQ(lib.lastError, kErrWrongHeader);

  // A write confirmation for the chunk before the one outstanding.
  Bytes imageA = join({imageHeader(0x1000, 3000, 0), Bytes(3000, 0x33)});
  ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, imageA, imageA, 0x13), 0);
  ASSERT_EQ(parse(nextFrame()).offset, 0u);
  ASSERT_EQ(feed(moduleWriteConfirm(0, 1, 1024, 0)), 0);
  EXPECT_EQ(trace({parse(nextFrame())}), "A020:1@1024+1024");
  EXPECT_EQ(feed(moduleWriteConfirm(0, 1, 1024, 0)), -1);
  EXPECT_EQ(lib.lastError, kErrInvalid);
  EXPECT_TRUE(nextFrame().empty());  // still waiting for chunk 1
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

  Bytes badHeader = imageHeader(0x1000, 10, 0);
  badHeader[8] ^= 1;
  badHeader.resize(54);
  Bytes leaves = imageHeader(0x1000, 10, 0);
  leaves.resize(50);  // header promises 10 bytes, 6 are there
  // The second header points back at itself.
  Bytes loop = join({imageHeader(0x1000, 10, 44), imageHeader(0x1000, 10, 44)});
  const struct {
    const char* what;
    ByteView a, b;
    std::uint8_t options;
    int error;
  } cases[] = {
      {"image B missing", b, {}, 0x33, kErrWrongHeader},
      {"memory form without image A", {}, b, 0, kErrWrongHeader},
      {"start without image A", {}, b, 0x20, kErrWrongHeader},
      {"header that does not check", badHeader, b, 0, kErrInvalid},
      {"image shorter than its header", leaves, b, 0, kErrWrongHeader},
      {"header chain that loops", loop, b, 0, kErrInvalid},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, c.a, c.b, c.options), -1) << c.what;
    EXPECT_EQ(lib.lastError, c.error) << c.what;
  }
}

TEST_F(TransferTest, UpdatesWriteTheirImagesThenStartOrCommit) {
  // Memory form: a 16-byte loader description, then the executable image of 2049 bytes.
  Bytes memoryA =
      join({imageHeader(0, 16, 60), pattern(16, 1),
            imageHeader(0x00100000, 2049, 0, 0x00100040, 0xABCDEF01), pattern(2049, 5)});
  Bytes memoryB = pattern(1500, 200);
  Bytes startA = imageHeader(0x4000, 8, 0, 0x4004, 0x11111111);
  startA.resize(52, 0xAA);
  Bytes small = pattern(10, 1);
  // `skip`: the bytes of image A that are not written. `last`: the last request from
  // byte 20; a start carries 1, then the executable header's load address, length,
  // checksum and entry point; a commit the images and options.
  const struct {
    ByteView a, b;
    std::uint8_t options;
    MacAddress to;
    std::size_t skip;
    const char* requests;
    const char* last;
  } cases[] = {
      {memoryA, memoryB, 0, kAdapter, 104,
       "A004:100000@0+1024 A004:100400@0+1024 A004:100800@0+1 A004:1F00000@0+1024 "
       "A004:1F00400@0+476 A00C:0@0+0",
       "01000000 00001000 01080000 01EFCDAB 40001000"},
      {startA, small, 0x22, kAdapter, 0, "A020:1@0+52 A020:2@0+10 A00C:0@0+0",
       "01000000 00400000 08000000 11111111 04400000"},
      {{}, small, 0x33, kLocalDeviceMac, 0, "A020:2@0+10 A028:0@0+0", "12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.requests);
    ASSERT_EQ(thpapiBeginUpdate(lib, kHost, c.to, c.a, c.b, c.options), 0);
    Bytes written;
    std::vector<Seen> seen = runUpdate(written);
    ASSERT_EQ(trace(seen), c.requests);
    EXPECT_EQ(written,
              join({Bytes(c.a.begin() + c.skip, c.a.end()), Bytes(c.b.begin(), c.b.end())}));
    std::string last = golden(c.last);
    EXPECT_EQ(hexAt(seen.back().frame, 20, last.size() / 2), last);
    EXPECT_EQ(seen.back().frame.size(), 64u);
    EXPECT_EQ(seen[0].destination, c.to);
    EXPECT_EQ(seen[1].destination, kAdapter);
    // A commit confirmation does not end an update that waits for its start confirmation.
    ASSERT_EQ(feed(avFrame(0xA029, 60)), 0);
    if (seen.back().type == 0xA00C) {
      EXPECT_EQ(lib.transfer.stage, TransferStage::Finishing);
      ASSERT_EQ(feed(avFrame(0xA00D, 60)), 0);
    }
    EXPECT_EQ(lib.transfer.stage, TransferStage::Idle);
    EXPECT_EQ(result.completion, 2u);
    EXPECT_EQ(result.operation, 7u);
  }
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
