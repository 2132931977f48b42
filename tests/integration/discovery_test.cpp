// Detection and the scan against simulated networks of every adapter kind.
#include <nlohmann/json.hpp>

#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

// The rate an AV station shows for the figure it reports: r x 200 / 151.
constexpr auto avRate = [](int reported) { return reported * 200 / 151; };

// A station's record; a negative kind or rate, or no firmware, is not checked.
struct StationCase {
  const char *network, *mac;
  int kind, tx;
  const char* firmware = nullptr;
};
// The station on a private HomePlug 1.0 network stays unseen; the rates are the file's.
const StationCase kStations[] = {
    {"home.json", "02:5A:00:00:01:02", 4, avRate(180), "TSC1000-MAC-3-1-3114-00-20080124-FINAL"},
    {"home.json", "02:5A:00:00:01:05", -1, -1, "TSC3005-MAC-4-1-4104-00-20120412-CS"},
    {"home.json", "02:5A:00:00:01:06", -1, avRate(233)},
    {"tsc4000.json", "02:5A:00:00:04:02", 5, avRate(412)},
    {"tsc4000.json", "02:5A:00:00:04:03", 4, -1, "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B"},
    {"hp10.json", "02:5A:00:00:10:02", 1, 12},
    {"hp10.json", "02:5A:00:00:10:03", -1, 9},
    {"boost.json", "02:5A:00:00:20:02", 2, 85, "Version 1.2"},
    {"boost.json", "02:5A:00:00:20:03", -1, 14}};

// The kind of the local adapter decides the mode: 4 and 5 are AV, 2 is Boost.
struct NetworkCase {
  const char* file;
  unsigned kind;
  int cycles, valid;
  const char *kindText, *name, *firmware;  // the local firmware as shown, if checked
  friend void PrintTo(const NetworkCase& c, std::ostream* os) { *os << c.file; }
};
const NetworkCase kNetworks[] = {
    {"home.json", 4, 1, 5, "Powerline device", "HomePlugAV",
     "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B"},
    {"tsc4000.json", 5, 1, 3, "Powerline device", "HomePlugAV",
     "TSC4000-MAC-1-0-1024-00-3153-20130210-FINAL-B"},
    {"hp10.json", 3, 2, 2, "HomePlug 1.0 Device", "HomePlug", nullptr},
    {"boost.json", 2, 1, 2, "HomePlug Boost Device", "HomePlug", "HP85-BOOST-0001.2.7-REL"}};

class Discovery : public SimFixture {
 protected:
  void expectStation(const StationCase& c) {
    const StationRecord* s = station(c.mac);
    ASSERT_TRUE(s) << c.mac;
    EXPECT_EQ(c.kind < 0 ? -1 : static_cast<int>(s->kind), c.kind) << c.mac;
    EXPECT_EQ(c.tx < 0 ? -1 : s->tx.current, c.tx) << c.mac;
    EXPECT_EQ(c.firmware ? s->firmware.str() : "", c.firmware ? c.firmware : "") << c.mac;
  }
};

class DiscoveryOf : public Discovery, public ::testing::WithParamInterface<NetworkCase> {};

