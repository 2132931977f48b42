// Adding a device by its printed password, and checking a known device's
// password, on the simulator.
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const char* const kLocal = "02:5A:00:00:01:01";
const char* const kMember = "02:5A:00:00:01:02";
const char* const kNew = "02:5A:00:00:01:07";
const char* const kTwin = "02:5A:00:00:01:08";
const char* const kNewPassword = "NEWD-EV1C-E000-0001";
constexpr int kWatchPassesForTest = 501;

// The user's private network of two AV adapters, a new device on the public
// network, and optionally a second device printed with the same password.
std::string avNetwork(bool twin, const std::string& localFaults) {
  const std::string mine = R"(", "networkName": "MyHome1234")",
                    newer = R"(", "password": "NEWD-EV1C-E000-0001"})";
  return R"({"adapters": [{"interface": "sl0", "password": "K7QM-2VXA", "faults": )" + localFaults +
         R"(, "mac": "02:5A:00:00:01:01)" + mine +
         R"(}, {"password": "R2D4-MQ8X", "mac": "02:5A:00:00:01:02)" + mine +
         R"(}, {"mac": "02:5A:00:00:01:07)" + newer +
         (twin ? R"(, {"mac": "02:5A:00:00:01:08)" + newer : "") + "]}";
}

const std::vector<std::string> kAddTexts = {
    "Please wait, this operation will take approximately 30 seconds to complete..",
    "Devices will reboot while this operation...", "Trying to add device to the Network...",
    "Proceeding..."};

class AddDevice : public SimFixture {
 protected:
  void readyAv(bool twin = false, const std::string& localFaults = "{}") {
    load(avNetwork(twin, localFaults));
    ready();
    // The privacy page named the network when it was formed.
    ctx->currentNetwork().networkName.set("MyHome1234");
    home = deriveNetworkKey("MyHome1234");
    ASSERT_EQ(ctx->avNmk, home);
  }

  // Unplugs `mac` when the computer sends its n-th network-information request.
  void unplugAtNetworkQuery(const char* mac, int n) {
    // The link copies its far end for every frame: the count lives in the fixture.
    link.setFarEnd([this, mac, n](const std::string& card, ByteView frame) {
      if (frame.size() > 16 && frame[12] == 0x88 && frame[13] == 0xE1 && frame[15] == 0x38 &&
          frame[16] == 0xA0 && ++networkQueries == n)
        simulation->unplug(macOf(mac));
      simulation->receive(card, frame);
    });
  }

  // The local adapter was on a random key in between and is back home.
  void expectLocalBackHome() {
    EXPECT_EQ(simKey(kLocal), home);
    std::vector<Key16> keys = localAvKeysSent();
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back(), home);
  }

  Key16 home{};
  int networkQueries = 0;
};

// Joins through a random network; with a twin printed with the same password
// that drops off after the first random network was watched, through a second.
class AddAvDevice : public AddDevice, public ::testing::WithParamInterface<bool> {};

TEST_P(AddAvDevice, JoinsThroughARandomNetwork) {
  const bool twin = GetParam();
  readyAv(twin);
  if (twin) unplugAtNetworkQuery(kTwin, 3);
  std::uint64_t start = clock.nowMs();
  int rescans = 0;
  ctx->hooks.rescanNetwork = [&] { ++rescans; };
  EXPECT_TRUE(addDeviceByPassword(*ctx, "Kitchen", kNewPassword));
  EXPECT_TRUE(prompter.shown.empty());  // this path shows no success box
  EXPECT_EQ(prompter.progress, kAddTexts);
  EXPECT_EQ(rescans, 1);
  EXPECT_GE(clock.nowMs() - start, 10000u);  // the settling waits of the steps
  expectFlowDone();
  EXPECT_EQ(simKey(kNew), home);
  EXPECT_EQ(simKey(kMember), home);
  EXPECT_NE(twin ? simKey(kTwin) : Key16{}, home);  // the twin never got the home key
  // Random keys, each different from the last, the home key and the public key; then home.
  std::vector<Key16> keys = localAvKeysSent();
  ASSERT_EQ(keys.size(), twin ? 3u : 2u);
  for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
    EXPECT_NE(keys[i], home);
    EXPECT_NE(keys[i], deriveNetworkKey("HomePlugAV"));
    EXPECT_NE(keys[i], i ? keys[i - 1] : Key16{});
  }
  expectLocalBackHome();
  expectKnown(kNew, "Kitchen", kNewPassword);
}

INSTANTIATE_TEST_SUITE_P(Twin, AddAvDevice, ::testing::Bool());

