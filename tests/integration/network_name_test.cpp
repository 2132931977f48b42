// Network names on the local adapter alone and on every device with a known
// password, on HomePlug AV, standard HomePlug 1.0 and Boost adapters.
#include <nlohmann/json.hpp>

#include "app/device_dialogs.h"
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
  // The name stored for the network is still the public one: the local adapter
  // follows the name given, not the stored one.
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
  // Every entry, the local adapter's too, names the network, as saved and after a rescan.
  auto expectNamed = [&] {
    for (const KnownDevice& d : ctx->known.devices)
      EXPECT_EQ(d.networkName.str(), "FamilyNet") << macToText(d.mac);
  };
  expectNamed();
  EXPECT_EQ(rescanStations(), expected);
  expectNamed();
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
  EXPECT_FALSE(setNetworkNameAll(*ctx, "Cellar1234"));
  expectShown("All Devices are successfully added to the network.");
  EXPECT_EQ(simKey(local), keyOf("Cellar1234"));
}

// The typed name is kept only once the local adapter took its key: a Set All
// cancelled at its question or a failed Set Local leaves the network, the
// database and the detection passes that follow as they were.
TEST_P(NetworkNames, NameIsKeptOnlyOnceItsKeyWasTaken) {
  readyFile(GetParam());
  for (const auto& [mac, password] : remotes) addKnown(mac, password);
  app::MainPageState state;
  prompter.answers.push_back(MessageAnswer::Cancel);
  EXPECT_FALSE(app::placeOnNetwork(*ctx, state, "Cancelled-Net", true, {}));
  EXPECT_EQ(network().networkName.str(), publicName);
  simulation->unplug(macOf(local));
  app::placeOnNetwork(*ctx, state, "Failed-Net", false, {});
  EXPECT_EQ(texts().at(1), "Unable to complete the command.");
  EXPECT_EQ(network().networkName.str(), publicName);
  simulation->replug(macOf(local));
  if (ctx->avMode) {  // a key refused is no key taken
    simulation->adapter(macOf(local))->faults.status[0xA050] = 0x11;
    app::placeOnNetwork(*ctx, state, "Refused-Net", false, {});
    EXPECT_EQ(texts().back(), "Unable to complete the command.");
    simulation->adapter(macOf(local))->faults.status.clear();
  }
  ASSERT_TRUE(discover());
  EXPECT_EQ(rescanStations().size(), remotes.size());
  app::refreshAfterScan(*ctx, state, 7, 0);
  EXPECT_EQ(network().networkName.str(), publicName);
  for (const KnownDevice& d : ctx->known.devices)
    EXPECT_EQ(d.networkName.str(), publicName) << macToText(d.mac);
  EXPECT_EQ(simKey(local), keyOf(publicName));
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

// The local adapter's entry counts as done only once the adapter took the key.
TEST_F(NetworkNames, SetAllWhoseLocalKeyIsLostIsNoSuccess) {
  readyFile("home.json");
  addKnown(remotes[0].first, remotes[0].second);
  link.setFarEnd([this](const std::string& card, ByteView f) {
    if (f.size() < 38 || f[15] != 0x50 || f[16] != 0xA0 || f[37] != 15)
      simulation->receive(card, f);
  });
  setNetworkNameAll(*ctx, "FamilyNet");
  expectShown("Some Devices could not be added to your network.", "Attention!");
  EXPECT_EQ(simKey(remotes[0].first), keyOf("FamilyNet"));
  EXPECT_EQ(network().networkName.str(), publicName);
}

// While the local adapter restarts on its new key, the rescan after Set Local
// does not report it missing; once it was found again, a missing adapter is.
TEST_F(NetworkNames, SetLocalQuietsTheNotDetectedBoxWhileTheAdapterRestarts) {
  readyFile("home.json");
  app::MainPageState state;
  auto scan = [&] { return app::scanNow(*ctx, state, {}); };
  ctx->hooks.rescanNetwork = [&] {
    simulation->unplug(macOf(local));
    EXPECT_FALSE(scan());
    simulation->replug(macOf(local));
  };
  EXPECT_TRUE(app::placeOnNetwork(*ctx, state, "Attic-Net", false, {}));
  expectShown("Local network set to 'Attic-Net'", "Information");
  EXPECT_TRUE(scan());
  simulation->unplug(macOf(local));
  EXPECT_FALSE(scan());
  EXPECT_EQ(texts().back(), app::kNotDetectedScanText);
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

}  // namespace
}  // namespace strandline::testing