TEST_P(DiscoveryOf, AdapterKindFirmwareStationsAndRates) {
  const NetworkCase& c = GetParam();
  const std::string file = c.file;
  loadFile(file);
  ASSERT_TRUE(discover());
  EXPECT_EQ(ctx->avMode, c.kind >= 4);
  EXPECT_EQ(ctx->kestrelMode, c.kind == 2);
  EXPECT_EQ(ctx->adapters[0].kind, c.kind);
  EXPECT_EQ(kindText(*ctx, 0), c.kindText);
  std::string firmware = c.kind == 2 ? ctx->boost.versionString : network().firmware.str();
  EXPECT_EQ(c.firmware ? firmware : "", c.firmware ? c.firmware : "");
  runCycles(c.cycles);
  EXPECT_EQ(network().networkName.str(), c.name);
  auto& stations = network().stations;
  EXPECT_EQ(std::count_if(stations.begin(), stations.end(), [](auto& s) { return s.valid; }),
            c.valid);
  for (const StationCase& s : kStations)
    if (s.network == file) expectStation(s);

  if (file == "home.json") {
    EXPECT_EQ(ctx->firmware.chipName, "TSC2000");
    ASSERT_EQ(ctx->known.count(), 1u);
    EXPECT_EQ(ctx->known.at(1).name.str(), "Device 1");
    EXPECT_EQ(station("02:5A:00:00:01:02")->rx.current, avRate(171));
    // The refresh callback ran in phase 1 and at the end of the cycle.
    EXPECT_NE(std::find(notified.begin(), notified.end(), 7), notified.end());
  } else if (file == "tsc4000.json") {
    // Asked in the version-1 form: the version-0 answer would cap 412 at 255.
    EXPECT_EQ(ctx->tsc4000Local, 4);
  } else if (file == "hp10.json") {
    EXPECT_FALSE(station("02:5A:00:00:10:04"));
  } else {
    EXPECT_EQ(ctx->boost.vendor, "Simulated");
  }
}

INSTANTIATE_TEST_SUITE_P(Networks, DiscoveryOf, ::testing::ValuesIn(kNetworks));

TEST_F(Discovery, AdapterOnTheSecondCardOnly) {
  link.addCard({"eth9", "", macOf("02:5C:00:00:00:99")});  // listed first, no adapter behind it
  loadFile("home.json");
  ASSERT_TRUE(discover());
  EXPECT_EQ(ctx->cards.count, 2);
  EXPECT_EQ(ctx->cards.currentCard, 0);
  EXPECT_FALSE(ctx->avMode);  // the current card has no adapter
  EXPECT_EQ(network(1).kind, 4u);
  EXPECT_EQ(network(1).adapterMac, macOf("02:5A:00:00:01:01"));
  EXPECT_EQ(network(0).present, 0u);
}

TEST_F(Discovery, SilentStationAgesOutAndReturnsToItsRecord) {
  loadFile("home.json");
  ASSERT_TRUE(discover());
  runCycles(1);
  const MacAddress quiet = macOf("02:5A:00:00:01:03");
  const StationRecord* s = findStation(*ctx, quiet);
  ASSERT_TRUE(s);
  std::uint32_t seen = s->sent;
  simulation->unplug(quiet);
  runCycles(1);
  EXPECT_EQ(s->valid, 1u);
  runCycles(1);
  EXPECT_EQ(s->valid, 0u);  // three cycles after the one it was last seen in
  EXPECT_EQ(s->misses, 3u);
  EXPECT_EQ(s->tx.current, 0);
  EXPECT_EQ(network().stationCount, 4);
  simulation->replug(quiet);
  runCycles(1);
  EXPECT_EQ(findStation(*ctx, quiet), s);  // the same record
  EXPECT_EQ(s->valid, 1u);
  EXPECT_EQ(s->sent, seen + 1);
  EXPECT_EQ(s->tx.highest, avRate(142));
}

TEST_F(Discovery, ThirtyThirdStationReusesTheLastRecord) {
  auto network32 = nlohmann::json::parse(readNetworkFile("large32.json"));
  network32["adapters"].push_back({{"mac", "02:5A:00:00:33:33"}, {"password", "ABCD-EFGH"}});
  load(network32.dump());
  ASSERT_TRUE(discover());
  runCycles(1);
  int named = 0;
  for (const StationRecord& s : network().stations) named += macIsSet(s.mac.data()) ? 1 : 0;
  EXPECT_EQ(named, 32);
  // 33 stations answered; the table holds 32 and the last of them took record 31.
  EXPECT_EQ(network().stations[31].mac, macOf("02:5A:00:00:33:33"));
}

