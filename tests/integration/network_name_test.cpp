// Network names on the local adapter alone and on every device with a known
// password, on HomePlug AV, standard HomePlug 1.0 and Boost adapters.
#include <nlohmann/json.hpp>

#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

class NetworkNames : public SimFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  // Loads the network file; the local adapter, the remote stations of the
  // public network with their passwords, and the stations of other networks.
  void readyFile(const std::string& file) {
    loadFile(file);
    ready();
    const auto json = nlohmann::json::parse(readNetworkFile(file));
    for (const auto& a : json["adapters"]) {
      std::string mac = a["mac"];
      if (a.contains("interface"))
        local = mac;
      else if (a.contains("networkName"))
        elsewhere.emplace_back(mac, a["networkName"]);
      else
        remotes.emplace_back(mac, a["password"]);
    }
    publicName = ctx->avMode ? "HomePlugAV" : "HomePlug";
  }
  Key16 keyOf(const std::string& name) { return ctx->avMode ? deriveNetworkKey(name) : nek(name); }

  std::string local, publicName;
  std::vector<std::pair<std::string, std::string>> remotes, elsewhere;
};

TEST_P(NetworkNames, AllDevicesFormOnePrivateNetwork) {
  readyFile(GetParam());
  std::vector<MacAddress> expected;
  for (const auto& [mac, password] : remotes) {
    addKnown(mac, password);
    expected.push_back(macOf(mac));
  }
  // A stored status prefix is not part of the password.
  addKnown(remotes[1].first, "CHECK " + remotes[1].second);
  ASSERT_TRUE(storeNetworkName(*ctx, "FamilyNet"));
  EXPECT_TRUE(setNetworkNameAll(*ctx, "FamilyNet"));
  expectShown("All Devices are successfully added to the network.");
  expectPauseRestored();
  const Key16 key = keyOf("FamilyNet");
  EXPECT_EQ(simKey(local), key);
  for (const auto& [mac, password] : remotes) EXPECT_EQ(simKey(mac), key) << mac;
  for (const auto& [mac, name] : elsewhere) EXPECT_EQ(simKey(mac), keyOf(name)) << mac;
  // The database keeps the key of the name (the first 8 bytes on HomePlug 1.0).
  for (const auto& [mac, password] : remotes) {
    const KnownDevice& d = ctx->known.at(findKnownByMac(ctx->known, macOf(mac)));
    EXPECT_TRUE(
        std::equal(key.begin(), key.begin() + (ctx->avMode ? 16 : 8), d.networkKey.begin()));
  }
  for (const KnownDevice& d : ctx->known.devices)
    EXPECT_TRUE(!ctx->avMode || (d.networkName.str() == "FamilyNet" && d.networkKey == key));
  EXPECT_EQ(rescanStations(), expected);
  EXPECT_EQ(network().networkName.str(), "FamilyNet");
  for (const StationRecord& s : network().stations)
    EXPECT_TRUE(!s.valid || !ctx->avMode || s.networkName.str() == "FamilyNet");
  if (GetParam() == std::string("hp10.json")) {
    // The local adapter carries frames under its network key again, with its own slot key.
    sim::Adapter* a = simulation->adapter(macOf(local));
    EXPECT_EQ(a->hp1Image[25] & 0x0F, 1);
    EXPECT_TRUE(
        std::equal(a->deviceKey.begin(), a->deviceKey.begin() + 8, a->hp1Image.begin() + 6));
  }
}

TEST_P(NetworkNames, LocalOnly) {
  readyFile(GetParam());
  std::uint64_t start = clock.nowMs();
  int rescans = 0;
  ctx->hooks.rescanNetwork = [&] {
    ++rescans;
    // On AV the rescan comes after the adapter's settling time of 3 s.
    EXPECT_GE(clock.nowMs() - start, ctx->avMode ? 3000u : 0u);
  };
  ASSERT_TRUE(storeNetworkName(*ctx, "Attic-Net"));
  EXPECT_TRUE(setNetworkNameLocal(*ctx, "Attic-Net"));
  expectShown("Local network set to 'Attic-Net'", "Information");
  EXPECT_EQ(rescans, 1);
  expectPauseRestored();
  EXPECT_EQ(simKey(local), keyOf("Attic-Net"));
  for (const auto& [mac, password] : remotes) EXPECT_EQ(simKey(mac), keyOf(publicName)) << mac;
  // Isolated: no station is reachable any more, and detection names the network.
  EXPECT_TRUE(rescanStations().empty());
  EXPECT_EQ(network().networkName.str(), "Attic-Net");
  EXPECT_EQ(ctx->known.at(findKnownByMac(ctx->known, macOf(local))).networkName.str(), "Attic-Net");
}

