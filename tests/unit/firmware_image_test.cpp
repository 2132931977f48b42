#include "firmware/firmware_image.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "base/checksum.h"

namespace strandline {
namespace {

struct BlockSpec {
  std::size_t offset;
  std::size_t imageLength;
  std::uint32_t loadAddress;
};

// Writes a sealed header for the block at `offset`: the word at 40 makes the
// eleven words XOR to all ones.
void sealHeader(Bytes& file, std::size_t offset, NvmBlockHeader header) {
  header.word10 = 0;
  writeNvmHeader(header, file.data() + offset);
  header.word10 = checksum32(ByteView(file).subspan(offset, kNvmHeaderLength));
  writeNvmHeader(header, file.data() + offset);
}

NvmBlockHeader headerAt(const Bytes& file, std::size_t offset) {
  NvmBlockHeader header;
  EXPECT_TRUE(readNvmHeader(file, offset, header));
  return header;
}

// A file of chained blocks with patterned images and good checksums.
Bytes buildFile(const std::vector<BlockSpec>& blocks) {
  std::size_t size = 0;
  for (const BlockSpec& b : blocks)
    size = std::max(size, b.offset + kNvmHeaderLength + b.imageLength);
  Bytes file(size, 0xA5);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const BlockSpec& b = blocks[i];
    std::size_t image = b.offset + kNvmHeaderLength;
    for (std::size_t k = 0; k < b.imageLength; ++k)
      file[image + k] = static_cast<std::uint8_t>(k * 7 + i);
    NvmBlockHeader h;
    h.version = kNvmHeaderVersion;
    h.loadAddress = b.loadAddress;
    h.imageLength = static_cast<std::uint32_t>(b.imageLength);
    h.imageChecksum = checksum32(ByteView(file).subspan(image, b.imageLength));
    h.nextHeader = i + 1 < blocks.size() ? static_cast<std::uint32_t>(blocks[i + 1].offset) : 0;
    sealHeader(file, b.offset, h);
  }
  return file;
}

Bytes twoBlocks() {
  return buildFile({{0, 100, 0x1000}, {144, 1025, 0x2000}});
}

TEST(FirmwareImage, HeaderLayoutIsLittleEndianWords) {
  Bytes file = twoBlocks();
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0x00, 0x00, 0x00, 0x60}));
  EXPECT_EQ(Bytes(file.begin() + 36, file.begin() + 40), (Bytes{144, 0, 0, 0}));
  EXPECT_TRUE(nvmHeaderVerifies(file, 0));
  EXPECT_TRUE(nvmHeaderVerifies(file, 144));
}

TEST(FirmwareImage, ChainOfTwoBlocksIsWalkedToItsLastBlock) {
  Bytes file = twoBlocks();
  NvmLastBlock last = findLastNvmBlock(file);
  ASSERT_TRUE(last.ok()) << last.error;
  EXPECT_EQ(last.block.offset, 144u);
  EXPECT_EQ(last.block.imageOffset(), 188u);
  EXPECT_EQ(last.block.header.loadAddress, 0x2000u);
  EXPECT_EQ(last.block.header.imageLength, 1025u);
  EXPECT_FALSE(nvmFirstBlockIsLast(file));

  NvmCheck check = checkNvmFile(file, "fw.nvm");
  EXPECT_TRUE(check.ok) << check.message;
  ASSERT_EQ(check.blocks.size(), 2u);
  EXPECT_EQ(check.blocks[0].header.loadAddress, 0x1000u);
}

TEST(FirmwareImage, SingleBlockFileIsItsOwnLastBlock) {
  Bytes file = buildFile({{0, 64, 0x1000}});
  NvmLastBlock last = findLastNvmBlock(file);
  ASSERT_TRUE(last.ok());
  EXPECT_EQ(last.block.offset, 0u);
  EXPECT_TRUE(nvmFirstBlockIsLast(file));
  Bytes broken = file;
  broken[8] ^= 1;  // the header no longer verifies
  EXPECT_FALSE(nvmFirstBlockIsLast(broken));
  EXPECT_FALSE(nvmFirstBlockIsLast(Bytes(20)));
}

TEST(FirmwareImage, ImageChecksumIgnoresTheTrailingPartialWord) {
  Bytes file = twoBlocks();  // second image: 1025 bytes from 188
  file[188 + 1024] ^= 0xFF;
  EXPECT_TRUE(checkNvmFile(file, "fw.nvm").ok);
  file[188 + 1023] ^= 0xFF;
  EXPECT_EQ(checkNvmFile(file, "fw.nvm").message, "Bad image checksum: fw.nvm (1)");
}