TEST_F(Discovery, NetworkNamesFromKeys) {
  load(R"({"adapters": [{"mac": "02:5A:00:00:70:01", "interface": "sl0", "password": "AAAA-BBBB",
                        "networkName": "Attic2024"}]})");
  ASSERT_TRUE(discover());
  EXPECT_EQ(network().networkName.str(), "Unknown Networkname");
  EXPECT_EQ(ctx->avNmk, deriveNetworkKey("Attic2024"));

  // A second known device on the same key gives its name.
  ctx->known.at(1).networkName.set("Attic");
  ctx->known.at(1).networkKey.fill(0);
  ASSERT_EQ(addKnownDevice(ctx->known, macOf("02:5A:00:00:70:99"), "Other"), 2);
  ctx->known.at(2).networkKey = deriveNetworkKey("Attic2024");
  ctx->known.at(2).networkName.set("Attic");
  ASSERT_TRUE(discover());
  EXPECT_EQ(network().networkName.str(), "Attic");
  EXPECT_EQ(ctx->known.at(1).networkKey, deriveNetworkKey("Attic2024"));
}

TEST_F(Discovery, NoAdapterClearsTheStationsAndReportsNothingFound) {
  load(R"({"adapters": [{"mac": "02:5A:00:00:71:01", "interface": "sl0", "password": "AAAA-BBBB",
                        "faults": {"loss": 1.0}}]})");
  int saves = 0;
  ctx->hooks.saveDatabase = [&] { ++saves; };
  network().stations[0].valid = 1;
  network().stationCount = 1;
  EXPECT_FALSE(discover());
  EXPECT_EQ(network().stationCount, 0);
  EXPECT_EQ(network().stations[0].valid, 0u);
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(ctx->scan.timerRunning);
}

// The local adapter's first two answers are lost (seed 4): it is asked again, not given up.
TEST_F(Discovery, LostProbeAnswersAreNotAbsence) {
  load(R"({"adapters": [{"mac": "02:5A:00:00:71:01", "interface": "sl0", "password": "AAAA-BBBB",
                        "faults": {"loss": 0.3, "seed": 4}}]})");
  link.addCard({"sl9", "", {0x02, 0x5C, 0, 0, 0, 9}});  // a card with no adapter
  auto versionRequestsOnSl9 = [this] {
    const auto sent = link.sentFrames();
    return std::count_if(sent.begin(), sent.end(), [](const auto& one) {
      return one.first == "sl9" && one.second.size() > 16 && one.second[15] == 0x00 &&
             one.second[16] == 0xA0;
    });
  };
  ASSERT_TRUE(discover());
  EXPECT_EQ(ctx->adapters[0].kind, 4u);
  EXPECT_TRUE(ctx->avMode);
  // Every pass asks the lossy adapter again and again; the empty card is asked
  // hard once, then once a pass.
  EXPECT_EQ(versionRequestsOnSl9(), kProbeAttempts);
  for (int pass = 0; pass < 4; ++pass) {
    detectLocalAdapters(*ctx);
    EXPECT_TRUE(ctx->adapters[0].present) << pass;
  }
  EXPECT_EQ(versionRequestsOnSl9(), kProbeAttempts + 4);
}

TEST_F(Discovery, LateAndLostAnswers) {
  auto home = nlohmann::json::parse(readNetworkFile("home.json"));
  home["adapters"][1]["faults"] = {{"delayMs", 150}};             // answers after the 100 ms wait
  home["adapters"][2]["faults"] = {{"loss", 0.5}, {"seed", 11}};  // loses every other answer
  load(home.dump());
  ASSERT_TRUE(discover());
  runCycles(6);
  // Listed by the adapter, so seen, but its version answer never counted.
  expectStation({"", "02:5A:00:00:01:02", -1, 0, ""});
  EXPECT_EQ(station("02:5A:00:00:01:02")->valid, 1u);
  // A late answer is never taken for another station's.
  expectStation({"", "02:5A:00:00:01:03", -1, -1, "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B"});
  expectStation({"", "02:5A:00:00:01:04", -1, -1, "TSC3000-MAC-4-0-4012-00-20110330-FINAL"});
}

}  // namespace
}  // namespace strandline::testing
