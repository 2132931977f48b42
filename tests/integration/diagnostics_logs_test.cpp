// The support logs as the window wires them: the scan log after every scan at
// diagnostics level 20, and the frame log's key-setting entries.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/diagnostics/logs.h"
#include "core/security/network_name.h"
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DiagnosticsLogs : public SimFixture {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("diaglogs-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::filesystem::path folder;
};

TEST_F(DiagnosticsLogs, ScanLogFollowsEveryScanAtLevelTwenty) {
  loadFile("home.json");
  installLogHooks(*ctx, folder.string(), "Strandline Utility");
  ctx->loggingLevel = 20;
  ready();
  runCycles(2);
  std::string log = readFile((folder / "scan.log").string());
  EXPECT_NE(log.find("\tdevice\t\t\tpresent\tmissesTillDrop\n\n"), std::string::npos);
  EXPECT_GE(static_cast<int>(std::count(log.begin(), log.end(), '#')), 3);  // a snapshot a scan
  EXPECT_NE(log.find("NIC #0:\t" + macToText(ctx->cards.cards[0].mac) + "\tPresent=1\n"),
            std::string::npos);
  for (const StationRecord& s : network().stations)
    if (s.valid) {
      EXPECT_NE(log.find("\t" + macToText(s.mac) + "\t1\t"), std::string::npos);
    }

  // Below level 20 nothing is written.
  std::filesystem::remove(folder / "scan.log");
  ctx->loggingLevel = 19;
  runCycles(1);
  EXPECT_FALSE(std::filesystem::exists(folder / "scan.log"));
}

TEST_F(DiagnosticsLogs, KeySettingReadbackGoesToTheFrameLog) {
  loadFile("hp10.json");
  ready();
  installLogHooks(*ctx, folder.string(), "Strandline Utility");
  // The adapter reports other option bytes than it was sent.
  sim::Adapter* a = simulation->adapter(ctx->currentAdapter().mac);
  ASSERT_NE(a, nullptr);
  link.setFarEnd([this, a](const std::string& card, ByteView frame) {
    if (frame.size() > 17 && frame[15] == 0x19) a->hp1Image[24] = 0x80;
    simulation->receive(card, frame);
  });
  EXPECT_FALSE(setNetworkNameLocal(*ctx, "GardenShed"));
  std::string log = readFile((folder / "Strandline Utility.log").string());
  // Three read-backs of three lines each: all within the 20 old lines plus the newest.
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 9);
  EXPECT_EQ(log.rfind("Time ", 0), 0u);
  std::size_t tag = log.rfind("**SETNEK**");
  ASSERT_NE(tag, std::string::npos);
  EXPECT_EQ(log.size() - tag, std::string("**SETNEK**").size() + 50 * 3 + 1);
}

// A local-parameters image whose first seven bytes are all equal is logged
// with the tag of the copy it came from, and not taken as the adapter's.
TEST_F(DiagnosticsLogs, UniformLocalParametersGoToTheFrameLog) {
  loadFile("hp10.json");
  ready();
  installLogHooks(*ctx, folder.string(), "Strandline Utility");
  sim::Adapter* a = simulation->adapter(ctx->currentAdapter().mac);
  ASSERT_NE(a, nullptr);
  std::fill(a->hp1Image.begin(), a->hp1Image.begin() + 7, 0xEE);
  runCycles(2);
  std::string log = readFile((folder / "Strandline Utility.log").string());
  bool tagged = log.find("**EEPROM** ee ee ee ee ee ee ee") != std::string::npos ||
                log.find("** RAM  ** ee ee ee ee ee ee ee") != std::string::npos;
  EXPECT_TRUE(tagged) << log;
  EXPECT_NE(ctx->hp1LocalParams[0], 0xEE);
}

}  // namespace
}  // namespace strandline::testing