TEST(FirmwareImage, BlocksOutOfOrderButApartAreAccepted) {
  Bytes file = buildFile({{0, 40, 1}, {400, 40, 2}, {100, 40, 3}});
  NvmLastBlock last = findLastNvmBlock(file);
  ASSERT_TRUE(last.ok()) << last.error;
  EXPECT_EQ(last.block.offset, 100u);
  EXPECT_TRUE(checkNvmFile(file, "fw.nvm").ok);
}

// Rewrites the header at `offset` with `change` applied, sealed again.
std::function<void(Bytes&)> reseal(std::size_t offset,
                                   std::function<void(NvmBlockHeader&)> change) {
  return [=](Bytes& file) {
    NvmBlockHeader h = headerAt(file, offset);
    change(h);
    sealHeader(file, offset, h);
  };
}

struct MalformedCase {
  const char* name;
  std::function<void(Bytes&)> damage;
  int findError;  // 0: the in-memory walk does not look at what was damaged
  const char* checkMessage;
};

TEST(FirmwareImage, MalformedFilesAreRefusedWithoutReadingPastThem) {
  const MalformedCase cases[] = {
      {"empty file", [](Bytes& f) { f.clear(); }, EFAULT, "Can't read header: fw.nvm (0)"},
      {"shorter than a header", [](Bytes& f) { f.resize(20); }, EFAULT,
       "Can't read header: fw.nvm (0)"},
      {"version 0x60000001", reseal(0, [](NvmBlockHeader& h) { h.version = 0x60000001; }), 0,
       "Bad header version: fw.nvm (0)"},
      {"second header checksum", [](Bytes& f) { f[144 + 20] ^= 0x10; }, EINVAL,
       "Bad header checksum: fw.nvm (1)"},
      {"image byte", [](Bytes& f) { f[44 + 3] ^= 0x01; }, 0, "Bad image checksum: fw.nvm (0)"},
      {"second next header past the end",
       reseal(144, [](NvmBlockHeader& h) { h.nextHeader = 5000; }), EFAULT,
       "Can't read header: fw.nvm (2)"},
      {"next header near 4 GiB", reseal(144, [](NvmBlockHeader& h) { h.nextHeader = 0xFFFFFFF0; }),
       EFAULT, "Can't read header: fw.nvm (2)"},
      {"last image runs past the end",
       reseal(144, [](NvmBlockHeader& h) { h.imageLength = 0xFFFFFFFF; }), EFAULT,
       "Bad image checksum: fw.nvm (1)"},
      {"chain loops onto itself", reseal(144, [](NvmBlockHeader& h) { h.nextHeader = 144; }), ELOOP,
       "Overlapping block: fw.nvm (2)"},
      {"next header inside the first image",
       [](Bytes& f) {
         // A sealed, empty block planted inside block 0's image, and block 0 pointing at it.
         NvmBlockHeader planted = headerAt(f, 144);
         planted.imageLength = 0;
         planted.imageChecksum = checksum32({});
         sealHeader(f, 48, planted);
         reseal(0, [&f](NvmBlockHeader& h) {
           h.nextHeader = 48;
           h.imageChecksum = checksum32(ByteView(f).subspan(44, 100));
         })(f);
       },
       ELOOP, "Overlapping block: fw.nvm (1)"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = twoBlocks();
    c.damage(file);
    NvmLastBlock last = findLastNvmBlock(file);
    EXPECT_EQ(last.error, c.findError);
    NvmCheck check = checkNvmFile(file, "fw.nvm");
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.message, c.checkMessage);
  }
}

TEST(FirmwareImage, ChainPointingBackToTheFirstBlockIsALoop) {
  // A next header of 0 ends the chain, so the loop closes on the second block.
  Bytes file = buildFile({{0, 40, 1}, {100, 40, 2}, {200, 40, 3}});
  reseal(200, [](NvmBlockHeader& h) { h.nextHeader = 100; })(file);
  EXPECT_EQ(findLastNvmBlock(file).error, ELOOP);
  EXPECT_EQ(checkNvmFile(file, "fw.nvm").message, "Overlapping block: fw.nvm (3)");
}

}  // namespace
}  // namespace strandline
