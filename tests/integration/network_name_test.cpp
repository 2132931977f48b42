// Network names on the local adapter alone and on every device with a known
// password, on HomePlug AV, standard HomePlug 1.0 and Boost adapters.
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const char* const kAvLocal = "02:5A:00:00:01:01";
const char* const kAvRemotes[] = {"02:5A:00:00:01:02", "02:5A:00:00:01:03", "02:5A:00:00:01:04",
                                  "02:5A:00:00:01:05", "02:5A:00:00:01:06"};
const char* const kAvPasswords[] = {"R2D4-MQ8X-T6VA-1LKE", "ZX9P-44QT-MNB2-HH7C",
                                    "A1B2-C3D4-E5F6-G7H8", "QWER-7Y8U-PL0K-MJ6N",
                                    "9TZL-WE3R-XC2V-B5NM"};

using NetworkNames = SimFixture;

TEST_F(NetworkNames, AvLocalOnly) {
  loadFile("home.json");
  ready();
  std::uint64_t start = clock.nowMs();
  int rescans = 0;
  ctx->hooks.rescanNetwork = [&] {
    ++rescans;
    // The rescan comes after the adapter's settling time of 3 s.
    EXPECT_GE(clock.nowMs() - start, 3000u);
  };
  ASSERT_TRUE(storeNetworkName(*ctx, "Attic-Net"));
  EXPECT_TRUE(setNetworkNameLocal(*ctx, "Attic-Net"));
  expectShown("Local network set to 'Attic-Net'", "Information");
  EXPECT_EQ(rescans, 1);
  expectPauseRestored();
  EXPECT_EQ(simKey(kAvLocal), deriveNetworkKey("Attic-Net"));
  for (const char* remote : kAvRemotes) EXPECT_EQ(simKey(remote), deriveNetworkKey("HomePlugAV"));
  // Isolated: no station is reachable any more, and detection names the network.
  EXPECT_TRUE(rescanStations().empty());
  EXPECT_EQ(network().networkName.str(), "Attic-Net");
  EXPECT_EQ(ctx->known.at(findKnownByMac(ctx->known, macOf(kAvLocal))).networkName.str(),
            "Attic-Net");
}

TEST_F(NetworkNames, InvalidNamesAreRefusedWithTheNameBox) {
  loadFile("home.json");
  ready();
  EXPECT_FALSE(storeNetworkName(*ctx, "abc"));
  EXPECT_FALSE(storeNetworkName(*ctx, "tab\there"));
  ASSERT_EQ(prompter.shown.size(), 2u);
  for (const ShownMessage& m : prompter.shown) {
    EXPECT_EQ(m.caption, "Invalid Entry");
    EXPECT_EQ(m.text.rfind("The Network Name Entered is Invalid.", 0), 0u);
  }
  EXPECT_EQ(network().networkName.str(), "HomePlugAV");
  // set-all checks again before it acts, and still saves and rescans.
  int saves = 0;
  ctx->hooks.saveDatabase = [&] { ++saves; };
  EXPECT_FALSE(setNetworkNameAll(*ctx, "bad\x80name"));
  EXPECT_EQ(prompter.shown.back().caption, "Invalid Entry");
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(simKey(kAvLocal), deriveNetworkKey("HomePlugAV"));
}

TEST_F(NetworkNames, AvAllDevicesFormOnePrivateNetwork) {
  loadFile("home.json");
  ready();
  for (int i = 0; i < 5; ++i) addKnown(kAvRemotes[i], kAvPasswords[i]);
  // A stored status prefix is not part of the password.
  addKnown(kAvRemotes[2], std::string("CHECK ") + kAvPasswords[2]);
  ASSERT_TRUE(storeNetworkName(*ctx, "FamilyNet"));
  EXPECT_TRUE(setNetworkNameAll(*ctx, "FamilyNet"));
  expectShown("All Devices are successfully added to the network.");
  expectPauseRestored();
  EXPECT_EQ(simKey(kAvLocal), deriveNetworkKey("FamilyNet"));
  for (const char* remote : kAvRemotes) EXPECT_EQ(simKey(remote), deriveNetworkKey("FamilyNet"));
  for (const KnownDevice& d : ctx->known.devices) {
    EXPECT_EQ(d.networkName.str(), "FamilyNet");
    EXPECT_EQ(d.networkKey, deriveNetworkKey("FamilyNet"));
  }
  std::vector<MacAddress> expected;
  for (const char* remote : kAvRemotes) expected.push_back(macOf(remote));
  EXPECT_EQ(rescanStations(), expected);
  EXPECT_EQ(network().networkName.str(), "FamilyNet");
  for (const StationRecord& s : network().stations)
    EXPECT_TRUE(!s.valid || s.networkName.str() == "FamilyNet") << s.networkName.str();
}