TEST_P(NetworkNames, SomeDevicesFail) {
  readyFile(GetParam());
  addKnown(remotes[0].first, remotes[0].second);
  addKnown(remotes[1].first, "WRNG-PASS-WORD-0000");
  if (remotes.size() > 2) addKnown(remotes[2].first, "");  // no password: skipped, not done
  ASSERT_TRUE(storeNetworkName(*ctx, "FamilyNet"));
  setNetworkNameAll(*ctx, "FamilyNet");
  expectShown("Some Devices could not be added to your network.", "Attention!");
  EXPECT_EQ(simKey(local), keyOf("FamilyNet"));
  EXPECT_EQ(simKey(remotes[0].first), keyOf("FamilyNet"));
  for (std::size_t i = 1; i < std::min<std::size_t>(3, remotes.size()); ++i)
    EXPECT_EQ(simKey(remotes[i].first), keyOf(publicName));
  EXPECT_EQ(rescanStations(), std::vector<MacAddress>{macOf(remotes[0].first)});

  // Every remote device fails and the local adapter has no entry: no box.
  prompter.shown.clear();
  ctx->known.devices.clear();
  addKnown(remotes[1].first, "WRNG-PASS-WORD-0000");
  EXPECT_FALSE(setNetworkNameAll(*ctx, "Cellar1234"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(simKey(remotes[1].first), keyOf(publicName));
  // An empty database: nothing to fail, so all are added.
  ctx->known.devices.clear();
  ASSERT_TRUE(storeNetworkName(*ctx, "Cellar1234"));
  EXPECT_FALSE(setNetworkNameAll(*ctx, "Cellar1234"));
  expectShown("All Devices are successfully added to the network.");
  EXPECT_EQ(simKey(local), keyOf("Cellar1234"));
}

// A confirmation counts only for the request it answers: a duplicate, or one
// that arrives after its wait gave up, never stands in for the next device.
TEST_P(NetworkNames, ConfirmationCountsOnlyForItsOwnDevice) {
  readyFile(GetParam());
  sim::Adapter* first = simulation->adapter(macOf(remotes[0].first));
  for (bool duplicate : {true, false}) {
    SCOPED_TRACE(duplicate ? "duplicate" : "late");
    const std::string name = duplicate ? "Duplicated" : "LateAnswer";
    first->faults.duplicate = duplicate;
    first->faults.delayMs = duplicate ? 0 : 4000;
    ctx->known.devices.clear();
    addKnown(remotes[0].first, remotes[0].second);
    addKnown(remotes[1].first, "WRNG-PASS-WORD-0000");
    prompter.shown.clear();
    setNetworkNameAll(*ctx, name);
    expectShown("Some Devices could not be added to your network.", "Attention!");
    EXPECT_EQ(simKey(remotes[0].first), keyOf(name));
    EXPECT_EQ(simKey(remotes[1].first), keyOf(publicName));
    EXPECT_NE(ctx->known.at(2).networkName.str(), name);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, NetworkNames,
                         ::testing::Values("home.json", "hp10.json", "boost.json"));

// Set-all checks the name again before it acts, and still saves.
TEST_F(NetworkNames, SetAllRefusesAnInvalidNameWithTheNameBox) {
  readyFile("home.json");
  int saves = 0;
  ctx->hooks.saveDatabase = [&] { ++saves; };
  EXPECT_FALSE(setNetworkNameAll(*ctx, "bad\x80name"));
  expectShown(
      "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 "
      "characters",
      "Invalid Entry");
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(simKey(local), deriveNetworkKey("HomePlugAV"));
}

TEST_F(NetworkNames, StandardReadbackThatDiffersInTheOptionsIsNoSuccess) {
  readyFile("hp10.json");
  // The adapter reports other option bytes than it was sent.
  sim::Adapter* a = simulation->adapter(macOf(local));
  link.setFarEnd([this, a](const std::string& card, ByteView frame) {
    if (frame.size() > 17 && frame[15] == 0x19) a->hp1Image[24] = 0x80;
    simulation->receive(card, frame);
  });
  std::vector<std::pair<std::string, Bytes>> logged;
  ctx->hooks.writeTaggedFrameLog = [&](const std::string& tag, ByteView image) {
    logged.emplace_back(tag, Bytes(image.begin(), image.end()));
  };
  EXPECT_FALSE(setNetworkNameLocal(*ctx, "GardenShed"));
  expectShown("Unable to complete the command.", "Problem Occurred");
  ASSERT_EQ(logged.size(), 3u);  // one image per read-back attempt
  EXPECT_EQ(logged[0].first, "**SETNEK**");
  EXPECT_EQ(logged[0].second.size(), 50u);
  EXPECT_EQ(logged[0].second[24], 0x80);
  expectPauseRestored();
}

}  // namespace
}  // namespace strandline::testing