// Attempts that fail: the message shown, the local adapter back on the home
// key, and the requests counted where they matter (-1: not counted).
struct FailedAdd {
  const char* what;
  bool twin;
  const char *localFaults, *unplugAtFirstQuery, *password, *text, *caption;
  int keysSent, networkQueries, moduleReads;
  friend void PrintTo(const FailedAdd& c, std::ostream* os) { *os << c.what; }
};
const FailedAdd kFailedAdds[] = {
    // Two random networks and home, then give up.
    {"two devices keep answering", true, "{}", nullptr, kNewPassword,
     "Error occured while adding the device", "", kMaxRandomNetworks + 2, -1, -1},
    // Every watch pass asks twice.
    {"the device vanishes from the random network", false, "{}", kNew, kNewPassword,
     "Error occured while adding the device", "Attention!", -1, 2 * kWatchPassesForTest, -1},
    // The dialog's saved key, addDevice's saved key, then 201 reads.
    {"the local adapter never takes the random key", false, R"({"keepsOwnKey": true})", nullptr,
     kNewPassword, "Timed out waiting for local adapter to change its NMK.", "Error!", -1, -1,
     2 + 201},
    {"nobody holds the password", false, "{}", nullptr, "ZZZZ-ZZZZ-ZZZZ-ZZZZ",
     "Unable to set the NMK of remote device!!!", "", -1, -1, -1}};

class AddDeviceFails : public AddDevice, public ::testing::WithParamInterface<FailedAdd> {};

TEST_P(AddDeviceFails, LocalAdapterReturnsHome) {
  const FailedAdd& c = GetParam();
  readyAv(c.twin, c.localFaults);
  if (c.unplugAtFirstQuery) unplugAtNetworkQuery(c.unplugAtFirstQuery, 1);
  std::size_t sentBefore = link.sentFrames().size();
  EXPECT_FALSE(addDeviceByPassword(*ctx, "Den", c.password));
  expectShown(c.text, c.caption);
  expectLocalBackHome();
  expectFlowDone();
  EXPECT_NE(simKey(kNew), home);
  EXPECT_NE(c.twin ? simKey(kTwin) : Key16{}, home);
  EXPECT_EQ(findKnownByMac(ctx->known, macOf(kNew)), 0);
  int moduleReads = 0;
  const auto sent = link.sentFrames();
  for (auto f = sent.begin() + static_cast<std::ptrdiff_t>(sentBefore); f != sent.end(); ++f)
    moduleReads += f->second.size() > 27 && f->second[15] == 0x24 && f->second[16] == 0xA0 &&
                   f->second[24] == 0 && f->second[25] == 0;
  const int keysSent = static_cast<int>(localAvKeysSent().size());
  EXPECT_EQ(c.keysSent < 0 ? -1 : keysSent, c.keysSent);
  EXPECT_EQ(c.networkQueries < 0 ? -1 : networkQueries, c.networkQueries);
  EXPECT_EQ(c.moduleReads < 0 ? -1 : moduleReads, c.moduleReads);
  // addDevice itself puts the local adapter back, without the dialog's help.
  std::string password = "ZZZZ-ZZZZ-ZZZZ-ZZZZ";
  EXPECT_FALSE(addDevice(*ctx, std::nullopt, password, nullptr));
  expectLocalBackHome();
}

INSTANTIATE_TEST_SUITE_P(Cases, AddDeviceFails, ::testing::ValuesIn(kFailedAdds));

// One chunk of every parameter-block read fails its checksum and is asked for
// again: detection and the add both read the local key through it.
TEST_F(AddDevice, BadKeyChunkIsReadAgain) {
  readyAv(false, R"({"corruptChecksumAt": 1024})");
  EXPECT_TRUE(addDeviceByPassword(*ctx, "Kitchen", kNewPassword));
  EXPECT_EQ(simKey(kNew), home);
  expectLocalBackHome();
}

TEST_F(AddDevice, AvVerifyMarksTheStoredPassword) {
  loadFile("home.json");
  ready();
  int position = addKnown("02:5A:00:00:01:03", "");
  EXPECT_EQ(enterDevicePassword(*ctx, position, "ZX9P-44QT-MNB2-HH7C"), 1);
  EXPECT_EQ(ctx->known.at(position).password.str(), "ZX9P-44QT-MNB2-HH7C");
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(prompter.progress,
            std::vector<std::string>{"Please be patient, this may take some time."});

  EXPECT_EQ(enterDevicePassword(*ctx, position, "zx9p44qtmnb2hh7c"), 0);
  EXPECT_EQ(ctx->known.at(position).password.str(), "Not zx9p44qtmnb2hh7c");
  expectShown("The Device Password Entered is Invalid.\nPlease check it and try again.");

  ctx->cards.cards[0].mac = {};  // no usable network card
  EXPECT_EQ(enterDevicePassword(*ctx, position, "ZX9P-44QT-MNB2-HH7C"), -1);
  EXPECT_EQ(ctx->known.at(position).password.str(), "CHECK ZX9P-44QT-MNB2-HH7C");
  EXPECT_FALSE(ctx->keyFlow.keyJustVerified);
  expectPauseRestored();
}

// Standard HomePlug 1.0: the user's adapters on the public network and a new
// adapter on a network of its own.
std::string hp10Network(const std::string& kind, const std::string& localFirmware = "") {
  const std::string k = R"("kind": ")" + kind + R"(", )";
  return R"({"adapters": [{"mac": "02:5A:00:00:10:01", "interface": "sl0", )" + k + localFirmware +
         R"("password": "F3GH-J5KL-Z7XC-V9BN"}, {"mac": "02:5A:00:00:10:02", )" + k +
         R"("password": "T6YU-I8OP-A1SD-F2GH"}, {"mac": "02:5A:00:00:10:07", )" + k +
         R"("password": "N3WD-3V1C-3ABC-D123", "networkName": "FactoryNet"}]})";
}