TEST_F(NetworkNames, AvSomeDevicesFail) {
  loadFile("home.json");
  ready();
  addKnown(kAvRemotes[0], kAvPasswords[0]);
  addKnown(kAvRemotes[1], "WRNG-PASS-WORD-0000");
  addKnown(kAvRemotes[2], "");  // no password: skipped, not done
  ASSERT_TRUE(storeNetworkName(*ctx, "FamilyNet"));
  setNetworkNameAll(*ctx, "FamilyNet");
  expectShown("Some Devices could not be added to your network.", "Attention!");
  EXPECT_EQ(simKey(kAvRemotes[0]), deriveNetworkKey("FamilyNet"));
  EXPECT_EQ(simKey(kAvRemotes[1]), deriveNetworkKey("HomePlugAV"));
  EXPECT_EQ(simKey(kAvRemotes[2]), deriveNetworkKey("HomePlugAV"));
  EXPECT_EQ(simKey(kAvLocal), deriveNetworkKey("FamilyNet"));
  EXPECT_EQ(rescanStations(), std::vector<MacAddress>{macOf(kAvRemotes[0])});
}

TEST_F(NetworkNames, AvNoDeviceAndAnEmptyDatabase) {
  loadFile("home.json");
  ready();
  // Every remote device fails and the local adapter has no entry: no box.
  ctx->known.devices.clear();
  addKnown(kAvRemotes[0], "WRNG-PASS-WORD-0000");
  ASSERT_TRUE(storeNetworkName(*ctx, "FamilyNet"));
  EXPECT_FALSE(setNetworkNameAll(*ctx, "FamilyNet"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(simKey(kAvRemotes[0]), deriveNetworkKey("HomePlugAV"));
  // An empty database: nothing to fail, so all are added.
  ctx->known.devices.clear();
  EXPECT_FALSE(setNetworkNameAll(*ctx, "FamilyNet"));
  expectShown("All Devices are successfully added to the network.");
  EXPECT_EQ(simKey(kAvLocal), deriveNetworkKey("FamilyNet"));
}

TEST_F(NetworkNames, StandardHomePlug10AllDevices) {
  loadFile("hp10.json");
  ready();
  addKnown("02:5A:00:00:10:02", "T6YU-I8OP-A1SD-F2GH");
  addKnown("02:5A:00:00:10:03", "M3NB-V4CX-Z5LK-J6HG");
  ASSERT_TRUE(storeNetworkName(*ctx, "GardenShed"));
  EXPECT_TRUE(setNetworkNameAll(*ctx, "GardenShed"));
  expectShown("All Devices are successfully added to the network.");
  expectPauseRestored();
  Key16 shedKey = nek("GardenShed");
  for (const char* mac : {"02:5A:00:00:10:01", "02:5A:00:00:10:02", "02:5A:00:00:10:03"})
    EXPECT_EQ(simKey(mac), shedKey) << mac;
  EXPECT_EQ(simKey("02:5A:00:00:10:04"), nek("Kitchen1234"));
  // The database keeps the HomePlug 1.0 key of the name.
  const KnownDevice& d = ctx->known.at(findKnownByMac(ctx->known, macOf("02:5A:00:00:10:02")));
  EXPECT_TRUE(std::equal(shedKey.begin(), shedKey.begin() + 8, d.networkKey.begin()));
  // The local adapter carries frames under its network key again, with its own slot key.
  sim::Adapter* local = simulation->adapter(macOf("02:5A:00:00:10:01"));
  EXPECT_EQ(local->hp1Image[25] & 0x0F, 1);
  EXPECT_TRUE(std::equal(local->deviceKey.begin(), local->deviceKey.begin() + 8,
                         local->hp1Image.begin() + 6));
  EXPECT_EQ(rescanStations(),
            (std::vector<MacAddress>{macOf("02:5A:00:00:10:02"), macOf("02:5A:00:00:10:03")}));
  EXPECT_EQ(network().networkName.str(), "GardenShed");
}

TEST_F(NetworkNames, StandardHomePlug10LocalAndSome) {
  loadFile("hp10.json");
  ready();
  ASSERT_TRUE(storeNetworkName(*ctx, "GardenShed"));
  EXPECT_TRUE(setNetworkNameLocal(*ctx, "GardenShed"));
  expectShown("Local network set to 'GardenShed'");
  EXPECT_EQ(simKey("02:5A:00:00:10:01"), nek("GardenShed"));
  prompter.shown.clear();
  addKnown("02:5A:00:00:10:02", "T6YU-I8OP-A1SD-F2GH");
  addKnown("02:5A:00:00:10:03", "WRNG-PASS-WORD-0000");
  EXPECT_FALSE(setNetworkNameAll(*ctx, "Cellar1234"));
  expectShown("Some Devices could not be added to your network.");
  EXPECT_EQ(simKey("02:5A:00:00:10:02"), nek("Cellar1234"));
  EXPECT_EQ(simKey("02:5A:00:00:10:03"), nek("HomePlug"));
}

TEST_F(NetworkNames, StandardReadbackThatDiffersInTheOptionsIsNoSuccess) {
  loadFile("hp10.json");
  ready();
  // The adapter reports other option bytes than it was sent.
  sim::Adapter* local = simulation->adapter(macOf("02:5A:00:00:10:01"));
  link.setFarEnd([this, local](const std::string& card, ByteView frame) {
    if (frame.size() > 17 && frame[15] == 0x19) local->hp1Image[24] = 0x80;
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

TEST_F(NetworkNames, BoostAllDevices) {
  loadFile("boost.json");
  ready();
  EXPECT_TRUE(ctx->kestrelMode);
  addKnown("02:5A:00:00:20:02", "S4AQ-W3ER-T2YU-I1OP");
  addKnown("02:5A:00:00:20:03", "L9KJ-H8GF-D7SA-Q6WE");
  ASSERT_TRUE(storeNetworkName(*ctx, "BoostedNet"));
  EXPECT_TRUE(setNetworkNameAll(*ctx, "BoostedNet"));
  expectShown("All Devices are successfully added to the network.");
  for (const char* mac : {"02:5A:00:00:20:01", "02:5A:00:00:20:02", "02:5A:00:00:20:03"})
    EXPECT_EQ(simKey(mac), nek("BoostedNet")) << mac;
  EXPECT_EQ(rescanStations(),
            (std::vector<MacAddress>{macOf("02:5A:00:00:20:02"), macOf("02:5A:00:00:20:03")}));
}

TEST_F(NetworkNames, BoostLocalOnlyAndAFailingDevice) {
  loadFile("boost.json");
  ready();
  EXPECT_TRUE(setNetworkNameLocal(*ctx, "BoostedNet"));
  EXPECT_EQ(simKey("02:5A:00:00:20:01"), nek("BoostedNet"));
  EXPECT_EQ(simKey("02:5A:00:00:20:02"), nek("HomePlug"));
  prompter.shown.clear();
  ctx->known.devices.clear();
  addKnown("02:5A:00:00:20:02", "WRNG-PASS-WORD-0000");
  EXPECT_FALSE(setNetworkNameAll(*ctx, "BoostedNet"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(simKey("02:5A:00:00:20:02"), nek("HomePlug"));
}

}  // namespace
}  // namespace strandline::testing
