#include "core/security/password_rules.h"

#include <gtest/gtest.h>

#include <sstream>

namespace strandline {
namespace {

TEST(PasswordRules, NetworkNameLengthAndItsMessageBox) {
  RecordingPrompter prompter;
  EXPECT_TRUE(checkNetworkName(prompter, "abcd"));
  EXPECT_TRUE(checkNetworkName(prompter, std::string(24, 'x')));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(checkNetworkName(prompter, "abc"));
  EXPECT_FALSE(checkNetworkName(prompter, std::string(25, 'x')));
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].text,
            "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 "
            "characters");
  EXPECT_EQ(prompter.shown[0].caption, "Invalid Entry");
  EXPECT_EQ(prompter.shown[0].icon, MessageIcon::Error);
}

TEST(PasswordRules, NetworkPasswordCharactersAndDiagnostics) {
  std::ostringstream out;
  EXPECT_TRUE(checkNetworkPassword(std::string("Home Net ~7"), out));
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(checkNetworkPassword(std::nullopt, out));
  EXPECT_FALSE(checkNetworkPassword(std::string("abc"), out));
  EXPECT_FALSE(checkNetworkPassword(std::string("tab\there"), out));
  EXPECT_FALSE(checkNetworkPassword(std::string("caf\xC3\xA9net"), out));
  EXPECT_TRUE(checkNetworkPassword(std::string("del\x7F"
                                               "char"),
                                   out));
  EXPECT_EQ(out.str(),
            "No password was entered...exiting\n"
            "Password length illegal, use 4-24 chars\n"
            "Illegal character in password, CTRL and ALT characters not allowed.\n"
            "Illegal character in password, CTRL and ALT characters not allowed.\n");
  // A name with a tab passes the length check but not the character check.
  RecordingPrompter prompter;
  EXPECT_TRUE(checkNetworkName(prompter, "tab\there"));
}

TEST(PasswordRules, DevicePasswordTakesAnyBytes) {
  RecordingPrompter prompter;
  EXPECT_TRUE(checkDevicePassword(prompter, std::string(24, '\x01')));
  EXPECT_FALSE(checkDevicePassword(prompter, std::string(25, 'A')));
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            "The Device Password Entered is Invalid.\nPlease check it and try again.");
  EXPECT_EQ(prompter.shown[0].caption, "Invalid Entry");
}

TEST(PasswordRules, DashedAndUpperCaseVariants) {
  EXPECT_EQ(dashPassword("ABCDEFGHIJKLMNOP"), "ABCD-EFGH-IJKL-MNOP");
  EXPECT_EQ(dashPassword("ABCD-EFGH-IJKL-MNOP"), "ABCD-EFGH-IJKL-MNOP");
  EXPECT_EQ(dashPassword("ABCDEFGH-IJKL-MNOP"), "ABCD-EFGH-IJKL-MNOP");
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
