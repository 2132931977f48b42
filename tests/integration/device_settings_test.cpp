// The QoS and LED settings against the simulated local adapter, on virtual
// time: what the device holds after a change and its restart, the files of
// the data folder and the messages.
#include <gtest/gtest.h>

#include "core/settings/led_control.h"
#include "core/settings/qos_settings.h"
#include "core/settings/settings_block.h"
#include "integration/sim_fixture.h"
#include "sim/parameter_block.h"
#include "storage/led_config.h"

namespace strandline::testing {
namespace {

class DeviceSettings : public ToolFixture {
 protected:
  void start(const std::string& leds) {
    load(
        R"({"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "password": "K7QM-2VXA", "leds": )" +
        leds + R"(}]})");
  }
  std::vector<sim::LedSetting> deviceLeds() { return sim::pibLeds(device().pib); }
  std::string file(const char* name) { return folder.file(name); }
  // Lets the restart that ends a write-back pass.
  void restarted() { clock.sleepMs(3000); }
};

TEST_F(DeviceSettings, QosChangeIsKeptByTheDeviceAcrossItsRestart) {
  start("[[1, 2, 3]]");
  QosSettings s;
  ASSERT_TRUE(readQosSettings(env(), file("user.pib"), s));
  EXPECT_EQ(s, QosSettings{});  // the simulated adapter ships with the page's defaults

  s.vlanCap = {3, 2, 1, 0, 2, 2, 3, 3};
  s.defaultCap = {0, 1, 2, 3};
  s.timeToLiveUs[2] = 10000;
  s.tosBits = false;
  ASSERT_EQ(writeQosSettings(env(), file("user.pib"), s), 1);
  const Bytes& block = device().pib;
  EXPECT_EQ(
      (Bytes{block[524], block[525], block[526], block[527], block[545], block[548], block[8021]}),
      (Bytes{0, 1, 2, 3, 0, 0x1B, 1}));
  EXPECT_EQ(le32(block, 536), 10000u);

  restarted();
  QosSettings back;
  ASSERT_TRUE(readQosSettings(env(), file("again.pib"), back));
  EXPECT_EQ(back, s);
}

TEST_F(DeviceSettings, LedsOffAndOnAgainWithTheSavedSettings) {
  start("[[1, 2, 3], [7, 7, 7]]");
  std::string folderPath = folder.path();
  EXPECT_EQ(readLedState(env(), folderPath), LedState::On);
  std::vector<std::uint8_t> saved;
  EXPECT_EQ(loadLedConfig(file("LEDConfig.ini"), 6, saved), LedConfigLoad::Ok);
  EXPECT_EQ(saved, (std::vector<std::uint8_t>{1, 2, 3, 7, 7, 7}));

  ASSERT_EQ(switchLeds(env(), folderPath, true), 1);
  EXPECT_EQ(texts(), std::vector<std::string>{"Commit successfully"});
  EXPECT_EQ(deviceLeds(), (std::vector<sim::LedSetting>{{7, 7, 7}, {7, 7, 7}}));
  EXPECT_EQ(device().pib[8200], 0xC0);
  restarted();
  EXPECT_EQ(readLedState(env(), folderPath), LedState::Off);

  prompter.shown.clear();
  ASSERT_EQ(switchLeds(env(), folderPath, false), 1);
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"Commit successfully", "Restart device successfully"}));
  EXPECT_EQ(deviceLeds(), (std::vector<sim::LedSetting>{{1, 2, 3}, {7, 7, 7}}));
  restarted();
  EXPECT_EQ(readLedState(env(), folderPath), LedState::On);
}

TEST_F(DeviceSettings, LedsOnWithoutSavedSettingsLeavesTheDeviceAlone) {
  start("[[7, 7, 7], [7, 7, 7], [7, 7, 7]]");
  EXPECT_EQ(readLedState(env(), folder.path()), LedState::Off);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"userled.pib"});
  const Bytes before = device().pib;
  EXPECT_EQ(switchLeds(env(), folder.path(), false), 0);
  EXPECT_EQ(texts(), std::vector<std::string>{kLedNoSavedSettings.text});
  EXPECT_EQ(device().pib, before);
  EXPECT_TRUE(sentAv(0xA020).empty());  // no module write

  // A card with no device: nothing is shown by the reader, the LED switch
  // says what to do.
  prompter.shown.clear();
  ToolEnvironment nowhere = env();
  nowhere.cardMac = {0x02, 0, 0, 0, 0, 9};
  EXPECT_EQ(readLedState(nowhere, folder.path()), LedState::Unknown);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(switchLeds(nowhere, folder.path(), true), 0);
  // A QoS read that fails keeps what was shown, and says so.
  QosSettings shown;
  shown.vlanCap[0] = 3;
  EXPECT_FALSE(readQosSettings(nowhere, file("user.pib"), shown));
  EXPECT_EQ(shown.vlanCap[0], 3);
  EXPECT_EQ(texts(), std::vector<std::string>(2, kSettingsReadFailed.text));
}

}  // namespace
}  // namespace strandline::testing
