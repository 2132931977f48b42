// modifyPibFile: a field written and the file resealed, or the file left as
// it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/checksum.h"
#include "core/device_ops/modify_pib_file.h"
#include "firmware/parameter_block.h"
#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::ScratchFolder;

Bytes defaultBlock() {
  Bytes block(pib::kImageLength);
  ParameterBlockImage image;
  EXPECT_EQ(image.buildDefault(block), PibStatus::Ok);
  EXPECT_EQ(image.reseal(block), PibStatus::Ok);
  return block;
}

TEST(ModifyPibFile, RefusalsLeaveTheFileUntouched) {
  const std::uint8_t two[] = {0xAB, 0xCD};
  Bytes good = defaultBlock();
  Bytes longer = good;
  longer.push_back(0);
  Bytes unsealed = good;
  unsealed[600] ^= 0xFF;
  const struct {
    const char* what;
    Bytes file;
    std::size_t offset, count;
  } cases[] = {
      {"one byte longer than its length field", longer, 524, 1},
      {"checksum does not verify", unsealed, 524, 1},
      {"count runs past the end", good, 15559, 2},
      {"offset at the end", good, 15560, 0},
      {"shorter than its header", Bytes(good.begin(), good.begin() + 5), 0, 1},
  };
  ScratchFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = folder.file("user.pib");
    test::writeBytes(path, c.file);
    EXPECT_EQ(modifyPibFile(path, c.offset, two, c.count), -1);
    EXPECT_EQ(test::readBytes(path), c.file);
  }
  EXPECT_EQ(modifyPibFile(folder.file("missing.pib"), 0, two, 1), -1);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"user.pib"});
}

TEST(ModifyPibFile, WritesTheFieldResealsAndKeepsTheMode) {
  ScratchFolder folder;
  std::string path = folder.file("user.pib");
  Bytes block = defaultBlock();
  test::writeBytes(path, block);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

  const std::uint8_t last = 0x5A;
  ASSERT_EQ(modifyPibFile(path, 15559, &last, 1), 0);
  const std::uint8_t ttl[] = {0x20, 0x4E, 0x00, 0x00};  // 20000 microseconds
  ASSERT_EQ(modifyPibFile(path, pib::kOffsetTimeToLive, ttl, sizeof ttl), 0);

  Bytes after = test::readBytes(path);
  ASSERT_EQ(after.size(), block.size());
  EXPECT_EQ(after[15559], 0x5A);
  EXPECT_EQ(Bytes(after.begin() + 528, after.begin() + 532), Bytes(ttl, ttl + 4));
  EXPECT_EQ(checksum32(after), 0u);
  EXPECT_TRUE(pibVerifies(after));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"user.pib"});  // no temporary left
}

}  // namespace
}  // namespace strandline
