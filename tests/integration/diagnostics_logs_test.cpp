// The support logs as the window wires them: the scan log after every scan at
// diagnostics level 20, and the frame log's key-setting entries.
#include <filesystem>

#include "core/diagnostics/logs.h"
#include "core/security/network_name.h"
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

class DiagnosticsLogs : public SimFixture {
 protected:
  test::ScratchFolder folder;
};

TEST_F(DiagnosticsLogs, ScanLogFollowsEveryScanAtLevelTwenty) {
  loadFile("home.json");
  installLogHooks(*ctx, folder.path(), "Strandline Utility");
  ctx->loggingLevel = 20;
  ready();
  runCycles(2);
  std::string log = readText(folder.file("scan.log"));
  EXPECT_NE(log.find("\tdevice\t\t\tpresent\tmissesTillDrop\n\n"), std::string::npos);
  EXPECT_GE(static_cast<int>(std::count(log.begin(), log.end(), '#')), 3);  // a snapshot a scan
  EXPECT_NE(log.find("NIC #0:\t" + macToText(ctx->cards.cards[0].mac) + "\tPresent=1\n"),
            std::string::npos);
  for (const StationRecord& s : network().stations)
    if (s.valid) {
      EXPECT_NE(log.find("\t" + macToText(s.mac) + "\t1\t"), std::string::npos);
    }

  // Below level 20 nothing is written.
  std::filesystem::remove(folder.file("scan.log"));
  ctx->loggingLevel = 19;
  runCycles(1);
  EXPECT_FALSE(std::filesystem::exists(folder.file("scan.log")));
}

// A HomePlug 1.0 adapter that reports other option bytes than it was sent:
// the key is not taken, and every read-back image goes to the frame log.
TEST_F(DiagnosticsLogs, KeySettingReadbackThatDiffersFailsAndGoesToTheFrameLog) {
  loadFile("hp10.json");
  ready();
  installLogHooks(*ctx, folder.path(), "Strandline Utility");
  sim::Adapter* a = simulation->adapter(ctx->currentAdapter().mac);
  ASSERT_NE(a, nullptr);
  link.setFarEnd([this, a](const std::string& card, ByteView frame) {
    if (frame.size() > 17 && frame[15] == 0x19) a->hp1Image[24] = 0x80;
    simulation->receive(card, frame);
  });
  EXPECT_FALSE(setNetworkNameLocal(*ctx, "GardenShed"));
  expectShown("Unable to complete the command.", "Problem Occurred");
  expectPauseRestored();
  std::string log = readText(folder.file("Strandline Utility.log"));
  // One image of 50 bytes per read-back attempt, three lines each.
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 9);
  EXPECT_EQ(log.rfind("Time ", 0), 0u);
  std::size_t tag = log.rfind("**SETNEK**");
  ASSERT_NE(tag, std::string::npos);
  EXPECT_EQ(log.size() - tag, std::string("**SETNEK**").size() + 50 * 3 + 1);
  EXPECT_EQ(log.substr(tag + 10 + 24 * 3, 3), " 80");  // the option byte the adapter reported
  std::size_t tags = 0;
  for (std::size_t at = log.find("**SETNEK**"); at != std::string::npos;
       at = log.find("**SETNEK**", at + 1))
    ++tags;
  EXPECT_EQ(tags, 3u);
}

// A local-parameters image whose first seven bytes are all equal is logged
// with the tag of the copy it came from, and not taken as the adapter's.
TEST_F(DiagnosticsLogs, UniformLocalParametersGoToTheFrameLog) {
  loadFile("hp10.json");
  ready();
  installLogHooks(*ctx, folder.path(), "Strandline Utility");
  sim::Adapter* a = simulation->adapter(ctx->currentAdapter().mac);
  ASSERT_NE(a, nullptr);
  std::fill(a->hp1Image.begin(), a->hp1Image.begin() + 7, 0xEE);
  runCycles(2);
  std::string log = readText(folder.file("Strandline Utility.log"));
  bool tagged = log.find("**EEPROM** ee ee ee ee ee ee ee") != std::string::npos ||
                log.find("** RAM  ** ee ee ee ee ee ee ee") != std::string::npos;
  EXPECT_TRUE(tagged) << log;
  EXPECT_NE(ctx->hp1LocalParams[0], 0xEE);
}

}  // namespace
}  // namespace strandline::testing
