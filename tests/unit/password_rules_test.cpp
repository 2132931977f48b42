#include "core/security/password_rules.h"

#include <gtest/gtest.h>

#include <sstream>

namespace strandline {
namespace {

// Names and device passwords are 4 to 24 long (device passwords any bytes);
// a refusal shows its box. A name with a tab passes this length check.
TEST(PasswordRules, LengthsAndTheirMessageBoxes) {
  RecordingPrompter prompter;
  for (const std::string& good :
       {std::string("abcd"), std::string(24, 'x'), std::string("tab\there")})
    EXPECT_TRUE(checkNetworkName(prompter, good)) << good;
  EXPECT_TRUE(checkDevicePassword(prompter, std::string(24, '\x01')));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(checkNetworkName(prompter, "abc"));
  EXPECT_FALSE(checkNetworkName(prompter, std::string(25, 'x')));
  EXPECT_FALSE(checkDevicePassword(prompter, std::string(25, 'A')));
  ASSERT_EQ(prompter.shown.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(prompter.shown[i].text, i < 2 ? kInvalidNetworkNameText : kInvalidDevicePasswordText);
    EXPECT_EQ(prompter.shown[i].caption, "Invalid Entry");
    EXPECT_EQ(prompter.shown[i].icon, MessageIcon::Error);
  }
}

// Network passwords: present, 4 to 24 long, bytes 0x20 to 0x7F; each refusal
// writes its diagnostic line.
TEST(PasswordRules, NetworkPasswordCharactersAndDiagnostics) {
  std::ostringstream out;
  EXPECT_TRUE(checkNetworkPassword(std::string("Home Net ~7"), out));
  EXPECT_TRUE(checkNetworkPassword(std::string("del\x7F"
                                               "char"),
                                   out));
  EXPECT_EQ(out.str(), "");
  for (auto bad :
       {std::optional<std::string>(), std::optional<std::string>("abc"),
        std::optional<std::string>("tab\there"), std::optional<std::string>("caf\xC3\xA9net")})
    EXPECT_FALSE(checkNetworkPassword(bad, out));
  EXPECT_EQ(out.str(),
            "No password was entered...exiting\n"
            "Password length illegal, use 4-24 chars\n"
            "Illegal character in password, CTRL and ALT characters not allowed.\n"
            "Illegal character in password, CTRL and ALT characters not allowed.\n");
}

TEST(PasswordRules, DashedAndUpperCaseVariants) {
  for (const char* text : {"ABCDEFGHIJKLMNOP", "ABCD-EFGH-IJKL-MNOP", "ABCDEFGH-IJKL-MNOP"})
    EXPECT_EQ(dashPassword(text), "ABCD-EFGH-IJKL-MNOP") << text;
  // 24 characters: three dashes push the last three out, the buffer stays terminated.
  std::array<char, kDashedPasswordBuffer> buffer{};
  std::string full = "ABCDEFGHIJKLMNOPQRSTUVWX";
  std::copy(full.begin(), full.end(), buffer.begin());
  dashPassword(buffer);
  EXPECT_EQ(buffer[24], '\0');
  EXPECT_EQ(std::string(buffer.data()), "ABCD-EFGH-IJKL-MNOPQRSTU");
  EXPECT_EQ(upperPassword("abcz-09_\xE9xyZ"), "ABCZ-09_\xE9XYZ");
}

}  // namespace
}  // namespace strandline