class AddHp10Device : public SimFixture, public ::testing::WithParamInterface<const char*> {};

// On Boost, firmware found too old refuses either action once, sending nothing.
TEST_P(AddHp10Device, WrongPasswordChangesNothingThenTheThirdVariantIsFound) {
  load(hp10Network(GetParam()));
  ready();
  const Key16 home = nek("HomePlug");
  if (GetParam() == std::string("boost")) {
    ctx->boost.firmwareTooOld = true;  // as a detection pass leaves it
    std::size_t sent = link.sentFrames().size();
    EXPECT_FALSE(addDeviceByPassword(*ctx, "Garage", "N3WD-3V1C-3ABC-D123"));
    expectShown(
        "Please upgrade the Device's FirmWare to 1.8 and then try to add the device.\nThe "
        "present device has older FirmWare version.");
    EXPECT_EQ(link.sentFrames().size(), sent);
    EXPECT_FALSE(ctx->boost.firmwareTooOld);
    prompter.shown.clear();
  }
  EXPECT_FALSE(addDeviceByPassword(*ctx, "Garage", "wrongpassword123"));
  expectShown(
      "A Device With The Entered Password Was Not Detected. \nPlease Check The Password and "
      "Check Your Device Connection.");
  EXPECT_EQ(simKey("02:5A:00:00:10:01"), home);
  EXPECT_EQ(simKey("02:5A:00:00:10:07"), nek("FactoryNet"));
  EXPECT_EQ(ctx->keyFlow.deviceBeingAdded, MacAddress{});
  expectFlowDone();

  prompter.shown.clear();
  EXPECT_TRUE(addDeviceByPassword(*ctx, "Garage", "n3wd3v1c3abcd123"));
  expectShown("Device was added to your network.");
  for (const char* mac : {"02:5A:00:00:10:07", "02:5A:00:00:10:01", "02:5A:00:00:10:02"})
    EXPECT_EQ(simKey(mac), home) << mac;  // the local adapter never left for the random key
  expectKnown("02:5A:00:00:10:07", "Garage", "N3WD-3V1C-3ABC-D123");
  expectFlowDone();
}

TEST_P(AddHp10Device, VerifyTakesTheVariantThatWorked) {
  const bool boost = GetParam() == std::string("boost");
  load(hp10Network(GetParam(), boost ? R"("firmware": "HP85-BOOST-0001.5.7-REL", )" : ""));
  ready();
  int position = addKnown("02:5A:00:00:10:02", "");
  EXPECT_EQ(ctx->boost.firmwareTooOld, boost);  // the detection pass read the old version
  if (boost) {
    EXPECT_EQ(enterDevicePassword(*ctx, position, "XXXX-XXXX"), kRefusedFirmwareTooOld);
    EXPECT_EQ(ctx->known.at(position).password.str(), "");
    EXPECT_FALSE(ctx->boost.firmwareTooOld);
    prompter.shown.clear();
  }
  EXPECT_EQ(enterDevicePassword(*ctx, position, "T6YU-I8OP-A1SD-F2GH"), 1);
  expectShown("Password Verified as correct.");
  EXPECT_EQ(ctx->known.at(position).password.str(), "T6YU-I8OP-A1SD-F2GH");
  prompter.shown.clear();
  prompter.progress.clear();
  EXPECT_EQ(enterDevicePassword(*ctx, position, "t6yu-i8op-a1sd-f2gh"), 1);
  EXPECT_EQ(ctx->known.at(position).password.str(), "T6YU-I8OP-A1SD-F2GH");
  EXPECT_EQ(prompter.progress,
            (std::vector<std::string>{"Please be patient, this may take some time.", "Working...",
                                      "Proceeding.."}));
  for (const char* mac : {"02:5A:00:00:10:02", "02:5A:00:00:10:01"})
    EXPECT_EQ(simKey(mac), nek("HomePlug")) << mac;
}

TEST_F(AddDevice, NamesAreCheckedBeforeAnythingIsSent) {
  readyAv();
  std::size_t sent = link.sentFrames().size();
  std::string local = ctx->known.at(1).name.str();
  EXPECT_FALSE(addDeviceByPassword(*ctx, local, kNewPassword));
  EXPECT_FALSE(addDeviceByPassword(*ctx, std::string(32, 'x'), kNewPassword));
  // A password of the wrong length is refused before anything is sent too.
  EXPECT_FALSE(addDeviceByPassword(*ctx, "Den", "abc"));
  EXPECT_EQ(texts(),
            (std::vector<std::string>{
                "Please enter another name.", "Device Name should be less than 31 characters",
                "The Device Password Entered is Invalid.\nPlease check it and try again."}));
  EXPECT_EQ(prompter.shown.back().caption, "Invalid Entry");
  EXPECT_EQ(link.sentFrames().size(), sent);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AddHp10Device, ::testing::Values("hp10", "boost"));

}  // namespace
}  // namespace strandline::testing
