#include "storage/oui_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "unit/storage_test_util.h"

namespace strandline {
namespace {

std::string lookup(const OuiList& list, std::uint32_t oui, std::array<std::uint8_t, 3> oemOui = {},
                   const std::string& oemName = "") {
  MacAddress mac{std::uint8_t(oui >> 16), std::uint8_t(oui >> 8), std::uint8_t(oui), 1, 2, 3};
  return vendorNameFor(list, mac, oemOui, oemName);
}

const char* kList =
    "000001\tFirst_Maker_of_Things\n"
    "0011AA\tBig_Box_Co\n"
    "00a0b0\tlowercase_hex_digits\n"
    "7F0000\tMiddle\n"
    "FFFFFE\tLast_One\n";  // room for 5 entries

// Names come from the list by OUI, '_' read as a space and cut to 11
// characters; an OUI not listed is "Corvane". The OEM OUI with a name wins;
// the default OEM record (OUI 00 00 00, no name) names nothing.
TEST(OuiList, NamesComeFromTheListByOuiUnlessTheOemOuiMatches) {
  OuiList list = parseOuiList(kList);
  ASSERT_EQ(list.entries.size(), 5u);
  const struct {
    std::uint32_t oui;
    std::array<std::uint8_t, 3> oemOui;
    const char *oemName, *name;
  } cases[] = {
      {0x0011AA, {}, "", "Big Box Co"},
      {0x000001, {}, "", "First Maker"},
      {0xFFFFFE, {}, "", "Last One"},
      {0x00A0B0, {}, "", "lowercase h"},
      {0x7F0000, {}, "", "Middle"},
      {0x000000, {}, "", "Corvane"},
      {0x0011AB, {}, "", "Corvane"},
      {0xFFFFFF, {}, "", "Corvane"},
      {0x0011AA, {0, 0x11, 0xAA}, "Ours", "Ours"},
      {0x0011AB, {0, 0x11, 0xAB}, "Ours", "Ours"},
      {0x0011AA, {0, 0x11, 0xAA}, "", "Big Box Co"},
  };
  for (const auto& c : cases) EXPECT_EQ(lookup(list, c.oui, c.oemOui, c.oemName), c.name) << c.oui;
  // An unordered line does not hide the others.
  list = parseOuiList(
      "000005\tFive_Vendor_Name\n000001\tOne_Vendor_Name_\n000009\tNine_Vendor_Name\n"
      "000003\tThree_Vendor_Nam\n");
  for (auto [oui, name] : {std::pair{1u, "One Vendor "},
                           {3u, "Three Vendo"},
                           {5u, "Five Vendor"},
                           {9u, "Nine Vendor"}})
    EXPECT_EQ(lookup(list, oui), name);
}

// The list holds one entry for every 20 bytes of the file and ends at the
// first line that does not match; Windows line ends and a missing final
// newline still read; a missing file gives an empty list.
TEST(OuiList, CapacityAndTheLinesThatEndTheList) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "00000" + std::to_string(i) + "\tV\n";  // 9 bytes a line
  EXPECT_EQ(parseOuiList(text).entries.size(), 4u);
  text += "0000AA\tV\n0000BB\n";
  EXPECT_EQ(parseOuiList(text).capacity, 5u);
  EXPECT_EQ(parseOuiList(text).entries.size(), 5u);
  const std::string head = "000001\tFirst_Maker_of_Things\n";
  for (const char* bad : {"0011A\tShort_Hex_Entry____\n", "0011AG\tNot_Hex_Digits______\n",
                          "0011AA Space_Not_Tab_______\n", "0011AA\tTwo Words_In_The_Name\n",
                          "0011AA\t\n                    \n", "\n0011AA\tAfter_A_Blank_Line__\n"}) {
    OuiList list = parseOuiList(head + bad + "0011AB\tNever_Read_Vendor___\n");
    EXPECT_EQ(list.entries.size(), 1u) << bad;
    EXPECT_EQ(lookup(list, 1), "First Maker") << bad;
  }
  EXPECT_EQ(parseOuiList("000001\tFirst_Maker\r\n000002\tSecond_One_Maker\r\n0000FF\tLast_Entry")
                .entries.size(),
            3u);

  test::ScratchFolder dir;
  std::string path = dir.file("OUIList.txt");
  EXPECT_TRUE(loadOuiList(path).entries.empty());
  EXPECT_EQ(lookup(loadOuiList(path), 0x0011AA), "Corvane");
  test::writeBytes(path,
                   ByteView(reinterpret_cast<const std::uint8_t*>(kList), std::strlen(kList)));
  EXPECT_EQ(loadOuiList(path).entries.size(), 5u);
}

}  // namespace
}  // namespace strandline
