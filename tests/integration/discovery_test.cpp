// Detection and the scan against simulated networks of every adapter kind.
#include <nlohmann/json.hpp>

#include "base/keys.h"
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

class DiscoveryFixture : public SimFixture {
 protected:
  // A station's record; a negative kind or rate, or no firmware, is not checked.
  void expectStation(const char* mac, int kind, double tx, const char* firmware = nullptr) {
    const StationRecord* s = station(mac);
    ASSERT_TRUE(s) << mac;
    EXPECT_EQ(kind < 0 ? -1 : static_cast<int>(s->kind), kind) << mac;
    EXPECT_EQ(tx < 0 ? -1 : s->tx.current, tx) << mac;
    EXPECT_EQ(firmware ? s->firmware.str() : "", firmware ? firmware : "") << mac;
  }
};

// The rate an AV station shows for the figure it reports: r x 200 / 151.
double avRate(int reported) {
  return reported * 200 / 151;
}

TEST_F(DiscoveryFixture, HomeAvNetwork) {
  loadFile("home.json");
  ASSERT_TRUE(discover());
  EXPECT_TRUE(ctx->avMode);
  EXPECT_FALSE(ctx->kestrelMode);
  const LocalAdapter& adapter = ctx->adapters[0];
  EXPECT_EQ(adapter.present, 1u);
  EXPECT_EQ(adapter.kind, 4u);
  EXPECT_EQ(adapter.mac, macOf("02:5A:00:00:01:01"));
  EXPECT_EQ(kindText(*ctx, 0), "Powerline device");
  EXPECT_EQ(network().firmware.str(), "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B");
  EXPECT_EQ(ctx->firmware.chipName, "TSC2000");
  EXPECT_EQ(network().networkName.str(), "HomePlugAV");
  EXPECT_EQ(ctx->avNmk, deriveNetworkKey("HomePlugAV"));  // read from the parameter block
  ASSERT_EQ(ctx->known.count(), 1u);
  EXPECT_EQ(ctx->known.at(1).name.str(), "Device 1");

  runCycles(1);
  EXPECT_EQ(validStations(), 5);
  expectStation("02:5A:00:00:01:02", 4, avRate(180), "TSC1000-MAC-3-1-3114-00-20080124-FINAL");
  EXPECT_EQ(station("02:5A:00:00:01:02")->rx.current, avRate(171));
  EXPECT_EQ(station("02:5A:00:00:01:02")->networkName.str(), "HomePlugAV");
  expectStation("02:5A:00:00:01:05", -1, -1, "TSC3005-MAC-4-1-4104-00-20120412-CS");
  expectStation("02:5A:00:00:01:06", -1, avRate(233));
  // The refresh callback ran in phase 1 and at the end of the cycle.
  EXPECT_NE(std::find(notified.begin(), notified.end(), 7), notified.end());
}

TEST_F(DiscoveryFixture, Tsc4000NetworkUsesTheVersionOneExchange) {
  loadFile("tsc4000.json");
  ASSERT_TRUE(discover());
  EXPECT_EQ(ctx->adapters[0].kind, 5u);
  EXPECT_EQ(ctx->tsc4000Local, 4);
  runCycles(1);
  EXPECT_EQ(validStations(), 3);
  expectStation("02:5A:00:00:04:02", 5, avRate(412));
  expectStation("02:5A:00:00:04:03", 4, -1, "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B");
  bool versionOneRequest = false;
  for (const auto& [card, frame] : link.sentFrames())
    if (frame[15] == 0x38 && frame[16] == 0xA0) versionOneRequest |= frame[14] == 1;
  EXPECT_TRUE(versionOneRequest);
}

TEST_F(DiscoveryFixture, StandardHomePlug10Network) {
  loadFile("hp10.json");
  ASSERT_TRUE(discover());
  EXPECT_FALSE(ctx->avMode);
  EXPECT_FALSE(ctx->kestrelMode);
  EXPECT_EQ(ctx->adapters[0].kind, 3u);
  EXPECT_EQ(kindText(*ctx, 0), "HomePlug 1.0 Device");
  runCycles(2);
  EXPECT_EQ(network().networkName.str(), "HomePlug");
  EXPECT_EQ(validStations(), 2);  // the station on a private network stays unseen
  expectStation("02:5A:00:00:10:02", 1, 12);
  expectStation("02:5A:00:00:10:03", -1, 9);  // the rates the file sets
  EXPECT_FALSE(station("02:5A:00:00:10:04"));
}

