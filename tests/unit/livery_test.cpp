// Livery's text forms, fields and file, without a window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>

#include "base/version.h"
#include "livery/options.h"
#include "livery/prefs_fields.h"
#include "livery/prefs_file.h"
#include "livery/text_forms.h"
#include "unit/livery_edits.h"

namespace strandline::livery {
namespace {

const FieldControl& control(int id) {
  for (const FieldControl& c : editorControls())
    if (c.id == id) return c;
  throw std::runtime_error("no control " + std::to_string(id));
}

TEST(LiveryForms, NumbersAsScanfReadsThem) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  } decimals[] = {{"45", 45}, {"  -7 apples", -7}, {"+12", 12}, {"99999999999999999999", kMax},
                  {"", {}},   {"abc", {}},         {"-", {}},   {" x1", {}}};
  for (const Case& c : decimals) EXPECT_EQ(readDecimal(c.text), c.value) << c.text;

  struct HexCase {
    const char* text;
    std::optional<std::uint32_t> value;
  } hexes[] = {{"ffff", 0xFFFFu}, {"0xFF", 0xFFu}, {"-1", 0xFFFFFFFFu}, {"1FFFFFFFF", 0xFFFFFFFFu},
               {"12g", 0x12u},    {"0x", 0u},      {"g", {}},           {"", {}}};
  for (const HexCase& c : hexes) EXPECT_EQ(readHex(c.text), c.value) << c.text;
}

TEST(LiveryForms, OuiAndTexts) {
  using Oui = std::array<std::uint8_t, 3>;
  EXPECT_EQ(readOui("1:2:ab"), (Oui{0x01, 0x02, 0xAB}));
  EXPECT_EQ(readOui("0x1: 2:1ff trailing"), (Oui{0x01, 0x02, 0xFF}));
  for (const char* bad : {"1:2", "1 :2:3", "1-2-3", "", "xy:1:2"})
    EXPECT_EQ(readOui(bad), std::nullopt) << bad;
  EXPECT_EQ(showOui({0x01, 0x02, 0xAB}), "01:02:AB");
  EXPECT_EQ(showHex(-1), "ffffffff");

  EXPECT_EQ(fitText(std::string(80, 'w'), 64), std::string(63, 'w'));
  EXPECT_EQ(fitText("short", 64), "short");
  // 40 two-byte characters: 62 bytes fit, the 32nd character would be cut.
  std::string accents;
  for (int i = 0; i < 40; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(fitText(accents, 64), accents.substr(0, 62));
}

// Each box both ways: what is typed, what the field holds, what the box shows after.
TEST(LiveryFields, TypedStoredAndShown) {
  std::string web80 = "https://example.org/" + std::string(60, 'a');
  struct Case {
    int id;
    std::string typed;
    std::string shown;
  } cases[] = {
      {1033, "1:2:ab", "01:02:AB"},
      {1017, "ffff", "ffff"},
      {1013, "70000", "4464"},
      {1012, "-1", "-1"},
      {1014, "65535", "-1"},
      {1028, web80, web80.substr(0, 63)},
      {1029, std::string(100, 'c'), std::string(79, 'c')},
  };
  for (const Case& c : cases) {
    OemPrefs prefs;
    EXPECT_TRUE(takeField(prefs, control(c.id), c.typed)) << c.id;
    EXPECT_EQ(showField(prefs, control(c.id)), c.shown) << c.id;
  }
  // A box without a number keeps the field.
  OemPrefs prefs;
  prefs.color = 65535;
  prefs.scanInterval = 30;
  prefs.oui = {1, 2, 3};
  EXPECT_FALSE(takeField(prefs, control(1012), "thirty"));
  EXPECT_FALSE(takeField(prefs, control(1033), "1:2"));
  EXPECT_FALSE(takeField(prefs, control(1017), ""));
  EXPECT_EQ(prefs.scanInterval, 30);
  EXPECT_EQ(prefs.oui, (std::array<std::uint8_t, 3>{1, 2, 3}));
  EXPECT_EQ(prefs.color, 65535);
}

TEST(LiveryFields, EveryFieldHasOneControlAndFlagsFlip) {
  EXPECT_EQ(editorControls().size(), 20u);
  OemPrefs prefs;
  prefs.ampm = 5;
  flipFlag(prefs, control(1023));
  EXPECT_EQ(prefs.ampm, 0);
  flipFlag(prefs, control(1023));
  EXPECT_EQ(prefs.ampm, 1);
  EXPECT_EQ(showField(prefs, control(1023)), "1");
}

class LiveryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("livery_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  std::filesystem::path folder_;
};

// The edits on a zeroed record give the expected file byte for byte, and
// reading it back gives the same record.
TEST_F(LiveryFile, SavedFileMatchesTheGoldenFile) {
  OemPrefs prefs;
  for (const auto& [id, text] : testing::kTypedEdits)
    EXPECT_TRUE(takeField(prefs, control(id), text)) << id;
  for (const auto& [id, times] : testing::kClicks)
    for (int i = 0; i < times; ++i) flipFlag(prefs, control(id));
  ASSERT_TRUE(savePrefs(path("OEMPrefs.dat"), prefs).ok());
  EXPECT_EQ(testing::fileBytes(path("OEMPrefs.dat")), testing::editedFileBytes());

  OemPrefs back;
  back.appName = "kept when missing";
  ASSERT_TRUE(loadPrefs(path("missing.dat"), back).ok());
  EXPECT_EQ(back.appName, "kept when missing");
  ASSERT_TRUE(loadPrefs(path("OEMPrefs.dat"), back).ok());
  EXPECT_EQ(back, prefs);
}

TEST_F(LiveryFile, FailuresNameTheFile) {
  std::string inside = path("plain") + "/OEMPrefs.dat";
  { std::ofstream(path("plain")) << "a file where a folder should be"; }
  Status saved = savePrefs(inside, OemPrefs{});
  ASSERT_FALSE(saved.ok());
  EXPECT_NE(saved.message.find(inside), std::string::npos) << saved.message;
  EXPECT_NE(saved.message.find("Not a directory"), std::string::npos) << saved.message;

  std::filesystem::create_directories(path("folder.dat"));
  OemPrefs prefs;
  prefs.scanInterval = 7;
  EXPECT_FALSE(loadPrefs(path("folder.dat"), prefs).ok());
  EXPECT_EQ(prefs.scanInterval, 7);
}

TEST(LiveryOptions, FileAndBadUsage) {
  Options options;
  std::string error;
  ASSERT_TRUE(parseOptions({}, options, error));
  EXPECT_EQ(options.file, "OEMPrefs.dat");
  ASSERT_TRUE(parseOptions({"--file", "brand/OEMPrefs.dat"}, options, error));
  EXPECT_EQ(options.file, "brand/OEMPrefs.dat");
  for (std::vector<std::string> bad : {std::vector<std::string>{"--file"}, {"--bogus"}, {"x"}})
    EXPECT_FALSE(parseOptions(bad, options, error)) << bad[0];
  EXPECT_NE(error.find("usage: livery"), std::string::npos);
  EXPECT_EQ(versionLine(), "livery " + std::string(kVersion));
}

}  // namespace
}  // namespace strandline::livery
