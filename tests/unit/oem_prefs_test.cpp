#include "storage/oem_prefs.h"

#include <gtest/gtest.h>

#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::readBytes;
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

TEST(OemPrefs, WithoutAFileTheDefaultsApplyAndNothingIsCreated) {
  ScratchFolder dir;
  OemSettings s = readOemPrefs(dir.file("OEMPrefs.dat"));
  EXPECT_FALSE(s.fromFile);
  EXPECT_TRUE(s.problem.empty());
  EXPECT_EQ(s.prefs.appName, "Strandline Utility");
  EXPECT_EQ(s.prefs.autoScan, 1);
  EXPECT_EQ(s.prefs.iconSize, 24);
  EXPECT_EQ(s.prefs.diagnosticsLevel, 1);
  EXPECT_EQ(s.prefs.showRate, 1);
  EXPECT_EQ(s.prefs.showQuality, 1);
  EXPECT_EQ(s.prefs.scanInterval, 30);
  EXPECT_EQ(s.prefs.smLogoTop, 310);
  EXPECT_EQ(s.prefs.color, 0);
  EXPECT_EQ(s.prefs.oui, (std::array<std::uint8_t, 3>{}));
  EXPECT_EQ(s.prefs.vendorName, "");
  EXPECT_FALSE(s.gridLines);
  EXPECT_EQ(s.timerInterval, 30);
  EXPECT_TRUE(dir.entries().empty());
}

TEST(OemPrefs, FieldsSitAtTheirOffsets) {
  Bytes b = serializeOemPrefs(sample());
  ASSERT_EQ(b.size(), 309u);
  ByteReader r(b);
  EXPECT_EQ(r.u32le(), 70000u);
  EXPECT_EQ(r.u16le(), 6);
  EXPECT_EQ(r.u32le(), 0x00FF8040u);
  EXPECT_EQ(ByteReader(b, 12).u16le(), 20) << "diagnosticsLevel";
  EXPECT_EQ(ByteReader(b, 32).u16le(), 1) << "upgradeCapability";
  EXPECT_EQ(ByteReader(b, 34).text(64), "https://example.org/support");
  EXPECT_EQ(ByteReader(b, 98).text(64), "Plug Manager");
  EXPECT_EQ(b[162], 0x01);
  EXPECT_EQ(b[164], 0xAB);
  EXPECT_EQ(ByteReader(b, 165).text(64), std::string(63, 'v'));
  EXPECT_EQ(b[228], 0) << "vendorName keeps its terminating NUL";
  EXPECT_EQ(ByteReader(b, 229).text(80), std::string(79, 'c'));
  EXPECT_EQ(b[308], 0);
}

TEST(OemPrefs, WrittenFileReadsBackTheSame) {
  ScratchFolder dir;
  std::string path = dir.file("OEMPrefs.dat");
  ASSERT_TRUE(writeOemPrefs(path, sample()).ok());
  OemSettings s = readOemPrefs(path);
  EXPECT_TRUE(s.fromFile);
  EXPECT_EQ(s.prefs, sample());
  EXPECT_TRUE(s.gridLines);
  EXPECT_EQ(s.timerInterval, 4464) << "low 16 bits of 70000";
  EXPECT_EQ(readBytes(path), serializeOemPrefs(s.prefs));
}

TEST(OemPrefs, ShortFilesLeaveTheRestZero) {
  ScratchFolder dir;
  std::string path = dir.file("OEMPrefs.dat");
  writeBytes(path, Bytes{45, 0, 0, 0});
  OemSettings s = readOemPrefs(path);
  EXPECT_EQ(s.prefs.scanInterval, 45);
  EXPECT_EQ(s.prefs.iconSize, 0);
  EXPECT_TRUE(s.gridLines);
  EXPECT_EQ(s.prefs.diagnosticsLevel, 0);
  EXPECT_EQ(s.prefs.autoScan, 0);
  EXPECT_EQ(s.prefs.appName, "");

  // Cut inside appName: the characters that are there are kept.
  Bytes b = serializeOemPrefs(sample());
  b.resize(98 + 4);
  EXPECT_EQ(parseOemPrefs(b).appName, "Plug");
  EXPECT_EQ(parseOemPrefs(b).webAddress, "https://example.org/support");
  EXPECT_EQ(parseOemPrefs(b).copyright, "");

  for (std::int32_t interval : {0, -5}) {
    OemPrefs p;
    p.scanInterval = interval;
    writeBytes(path, serializeOemPrefs(p));
    EXPECT_EQ(readOemPrefs(path).prefs.scanInterval, 1) << interval;
  }
  writeBytes(path, Bytes{});
  EXPECT_EQ(readOemPrefs(path).prefs.scanInterval, 1);
}

}  // namespace
}  // namespace strandline