TEST_F(DiscoveryFixture, BoostNetwork) {
  loadFile("boost.json");
  ASSERT_TRUE(discover());
  EXPECT_TRUE(ctx->kestrelMode);
  EXPECT_EQ(ctx->adapters[0].kind, 2u);
  EXPECT_EQ(kindText(*ctx, 0), "HomePlug Boost Device");
  EXPECT_EQ(ctx->boost.versionString, "HP85-BOOST-0001.2.7-REL");
  EXPECT_EQ(ctx->boost.vendor, "Simulated");
  runCycles(1);
  EXPECT_EQ(network().networkName.str(), "HomePlug");
  EXPECT_EQ(validStations(), 2);
  expectStation("02:5A:00:00:20:02", 2, 85, "Version 1.2");
  expectStation("02:5A:00:00:20:03", -1, 14);
}

TEST_F(DiscoveryFixture, AdapterOnTheSecondCardOnly) {
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

TEST_F(DiscoveryFixture, SilentStationAgesOutAndReturnsToItsRecord) {
  loadFile("home.json");
  ASSERT_TRUE(discover());
  runCycles(1);
  const MacAddress quiet = macOf("02:5A:00:00:01:03");
  const StationRecord* s = findStation(*ctx, quiet);
  ASSERT_TRUE(s);
  std::ptrdiff_t slot = s - network().stations.data();
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
  const StationRecord* back = findStation(*ctx, quiet);
  EXPECT_EQ(back - network().stations.data(), slot);
  EXPECT_EQ(back->valid, 1u);
  EXPECT_EQ(back->sent, seen + 1);
  EXPECT_EQ(back->tx.highest, avRate(142));
}

TEST_F(DiscoveryFixture, ThirtyThirdStationReusesTheLastRecord) {
  auto network32 = nlohmann::json::parse(readNetworkFile("large32.json"));
  network32["adapters"].push_back({{"mac", "02:5A:00:00:33:33"},
                                   {"kind", "av"},
                                   {"deviceId", 2},
                                   {"firmware", "TSC1000-MAC-9"},
                                   {"password", "ABCD-EFGH-IJKL-MNOP"},
                                   {"tx", 77},
                                   {"rx", 70}});
  load(network32.dump());
  ASSERT_TRUE(discover());
  runCycles(1);
  int named = 0;
  for (const StationRecord& s : network().stations) named += macIsSet(s.mac.data()) ? 1 : 0;
  EXPECT_EQ(named, 32);
  // 33 stations answered; the table holds 32 and the last of them took record 31.
  EXPECT_EQ(network().stations[31].mac, macOf("02:5A:00:00:33:33"));
}

TEST_F(DiscoveryFixture, NetworkNamesFromKeys) {
  load(R"({"adapters": [
    {"mac": "02:5A:00:00:70:01", "kind": "av", "interface": "sl0", "deviceId": 2,
     "firmware": "TSC1000-X", "password": "AAAA-BBBB-CCCC-DDDD", "networkName": "Attic2024"}]})");
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

TEST_F(DiscoveryFixture, NoAdapterClearsTheStationsAndReportsNothingFound) {
  load(R"({"adapters": [
    {"mac": "02:5A:00:00:71:01", "kind": "av", "interface": "sl0", "deviceId": 2,
     "firmware": "TSC1000-X", "password": "AAAA-BBBB-CCCC-DDDD", "faults": {"loss": 1.0}}]})");
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

TEST_F(DiscoveryFixture, LateAndLostAnswers) {
  auto home = nlohmann::json::parse(readNetworkFile("home.json"));
  home["adapters"][1]["faults"] = {{"delayMs", 150}};             // answers after the 100 ms wait
  home["adapters"][2]["faults"] = {{"loss", 0.5}, {"seed", 11}};  // loses every other answer
  load(home.dump());
  ASSERT_TRUE(discover());
  runCycles(6);
  // Listed by the adapter, so seen, but its version answer never counted.
  expectStation("02:5A:00:00:01:02", -1, 0, "");
  EXPECT_EQ(station("02:5A:00:00:01:02")->valid, 1u);
  // A late answer is never taken for another station's.
  expectStation("02:5A:00:00:01:03", -1, -1, "TSC2000-MAC-3-5-3516-1282-20100621-FINAL-B");
  expectStation("02:5A:00:00:01:04", -1, -1, "TSC3000-MAC-4-0-4012-00-20110330-FINAL");
}

}  // namespace
}  // namespace strandline::testing
