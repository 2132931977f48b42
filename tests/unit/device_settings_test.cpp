// The QoS and LED settings: patch bytes, loading rules, the LED state rules
// and the LEDConfig.ini form.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/settings/led_control.h"
#include "core/settings/qos_settings.h"
#include "firmware/parameter_block.h"
#include "storage/led_config.h"
#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::ScratchFolder;

// A sound block whose LED table holds the given setting bytes (3 per LED).
Bytes blockWithLeds(const std::vector<std::uint8_t>& settings) {
  Bytes block(pib::kImageLength);
  ParameterBlockImage image;
  EXPECT_EQ(image.buildDefault(block), PibStatus::Ok);
  block[pib::kOffsetLedCount] = static_cast<std::uint8_t>(settings.size() / 3);
  for (std::size_t n = 0; n < settings.size(); ++n)
    block[pib::ledSettingOffset(n / 3, n % 3)] = settings[n];
  image.reseal(block);
  return block;
}

TEST(QosSettings, PriorityBytesAndTimesToLive) {
  QosSettings defaults;
  std::vector<PibField> fields = qosPatchFields(defaults);
  std::vector<std::size_t> offsets;
  for (const PibField& f : fields) offsets.push_back(f.offset);
  EXPECT_EQ(offsets, (std::vector<std::size_t>{524, 525, 526, 527, 528, 532, 536, 540, 544, 545,
                                               548, 549, 550, 551, 8021}));
  EXPECT_EQ(fields[8].bytes, Bytes{1});
  EXPECT_EQ(
      (Bytes{fields[10].bytes[0], fields[11].bytes[0], fields[12].bytes[0], fields[13].bytes[0]}),
      (Bytes{0x41, 0xFA, 0x41, 0xFA}));
  EXPECT_EQ(fields[14].bytes, Bytes{1});
  const std::uint8_t reversed[4] = {3, 2, 1, 0};
  EXPECT_EQ(packCaps(reversed), 0x1B);

  const struct {
    const char* text;
    bool ok;
    std::uint32_t us;
  } ttl[] = {{"10", true, 10000},   {"65000", true, 65000000}, {"0002000", true, 2000000},
             {"9", false, 0},       {"65001", false, 0},       {"", false, 0},
             {"12a", false, 0},     {" 100", false, 0},        {"-10", false, 0},
             {"9999999", false, 0}, {"00000100", false, 0}};
  for (const auto& c : ttl) {
    std::uint32_t us = 0;
    EXPECT_EQ(timeToLiveFromText(c.text, us), c.ok) << c.text;
    EXPECT_EQ(us, c.us) << c.text;
  }
  EXPECT_EQ(timeToLiveText(2000999), "2000");
}

TEST(QosSettings, LoadingRules) {
  const std::pair<std::uint8_t, std::uint8_t> caps[] = {{0, 0}, {3, 3},  {4, 3},   {17, 1},
                                                        {9, 3}, {25, 2}, {200, 2}, {255, 2}};
  for (auto [stored, cap] : caps) EXPECT_EQ(capOfStoredValue(stored), cap) << int{stored};

  Bytes block = blockWithLeds({});
  const Bytes qos = {17,   2, 0,    3,    0x67, 0x88, 0x1E, 0, 0x10, 0x27, 0,    0,    0x40, 0x42,
                     0x0F, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0,    1, 0,    0,    0x1B, 0xE4, 0x00, 0xFF};
  std::copy(qos.begin(), qos.end(), block.begin() + 524);
  QosSettings s;
  ASSERT_TRUE(loadQosSettings(block, s));
  EXPECT_EQ(s.defaultCap, (std::array<std::uint8_t, 4>{1, 2, 0, 3}));
  EXPECT_EQ(timeToLiveText(s.timeToLiveUs[0]), "2000");  // 2000999
  EXPECT_EQ(s.timeToLiveUs[3], 0xFFFFFFFFu);
  EXPECT_FALSE(s.vlanTags);
  EXPECT_TRUE(s.tosBits);
  EXPECT_EQ(s.vlanCap, (std::array<std::uint8_t, 8>{3, 2, 1, 0, 0, 1, 2, 3}));
  EXPECT_EQ(s.tosCap, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 3, 3, 3, 3}));

  // A short block: the fields up to its end are loaded, the later ones kept.
  QosSettings partial;
  EXPECT_FALSE(loadQosSettings(ByteView(block).first(534), partial));
  EXPECT_EQ(partial.defaultCap, s.defaultCap);
  EXPECT_EQ(partial.timeToLiveUs[0], s.timeToLiveUs[0]);
  EXPECT_EQ(partial.timeToLiveUs[1], QosSettings{}.timeToLiveUs[1]);
  EXPECT_EQ(partial.vlanCap, QosSettings{}.vlanCap);
}

// The device's side of a write and read-back is in the integration tests.
TEST(QosSettings, APatchOfAMissingFileShowsTheWriteMessage) {
  ScratchFolder folder;
  RecordingPrompter prompter;
  EXPECT_FALSE(qosPatch(QosSettings{})(folder.file("none.pib"), prompter));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, "Make sure the device is connected,Failed to modify user.pib");
  EXPECT_EQ(prompter.shown[0].caption, "Attention");
  EXPECT_TRUE(folder.entries().empty());
}

