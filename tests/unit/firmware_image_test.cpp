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

TEST(FirmwareImage, GoodChainsAreWalkedToTheirLastBlock) {
  // Words 0 (version), 2 (load address), 3 (length), 4 (image checksum), 9 (next), 10.
  EXPECT_EQ(toHex(ByteView(twoBlocks()).first(44)),
            "00000060"
            "00000000"
            "00100000"
            "64000000"
            "FF18D18A"
            "00000000000000000000000000000000"
            "90000000"
            "F4F72E15");
  const struct {
    std::vector<BlockSpec> blocks;
    std::size_t last;
  } cases[] = {{{{0, 100, 0x1000}, {144, 1025, 0x2000}}, 144},
               {{{0, 64, 0x1000}}, 0},
               {{{0, 40, 1}, {400, 40, 2}, {100, 40, 3}}, 100}};  // out of order but apart
  for (const auto& c : cases) {
    SCOPED_TRACE(c.last);
    Bytes file = buildFile(c.blocks);
    NvmLastBlock last = findLastNvmBlock(file);
    ASSERT_TRUE(last.ok()) << last.error;
    EXPECT_EQ(last.block.offset, c.last);
    EXPECT_EQ(last.block.imageOffset(), c.last + 44);
    EXPECT_EQ(last.block.header.loadAddress, c.blocks.back().loadAddress);
    EXPECT_EQ(last.block.header.imageLength, c.blocks.back().imageLength);
    EXPECT_EQ(nvmFirstBlockIsLast(file), c.blocks.size() == 1);
    NvmCheck check = checkNvmFile(file, "fw.nvm");
    EXPECT_TRUE(check.ok) << check.message;
    ASSERT_EQ(check.blocks.size(), c.blocks.size());
    EXPECT_EQ(check.blocks[0].header.loadAddress, c.blocks[0].loadAddress);
  }
  Bytes single = buildFile({{0, 64, 0x1000}});
  single[8] ^= 1;  // the header no longer verifies
  EXPECT_FALSE(nvmFirstBlockIsLast(single));
  EXPECT_FALSE(nvmFirstBlockIsLast(Bytes(20)));
}

using Damage = std::function<void(Bytes&)>;

// Sets word `index` of the header at `header` and seals that header again.
Damage word(std::size_t header, std::size_t index, std::uint32_t value) {
  return [=](Bytes& f) {
    for (std::size_t i = 0; i < 4; ++i)
      f[header + 4 * index + i] = static_cast<std::uint8_t>(value >> (8 * i));
    sealHeader(f, header, headerAt(f, header));
  };
}
Damage flip(std::size_t at) {
  return [=](Bytes& f) { f[at] ^= 0x10; };
}

TEST(FirmwareImage, DamagedFilesAreRefusedWithoutReadingPastThem) {
  // Two blocks: headers at 0 and 144, images of 100 and 1025 bytes at 44 and 188.
  const struct {
    const char* name;
    Damage damage;
    int findError;             // 0: the in-memory walk does not look at what was damaged
    const char* checkMessage;  // empty: the file checks
  } cases[] = {
      {"empty file", [](Bytes& f) { f.clear(); }, EFAULT, "Can't read header: f (0)"},
      {"shorter than a header", [](Bytes& f) { f.resize(20); }, EFAULT, "Can't read header: f (0)"},
      {"version 0x60000001", word(0, 0, 0x60000001), 0, "Bad header version: f (0)"},
      {"second header checksum", flip(144 + 20), EINVAL, "Bad header checksum: f (1)"},
      {"image byte", flip(44 + 3), 0, "Bad image checksum: f (0)"},
      {"last whole word", flip(188 + 1023), 0, "Bad image checksum: f (1)"},
      {"trailing partial word, outside the checksum", flip(188 + 1024), 0, ""},
      {"next header past the end", word(144, 9, 5000), EFAULT, "Can't read header: f (2)"},
      {"next header near 4 GiB", word(144, 9, 0xFFFFFFF0), EFAULT, "Can't read header: f (2)"},
      {"last image past the end", word(144, 3, 0xFFFFFFFF), EFAULT, "Bad image checksum: f (1)"},
      {"chain loops onto itself", word(144, 9, 144), ELOOP, "Overlapping block: f (2)"},
      {"next header inside the first image",
       [](Bytes& f) {
         // A sealed, empty block planted inside block 0's image, and block 0 pointing at it.
         NvmBlockHeader planted = headerAt(f, 144);
         planted.imageLength = 0;
         planted.imageChecksum = checksum32({});
         sealHeader(f, 48, planted);
         word(0, 9, 48)(f);
         word(0, 4, checksum32(ByteView(f).subspan(44, 100)))(f);
       },
       ELOOP, "Overlapping block: f (1)"},
      {"chain pointing back to block 1 (0 ends a chain)",
       [](Bytes& f) {
         f = buildFile({{0, 40, 1}, {100, 40, 2}, {200, 40, 3}});
         word(200, 9, 100)(f);
       },
       ELOOP, "Overlapping block: f (3)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = twoBlocks();
    c.damage(file);
    NvmLastBlock last = findLastNvmBlock(file);
    EXPECT_EQ(last.error, c.findError);
    NvmCheck check = checkNvmFile(file, "f");
    EXPECT_EQ(check.ok, !*c.checkMessage);
    EXPECT_EQ(check.message, c.checkMessage);
  }
}

}  // namespace
}  // namespace strandline
