// The firmware upgrades' pure parts: the AV update options, the Boost loader
// frames as golden bytes, the configuration-file rules, the module checksum,
// the image chunks, and the confirmation each transfer stage waits for.
#include <gtest/gtest.h>

#include "av_frames.h"
#include "core/device_ops/av_upgrade.h"
#include "firmware/boost_files.h"
#include "protocol/av_library.h"
#include "protocol/boost_upgrade_frames.h"

namespace strandline {
namespace {

using testframes::golden;
using testframes::kAdapter;
using testframes::kHost;

TEST(AvUpdateOptions, ByChipFamilyAndConfigurationBlock) {
  struct Row {
    const char* chip;
    bool configOk;
    std::uint32_t options;
  };
  for (const Row& r :
       {Row{"TSC1000", true, 35}, Row{"TSC1000", false, 34}, Row{"VNC-400", true, 35},
        Row{"VNC-400", false, 34}, Row{"TSC2000", true, 19}, Row{"TSC2000", false, 0},
        Row{"TSC4000", true, 19}, Row{"", false, 0}})
    EXPECT_EQ(avUpdateOptions(r.chip, r.configOk), r.options) << r.chip << " " << r.configOk;
}

// Destination, source, ethertype: the first 14 bytes of every frame below.
const std::string kHead = "00B052123456 020000000010 887B";

TEST(BoostUpgradeFrames, GoldenBytes) {
  Bytes loader = buildBoostLoaderRequest(kHost, kAdapter);
  EXPECT_EQ(toHex(loader), golden(kHead + " 01 12 01 67"));

  Bytes commit = buildBoostCommandFrame(kHost, kAdapter, kBoostCommitModules, 0x1B0);
  EXPECT_EQ(toHex(commit), golden(kHead + " 01 10 01 82 0004 000001B0 00"));
  Bytes verify = buildBoostCommandFrame(kHost, kAdapter, kBoostVerifyModule, kBoostVerifyValue);
  EXPECT_EQ(toHex(verify), golden(kHead + " 01 10 01 84 0004 00000040 00"));

  Bytes sum = buildBoostChecksumRequest(kHost, kAdapter, 0x100, 2500);
  EXPECT_EQ(toHex(sum), golden(kHead + " 01 10 01 83 0008 00000100 000009C4"));

  Bytes reset = buildBoostResetFrame(kHost, kAdapter);
  EXPECT_EQ(toHex(reset), golden(kHead + " 01 10 01 7F 0000"));

  Bytes data{0xAA, 0xBB, 0xCC};
  Bytes chunk = buildBoostChunkFrame(kHost, kAdapter, 0x100, 2048, data);
  ASSERT_EQ(chunk.size(), kBoostChunkFrameLength);
  EXPECT_EQ(testframes::hexAt(chunk, 0, 33),
            golden(kHead + " 01 10 01 81 000D 00000100 00000800 0003 AABBCC"));
  EXPECT_TRUE(std::all_of(chunk.begin() + 33, chunk.end(), [](std::uint8_t b) { return b == 0; }));
  Bytes full(1024, 0x5A);
  Bytes fullFrame = buildBoostChunkFrame(kHost, kAdapter, 0x10, 0, full);
  EXPECT_EQ(testframes::hexAt(fullFrame, 17, 13), golden("81 040A 00000010 00000000 0400"));
  EXPECT_EQ(fullFrame.back(), 0x5A);
}

TEST(BoostUpgradeFrames, LoaderAnswers) {
  Bytes answer;
  ASSERT_TRUE(parseHex(golden(kHead + " 01 10 10 83 00 0D 00 00000100 000009C4 DEADBEEF"), answer));
  // The answer goes from the adapter to the host: swap the addresses.
  std::rotate(answer.begin(), answer.begin() + 6, answer.begin() + 12);
  auto parsed = parseBoostLoaderAnswer(answer);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->destination, kHost);
  EXPECT_EQ(parsed->code, kBoostModuleChecksum);
  EXPECT_EQ(parsed->status, 0);
  EXPECT_EQ(parsed->checksum, 0xDEADBEEFu);
  // Cut inside the checksum: the answer is kept, the checksum is not.
  EXPECT_FALSE(parseBoostLoaderAnswer(ByteView(answer).first(31))->checksum);
  EXPECT_FALSE(parseBoostLoaderAnswer(ByteView(answer).first(20)));  // no status byte
  answer[15] = 0x13;
  EXPECT_FALSE(parseBoostLoaderAnswer(answer));  // another entry
}

TEST(BoostFiles, ConfigurationSectionsAndFlags) {
  struct Row {
    std::size_t length;
    std::vector<std::uint32_t> written;
    std::uint32_t flags;
  };
  for (const Row& r : {Row{960, {0x10, 0x20, 0x80}, 0x1B0}, Row{512, {0x10, 0x20}, 0x130},
                       Row{1000, {0x10, 0x20}, 0x130}, Row{100, {0x10, 0x20}, 0x130}}) {
    BoostConfig config = boostConfigFrom(Bytes(r.length, 0x77));
    std::vector<std::uint32_t> written;
    for (const BoostSection& s : boostWriteSections(config)) written.push_back(s.module);
    EXPECT_EQ(written, r.written) << r.length;
    EXPECT_EQ(boostConfigFlags(config) | kBoostImageModule, r.flags) << r.length;
  }
  // A short file is zero-extended: the identity section of a 100-byte file
  // ends in zeros, its parameter module is all zeros.
  BoostConfig shortFile = boostConfigFrom(Bytes(100, 0x77));
  ByteView identity = shortFile.section(kBoostIdentitySection);
  EXPECT_EQ(identity[99], 0x77);
  EXPECT_EQ(identity[100], 0);
  EXPECT_EQ(moduleChecksum(shortFile.section(kBoostParameterSection)), 0xFFFFFFFFu);

  std::vector<std::uint32_t> order;
  for (const BoostSection& s : boostVerifySections(0x1B0)) order.push_back(s.module);
  EXPECT_EQ(order, (std::vector<std::uint32_t>{0x10, 0x80, 0x20}));
  EXPECT_EQ(boostVerifySections(0x130).size(), 2u);
}

TEST(BoostFiles, ModuleChecksumAndChunks) {
  EXPECT_EQ(moduleChecksum(Bytes(4, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(moduleChecksum(Bytes{1, 0, 0, 0}), 0xFFFFFFFEu);
  // Trailing bytes count as a zero-extended word.
  EXPECT_EQ(moduleChecksum(Bytes{0, 0, 0, 0, 0x01}), 0xFFFFFFFEu);
  EXPECT_EQ(moduleChecksum(Bytes{0, 0, 0, 0, 0, 0, 0x01}), 0xFFFEFFFFu);

  std::vector<std::pair<std::size_t, std::size_t>> chunks;
  for (const BoostChunk& c : boostImageChunks(2500)) chunks.emplace_back(c.offset, c.length);
  EXPECT_EQ(chunks, (std::vector<std::pair<std::size_t, std::size_t>>{
                        {0, 1024}, {1024, 1024}, {2048, 452}}));
  EXPECT_EQ(boostImageChunks(2048).size(), 2u);
  EXPECT_TRUE(boostImageChunks(0).empty());
}

// A firmware file of two blocks of 8 image bytes each (the memory-write form
// writes the second block's image).
Bytes twoBlockFirmware() {
  Bytes file = testframes::imageHeader(0x1000, 8, kImageHeaderLength + 8);
  file.resize(kImageHeaderLength + 8, 0);
  Bytes second = testframes::imageHeader(0x2000, 8, 0);
  file.insert(file.end(), second.begin(), second.end());
  file.resize(file.size() + 8, 0);
  return file;
}

TEST(UpdateTransfer, AwaitedConfirmationByFormAndStage) {
  struct Row {
    std::uint32_t options;
    std::uint16_t writing;
    std::uint16_t ending;
  };
  Bytes firmware = twoBlockFirmware();
  Bytes pib(8, 0);
  for (const Row& r : {Row{0, kMmMemoryWriteConfirm, kMmStartConfirm},
                       Row{34, kMmModuleWriteConfirm, kMmStartConfirm},
                       Row{35, kMmModuleWriteConfirm, kMmCommitConfirm},
                       Row{19, kMmModuleWriteConfirm, kMmCommitConfirm}}) {
    ThpapiContext lib;
    EXPECT_EQ(thpapiAwaitedConfirm(lib), 0);
    ASSERT_EQ(thpapiBeginUpdate(lib, kHost, kAdapter, firmware, pib, r.options), 0) << r.options;
    EXPECT_EQ(thpapiAwaitedConfirm(lib), r.writing) << r.options;
    UpdateProgress p = thpapiUpdateProgress(lib);
    EXPECT_EQ(p.phase, UpdatePhase::Firmware);
    // Memory form: the last block's 8 bytes; module form: the whole file.
    EXPECT_EQ(p.bytesTotal, (r.options == 0 ? 8 : firmware.size()) + pib.size());
    lib.transfer.stage = TransferStage::Finishing;
    EXPECT_EQ(thpapiAwaitedConfirm(lib), r.ending) << r.options;
  }
}

}  // namespace
}  // namespace strandline