TEST(LedControl, StateFromTheSettingBytes) {
  const struct {
    std::vector<std::uint8_t> settings;
    LedState state;
    const char* button;
  } cases[] = {
      {{7, 7, 7, 7, 7, 7, 7, 7, 7}, LedState::Off, "LEDs:   ON"},
      {{1, 2, 3, 7, 7, 7}, LedState::On, "LEDs:   OFF"},
      {{7, 7, 7, 7, 7, 0}, LedState::On, "LEDs:   OFF"},
      {{}, LedState::Off, "LEDs:   ON"},
  };
  for (const auto& c : cases) {
    std::vector<std::uint8_t> values;
    ASSERT_TRUE(ledSettings(blockWithLeds(c.settings), values));
    EXPECT_EQ(values, c.settings);
    LedState state = ledsAreOff(values) ? LedState::Off : LedState::On;
    EXPECT_EQ(state, c.state);
    EXPECT_STREQ(ledButtonText(state), c.button);
  }
  EXPECT_STREQ(ledButtonText(LedState::Unknown), "LEDs:   OFF");
  std::vector<std::uint8_t> values;
  Bytes tooMany = blockWithLeds({});
  tooMany[pib::kOffsetLedCount] = 35;
  EXPECT_FALSE(ledSettings(tooMany, values));
  Bytes shortBlock = blockWithLeds({1, 2, 3, 4, 5, 6});
  EXPECT_FALSE(ledSettings(ByteView(shortBlock).first(9421), values));
}

TEST(LedControl, OffAndOnPatches) {
  ScratchFolder folder;
  std::string path = folder.file("userled.pib");
  std::string config = folder.file("LEDConfig.ini");
  RecordingPrompter prompter;
  Bytes original = blockWithLeds({1, 2, 3, 7, 7, 7});
  original[pib::kOffsetHardwareMarker] = 0;
  ParameterBlockImage().reseal(original);
  test::writeBytes(path, original);

  ASSERT_TRUE(ledsOffPatch()(path, prompter));
  Bytes off = test::readBytes(path);
  EXPECT_TRUE(pibVerifies(off));
  for (std::size_t at : {9409, 9410, 9411, 9420, 9421, 9422}) EXPECT_EQ(off[at], 7) << at;
  EXPECT_EQ(off[pib::kOffsetHardwareMarker], 0xC0);
  off[pib::kOffsetHardwareMarker] = 0;
  for (std::size_t at : {9409, 9410, 9411}) off[at] = original[at];
  for (std::size_t at = 8; at < 12; ++at) off[at] = original[at];
  EXPECT_EQ(off, original);  // nothing else changed

  ASSERT_TRUE(saveLedConfig(config, {30, 40, 0, 1, 2, 3}).ok());
  ASSERT_TRUE(ledsOnPatch(config)(path, prompter));
  std::vector<std::uint8_t> values;
  ASSERT_TRUE(ledSettings(test::readBytes(path), values));
  EXPECT_EQ(values, (std::vector<std::uint8_t>{30, 40, 0, 1, 2, 3}));

  // Saved values for fewer LEDs than the device has: refused, the file as it was.
  ASSERT_TRUE(saveLedConfig(config, {1, 2, 3}).ok());
  Bytes on = test::readBytes(path);
  EXPECT_FALSE(ledsOnPatch(config)(path, prompter));
  EXPECT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, kLedNoSavedSettings.text);
  EXPECT_EQ(test::readBytes(path), on);
}

TEST(LedConfig, DecimalBothWays) {
  std::vector<std::uint8_t> all;
  for (std::uint8_t v = 0; v <= 40; ++v) all.push_back(v);
  ScratchFolder folder;
  std::string path = folder.file("LEDConfig.ini");
  ASSERT_TRUE(saveLedConfig(path, all).ok());
  std::vector<std::uint8_t> back;
  EXPECT_EQ(loadLedConfig(path, all.size(), back), LedConfigLoad::Ok);
  EXPECT_EQ(back, all);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(formatLedConfig({1, 17, 40}), "[ID]\nID1=1\nID2=17\nID3=40\n");
  EXPECT_EQ(loadLedConfig(folder.file("none.ini"), 3, back), LedConfigLoad::Missing);

  const struct {
    const char* text;
    bool ok;
  } texts[] = {
      {"[ID]\nID1=1\nID2=17\nID3=40\n", true},
      {"[other]\nID1=9\n[id]\r\n id1 = 1 \r\nId2=17\r\n; note\r\nID3=40\r\nID4=x\r\n", true},
      {"[ID]\nID1=1\nID3=40\n", false},          // ID2 missing
      {"[ID]\nID1=1\nID2=41\nID3=40\n", false},  // beyond the setting range
      {"[ID]\nID1=1\nID2=0x11\nID3=40\n", false},
      {"[ID]\nID1=1\nID2=\nID3=40\n", false},
      {"ID1=1\nID2=17\nID3=40\n", false},  // outside the section
  };
  for (const auto& c : texts) {
    std::vector<std::uint8_t> values;
    EXPECT_EQ(parseLedConfig(c.text, 3, values), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(values, (std::vector<std::uint8_t>{1, 17, 40}));
    }
  }
}

}  // namespace
}  // namespace strandline
