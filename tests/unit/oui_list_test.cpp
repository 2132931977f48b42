#include "storage/oui_list.h"

#include <gtest/gtest.h>

#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using Oui = std::array<std::uint8_t, 3>;

MacAddress macOf(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  return {a, b, c, 1, 2, 3};
}

std::string lookup(const OuiList& list, const MacAddress& mac, Oui oemOui = {},
                   const std::string& oemName = "") {
  return vendorNameFor(list, mac, oemOui, oemName);
}

const char* kList =
    "000001\tFirst_Maker_of_Things\n"
    "0011AA\tBig_Box_Co\n"
    "00a0b0\tlowercase_hex_digits\n"
    "7F0000\tMiddle\n"
    "FFFFFE\tLast_One\n";  // 103 bytes: room for 5 entries

TEST(OuiList, NamesComeFromTheListByOui) {
  OuiList list = parseOuiList(kList);
  ASSERT_EQ(list.entries.size(), 5u);
  EXPECT_EQ(lookup(list, macOf(0x00, 0x11, 0xAA)), "Big Box Co");
  EXPECT_EQ(lookup(list, macOf(0x00, 0x00, 0x01)), "First Maker") << "cut to 11 characters";
  EXPECT_EQ(lookup(list, macOf(0xFF, 0xFF, 0xFE)), "Last One");
  EXPECT_EQ(lookup(list, macOf(0x00, 0xA0, 0xB0)), "lowercase h");
  EXPECT_EQ(lookup(list, macOf(0x7F, 0x00, 0x00)), "Middle");
  for (MacAddress m : {macOf(0, 0, 0), macOf(0x00, 0x11, 0xAB), macOf(0xFF, 0xFF, 0xFF)})
    EXPECT_EQ(lookup(list, m), "Corvane");
}

TEST(OuiList, EveryEntryOfALongListIsFound) {
  std::string text;
  for (int i = 0; i < 500; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%06X\tV%05d_maker_name\n", i * 7919, i);
    text += line;
  }
  OuiList list = parseOuiList(text);
  ASSERT_EQ(list.entries.size(), 500u);
  for (int i = 0; i < 500; ++i) {
    std::uint32_t k = static_cast<std::uint32_t>(i) * 7919;
    char name[16];
    std::snprintf(name, sizeof name, "V%05d make", i);
    ASSERT_EQ(lookup(list, macOf(k >> 16, (k >> 8) & 0xFF, k & 0xFF)), name) << i;
    ASSERT_EQ(lookup(list, macOf(k >> 16, (k >> 8) & 0xFF, (k & 0xFF) + 1)), "Corvane") << i;
  }
}

TEST(OuiList, TheOemOuiWins) {
  OuiList list = parseOuiList(kList);
  EXPECT_EQ(lookup(list, macOf(0x00, 0x11, 0xAA), {0x00, 0x11, 0xAA}, "Our Brand"), "Our Brand");
  EXPECT_EQ(lookup(list, macOf(0x00, 0x11, 0xAB), {0x00, 0x11, 0xAB}, "Our Brand"), "Our Brand");
  // The default OEM record (OUI 00 00 00, no name) names nothing.
  EXPECT_EQ(lookup(list, macOf(0x00, 0x00, 0x00), {0, 0, 0}, ""), "Corvane");
  EXPECT_EQ(lookup(list, macOf(0x00, 0x11, 0xAA), {0x00, 0x11, 0xAA}, ""), "Big Box Co");
}

TEST(OuiList, CapacityFollowsTheFileSize) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "00000" + std::to_string(i) + "\tV\n";  // 9 bytes a line
  ASSERT_EQ(text.size(), 90u);
  EXPECT_EQ(parseOuiList(text).entries.size(), 4u);
  text += "0000AA\tV\n0000BB\n";
  ASSERT_GE(text.size(), 100u);
  EXPECT_EQ(parseOuiList(text).capacity, 5u);
  EXPECT_EQ(parseOuiList(text).entries.size(), 5u);
  EXPECT_TRUE(parseOuiList("").entries.empty());
  EXPECT_EQ(lookup(parseOuiList(""), macOf(0x00, 0x11, 0xAA)), "Corvane");
}

TEST(OuiList, ALineThatDoesNotMatchEndsTheList) {
  const std::string head = "000001\tFirst_Maker_of_Things\n";
  for (const char* bad : {"0011A\tShort_Hex_Entry____\n", "0011AG\tNot_Hex_Digits______\n",
                          "0011AA Space_Not_Tab_______\n", "0011AA\tTwo Words_In_The_Name\n",
                          "0011AA\t\n                    \n", "\n0011AA\tAfter_A_Blank_Line__\n"}) {
    OuiList list = parseOuiList(head + bad + "0011AB\tNever_Read_Vendor___\n");
    EXPECT_EQ(list.entries.size(), 1u) << bad;
    EXPECT_EQ(lookup(list, macOf(0, 0, 1)), "First Maker") << bad;
  }
  // Windows line ends and a missing final newline still read.
  EXPECT_EQ(parseOuiList("000001\tFirst_Maker\r\n000002\tSecond_One_Maker\r\n0000FF\tLast_Entry")
                .entries.size(),
            3u);
}

TEST(OuiList, AnUnorderedLineDoesNotHideTheOthers) {
  OuiList list = parseOuiList(
      "000005\tFive_Vendor_Name\n000001\tOne_Vendor_Name_\n000009\tNine_Vendor_Name\n"
      "000003\tThree_Vendor_Nam\n");
  for (auto [last, name] :
       {std::pair{1, "One Vendor "}, {3, "Three Vendo"}, {5, "Five Vendor"}, {9, "Nine Vendor"}})
    EXPECT_EQ(lookup(list, macOf(0, 0, static_cast<std::uint8_t>(last))), name);
}

TEST(OuiList, LoadingAMissingFileGivesAnEmptyList) {
  test::ScratchFolder dir;
  EXPECT_TRUE(loadOuiList(dir.file("OUIList.txt")).entries.empty());
  std::string path = dir.file("OUIList.txt");
  std::string text = kList;
  test::writeBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  EXPECT_EQ(loadOuiList(path).entries.size(), 5u);
}

}  // namespace
}  // namespace strandline
