// The diagnostics report against golden files, the scan log's format, the
// frame log's rolling, and the host facts' parsing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "core/diagnostics/logs.h"
#include "core/diagnostics/report.h"
#include "platform/memory_link.h"
#include "unit/storage_test_util.h"

namespace strandline {
namespace {

// 2011-06-13 12:30:00 and 13:30:00 UTC; the tests run in UTC.
constexpr std::time_t kNoonThirty = 1307968200;
constexpr std::time_t kOneThirty = kNoonThirty + 3600;

// Puts the process's time zone back after each test.
class UtcTest : public ::testing::Test {
 protected:
  void SetUp() override { setZone("UTC"); }
  void TearDown() override { setZone(saved_); }

 private:
  static void setZone(const std::optional<std::string>& zone) {
    zone ? ::setenv("TZ", zone->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }
  const std::optional<std::string> saved_ =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

MacAddress mac(const char* text) {
  MacAddress m{};
  EXPECT_TRUE(parseMac(text, m)) << text;
  return m;
}

StationRecord station(const char* address, std::uint32_t kind, double tx, double rx) {
  StationRecord s;
  s.valid = 1;
  s.mac = mac(address);
  s.kind = kind;
  s.tx.current = tx;
  s.rx.current = rx;
  s.tx.highest = tx + 12.5;
  s.tx.lowest = tx > 0 ? tx - 3 : 0;
  s.tx.drops = 2;
  s.tx.fails = 7;
  s.sent = 41;
  s.misses = 3;
  return s;
}

// Four cards: no adapter, an AV adapter with four stations (one with a
// password, one without and at rate 0, a Boost one, one unknown to the
// database) and the adapter itself in the table, a Boost adapter, and a card
// without a MAC.
ReportFacts fixedFacts(int level, bool ampm) {
  ReportFacts f;
  f.cardCount = 4;
  f.currentCard = 1;
  f.networks[0].cardMac = mac("02:00:00:00:00:01");
  AdapterNetwork& av = f.networks[1];
  av.cardMac = mac("02:00:00:00:00:02");
  av.present = 1;
  av.kind = kKindAv;
  av.adapterMac = mac("02:1A:2B:00:00:10");
  av.networkName.set("HomePlugAV");
  av.firmware.set("FW-AV-3.3.0-12");
  av.localTx.drops = 4;
  av.localTx.fails = 1;
  av.localTx.highest = 150;
  av.localTx.lowest = 98.5;
  f.adapters[1].mac = av.adapterMac;
  f.adapters[1].reads = 120;
  f.adapters[1].readBytes = 64 * 1024 + 5;
  f.adapters[1].writes = 118;
  f.adapters[1].writtenBytes = 3 * 1024;
  av.stations[0] = station("02:1A:2B:00:00:21", kKindAv, 85.7, 70.2);
  av.stations[0].firmware.set("FW-AV-3.3.0-12");
  av.stations[1] = station("02:33:44:00:00:22", 1, 0, 0);
  av.stations[2] = station("02:1A:2B:00:00:23", kKindBoost, 8, 9);
  av.stations[2].vendor.set("Boostco");
  av.stations[2].product.set("Turbo 85");
  av.stations[2].firmware.set("2.1.7");
  av.stations[3] = station("02:55:66:00:00:24", kKindAv, 30, 30);  // not in the database
  av.stations[4] = station("02:1A:2B:00:00:10", kKindAv, 1, 1);    // the adapter itself
  AdapterNetwork& boost = f.networks[2];
  boost.cardMac = mac("02:00:00:00:00:03");
  boost.present = 1;
  boost.kind = kKindBoost;
  boost.adapterMac = mac("02:1A:2B:00:00:30");
  boost.networkName.set("Kitchen");
  f.boost.vendor = "Boostco";
  f.boost.product = "Turbo 85";
  f.boost.firmware = "1.8.2";
  f.boost.versionString = "BL 1.8.2 build 7";
  addKnownDevice(f.known, av.stations[0].mac, "Office", "QM3T-VW75-KD9P-HRJA");
  addKnownDevice(f.known, av.stations[1].mac, "Garage");
  addKnownDevice(f.known, av.stations[2].mac, "Attic", "ABCD-EFGH");
  addKnownDevice(f.known, av.adapterMac, "Local");
  f.known.at(1).networkName.set("HomePlugAV");
  f.known.at(1).lastSeen = kNoonThirty;
  f.known.at(2).networkName.set("HomePlugAV");
  f.known.at(2).lastSeen = kOneThirty;
  f.known.at(3).lastSeen = kOneThirty + 86400 * 40;
  f.prefs = defaultOemPrefs();
  f.prefs.appName = "Strandline Utility";
  f.prefs.copyright = "Copyright (C) the Strandline developers";
  f.prefs.diagnosticsLevel = static_cast<std::int16_t>(level);
  f.prefs.ampm = ampm ? 1 : 0;
  f.prefs.oui = {0x02, 0x33, 0x44};
  f.prefs.vendorName = "Strand OEM";
  f.oui = parseOuiList("021A2B\tFenwick_Labs\n025566\tOther_Co\n");
  f.host = {"bench-pc", "tester", "x86_64 (Example CPU @ 2.0GHz)",
            "OS Platform: Linux   V6.1, Build 0 (Debian GNU/Linux 12 (bookworm))",
            "libpcap version 1.10.3 (with TPACKET_V3)"};
  return f;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The report of the fixed state, byte for byte as its golden file holds it
// (STRANDLINE_UPDATE_GOLDEN=1 rewrites the files).
TEST_F(UtcTest, ReportMatchesGoldenFiles) {
  struct Case {
    const char* file;
    int level;
    bool ampm;
  };
  for (const Case& c :
       {Case{"report-level1.txt", 1, false}, Case{"report-level2-ampm.txt", 2, true}}) {
    std::string path = std::string(STRANDLINE_SOURCE_DIR) + "/tests/data/diagnostics/" + c.file;
    std::string report = diagnosticsReport(fixedFacts(c.level, c.ampm), kNoonThirty);
    if (std::getenv("STRANDLINE_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << report;
    EXPECT_EQ(report, readFile(path)) << c.file;
  }
}

// The lists get the same texts: the host lines in one column, one row of 14
// cells a device, and nothing of the file's headings.
TEST_F(UtcTest, ListSinkGetsTheSameLinesAsTheFile) {
  ReportFacts facts = fixedFacts(2, true);
  ListSink lists;
  ASSERT_TRUE(updateDiagnosticsList(facts, lists).ok());
  TextSink file;
  updateDiagnosticsList(facts, file);
  std::string joined;
  for (const auto& row : lists.system) joined += "\n" + row.at(0);
  EXPECT_EQ(file.text.substr(0, joined.size()), joined);
  ASSERT_EQ(lists.devices.size(), 3u);
  for (const auto& row : lists.devices) {
    ASSERT_EQ(row.size(), kDeviceColumns.size());
    std::string line = "\n" + row[0];
    for (std::size_t i = 1; i < row.size(); ++i) line += "\t" + row[i];
    EXPECT_NE(file.text.find(line + "\n"), std::string::npos) << line;
  }
}

// Beyond the golden files: a midnight hour with ampm, a one-digit day.
TEST_F(UtcTest, LastSeenText) {
  EXPECT_EQ(lastSeenText(kNoonThirty - 12 * 3600, true), "Jun 13 00:30AM");
  EXPECT_EQ(lastSeenText(kOneThirty - 10 * 86400, false), "Jun  3 13:30");
}

TEST_F(UtcTest, ScanLogFormat) {
  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  ProgramContext ctx{link, clock, prompter};
  ctx.cards.count = 2;
  ctx.cards.cards[0].mac = mac("02:00:00:00:00:01");
  ctx.cards.cards[1].mac = mac("02:00:00:00:00:02");
  ctx.adapters[1].present = 1;
  ctx.networks[1].stations[0] = station("02:1A:2B:00:00:21", kKindAv, 1, 1);
  ctx.networks[1].stations[0].missesLeft = 2;
  ctx.networks[1].stations[2] = station("02:1A:2B:00:00:23", 1, 1, 1);
  ctx.networks[1].stations[2].valid = 0;
  ctx.networks[0].stations[0] = station("02:1A:2B:00:00:99", 1, 1, 1);  // card 0 has no adapter
  EXPECT_EQ(scanLogHead(kNoonThirty),
            "Mon Jun 13 12:30:00 2011\n\tdevice\t\t\tpresent\tmissesTillDrop\n\n");
  EXPECT_EQ(scanLogEntry(ctx),
            "NIC #0:\t02:00:00:00:00:01\tPresent=0\n"
            "NIC #1:\t02:00:00:00:00:02\tPresent=1\n"
            "\t02:1A:2B:00:00:21\t1\t2\n"
            "\t02:1A:2B:00:00:23\t0\t0\n\n");

  // The file: the head once, an entry per scan; a closed log starts afresh.
  test::ScratchFolder folder;
  std::string path = folder.file("scan.log");
  ScanLog log(path);
  ASSERT_TRUE(log.write(ctx, kNoonThirty).ok());
  ASSERT_TRUE(log.write(ctx, kOneThirty, false).ok());
  EXPECT_EQ(readFile(path), scanLogHead(kNoonThirty) + scanLogEntry(ctx) + scanLogEntry(ctx));
  ASSERT_TRUE(log.write(ctx, kOneThirty, false).ok());
  EXPECT_EQ(readFile(path), scanLogHead(kOneThirty) + scanLogEntry(ctx));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(ScanLog(folder.file("missing/scan.log")).write(ctx, 0).ok());
}

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(UtcTest, FrameLogKeepsAtMostTwentyOldLinesAndTheNewEntry) {
  Bytes image(50);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 5);
  std::string entry = rollFrameLog("", frameLogTag(FrameLogKind::Ram), image, kNoonThirty);
  EXPECT_EQ(entry.substr(0, 40), "Time Mon Jun 13 12:30:00 2011\n\n** RAM  *");
  EXPECT_NE(entry.find("** RAM  ** 00 05 0a 0f 14 19"), std::string::npos);
  EXPECT_EQ(entry.back(), '\n');
  EXPECT_EQ(lineCount(entry), 3);

  test::ScratchFolder folder;
  std::string path = frameLogPath(folder.path(), "My/App");
  EXPECT_EQ(path, folder.file("My_App.log"));
  for (int i = 0; i < 12; ++i) {
    FrameLogKind kind = static_cast<FrameLogKind>(i % 3);
    ASSERT_TRUE(writeFrameLog(path, frameLogTag(kind), image, kNoonThirty + i).ok());
    std::string text = readFile(path);
    EXPECT_LE(lineCount(text), 20 + 3) << i;
    EXPECT_EQ(text.substr(0, 5), "Time ") << i;  // whole entries only
    std::string newest = rollFrameLog("", frameLogTag(kind), image, kNoonThirty + i);
    EXPECT_EQ(text.substr(text.size() - newest.size()), newest) << i;
  }

  // A foreign file: long lines are cut, no more than 20 of its lines stay.
  std::string foreign;
  for (int i = 0; i < 60; ++i) foreign += std::string(300, 'x') + "\n";
  std::string rolled = rollFrameLog(foreign, "**SETNEK**", image, kOneThirty);
  EXPECT_EQ(lineCount(rolled), 23);
  EXPECT_EQ(rolled.find(std::string(200, 'x')), std::string::npos);
  EXPECT_NE(rolled.find(std::string(199, 'x') + "\n"), std::string::npos);
}

TEST(HostInfo, ParsesTheSystemTexts) {
  EXPECT_EQ(osPlatformLine("6.1.0-18-amd64", ""), "OS Platform: Linux   V6.1, Build 0");
  EXPECT_EQ(osPlatformLine("5.15.133", "Debian GNU/Linux 12 (bookworm)"),
            "OS Platform: Linux   V5.15, Build 133 (Debian GNU/Linux 12 (bookworm))");
  EXPECT_EQ(osPlatformLine("", ""), "OS Platform: Linux   V0.0, Build 0");
  EXPECT_EQ(distributionName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian 12\"\n"),
            "Debian 12");
  EXPECT_EQ(distributionName("ID=x\nNAME='Plain'\n"), "Plain");
  EXPECT_EQ(distributionName("garbage"), "");
  EXPECT_EQ(cpuModelName("processor\t: 0\nmodel name\t: Example CPU @ 2.0GHz\nflags\t: x\n"),
            "Example CPU @ 2.0GHz");
  EXPECT_EQ(cpuModelName("processor\t: 0\n"), "");
  HostInfo host = currentHostInfo();
  EXPECT_FALSE(host.computerName.empty());
  EXPECT_NE(host.osPlatform.find("OS Platform: Linux   V"), std::string::npos);
  EXPECT_NE(host.library.find("libpcap"), std::string::npos);
}

}  // namespace
}  // namespace strandline
