#include "storage/oem_prefs.h"

#include <gtest/gtest.h>

#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::ScratchFolder;
using test::writeBytes;

OemPrefs sample() {
  OemPrefs p = defaultOemPrefs();
  p.scanInterval = 70000;
  p.qualityType = 6;
  p.color = 0x00FF8040;
  p.iconSize = 0;
  p.diagnosticsLevel = 20;
  p.upgradeCapability = 1;
  p.webAddress = "https://example.org/support";
  p.appName = "Plug Manager";
  p.oui = {0x01, 0x02, 0xAB};
  p.vendorName = std::string(63, 'v');
  p.copyright = std::string(79, 'c');
  return p;
}

// The 15 numbers that open the file, little-endian; then the texts and the OUI.
std::string numbers(const OemPrefs& p) {
  return toHex(ByteView(serializeOemPrefs(p)).first(34));
}

TEST(OemPrefs, WithoutAFileTheDefaultsApplyAndNothingIsCreated) {
  ScratchFolder dir;
  OemSettings s = readOemPrefs(dir.file("OEMPrefs.dat"));
  EXPECT_FALSE(s.fromFile);
  EXPECT_TRUE(s.problem.empty());
  EXPECT_EQ(s.prefs, defaultOemPrefs());
  // scan interval 30, icon size 24, diagnostics, show-only-active and auto
  // scan 1, logos at 10,310 and 80,25, rate, quality and am/pm shown
  EXPECT_EQ(numbers(s.prefs),
            "1E00000000000000000018000100010001000A003601500019000100010001000000");
  EXPECT_EQ(s.prefs.oui, (std::array<std::uint8_t, 3>{}));
  EXPECT_EQ(s.prefs.vendorName, "");
  EXPECT_FALSE(s.gridLines);
  EXPECT_EQ(s.timerInterval, 30);
  EXPECT_TRUE(dir.entries().empty());
}

TEST(OemPrefs, FieldsSitAtTheirOffsetsAndTheFileReadsBack) {
  Bytes b = serializeOemPrefs(sample());
  ASSERT_EQ(b.size(), 309u);
  EXPECT_EQ(numbers(sample()),
            "7011010006004080FF0000001400010001000A003601500019000100010001000100");
  // The texts' and the OUI's offsets are pinned by the golden file of the
  // Livery tests; here the full-length texts keep their terminating NUL.
  EXPECT_EQ(b[228], 0) << "vendorName keeps its terminating NUL";
  EXPECT_EQ(b[308], 0);

  ScratchFolder dir;
  std::string path = dir.file("OEMPrefs.dat");
  ASSERT_TRUE(writeOemPrefs(path, sample()).ok());
  EXPECT_EQ(test::readBytes(path), b);
  OemSettings s = readOemPrefs(path);
  EXPECT_TRUE(s.fromFile);
  EXPECT_EQ(s.prefs, sample());
  EXPECT_TRUE(s.gridLines);
  EXPECT_EQ(s.timerInterval, 4464) << "low 16 bits of 70000";
}

// Fields beyond the end stay zero (the characters of a cut text are kept);
// a scan interval below 1 is read as 1.
TEST(OemPrefs, ShortFilesLeaveTheRestZero) {
  ScratchFolder dir;
  std::string path = dir.file("OEMPrefs.dat");
  writeBytes(path, Bytes{45, 0, 0, 0});
  OemSettings s = readOemPrefs(path);
  OemPrefs expected;
  expected.scanInterval = 45;
  EXPECT_EQ(s.prefs, expected);
  EXPECT_TRUE(s.gridLines);

  Bytes b = serializeOemPrefs(sample());
  b.resize(98 + 4);
  OemPrefs cut = parseOemPrefs(b);
  EXPECT_EQ(cut.appName, "Plug");
  EXPECT_EQ(cut.webAddress, "https://example.org/support");
  EXPECT_EQ(cut.copyright, "");

  for (const Bytes& low : {serializeOemPrefs(OemPrefs{}), Bytes{0xFB, 0xFF, 0xFF, 0xFF}, Bytes{}}) {
    writeBytes(path, low);
    EXPECT_EQ(readOemPrefs(path).prefs.scanInterval, 1) << low.size();
  }
}

// The file is replaced whole: a save that fails at any step (disk full half
// way, fsync, rename) leaves the previous file as it was and no temporary.
TEST(OemPrefs, AFailedSaveLeavesThePreviousFile) {
  ScratchFolder dir;
  std::string path = dir.file("OEMPrefs.dat");
  ASSERT_TRUE(writeOemPrefs(path, sample()).ok());
  Bytes before = test::readBytes(path);
  for (int step = 0; step < 3; ++step) {
    test::FailingFileOps ops;
    if (step == 0) ops.failAfter = 100;
    ops.failFsync = step == 1;
    ops.failRename = step == 2;
    EXPECT_FALSE(writeOemPrefs(path, defaultOemPrefs(), ops).ok()) << step;
    EXPECT_EQ(test::readBytes(path), before) << step;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"OEMPrefs.dat"}) << step;
  }
}

}  // namespace
}  // namespace strandline
