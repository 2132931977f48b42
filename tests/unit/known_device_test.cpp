#include "model/known_device.h"

#include <gtest/gtest.h>

namespace strandline {
namespace {

MacAddress macOf(std::uint8_t last) {
  return {0x00, 0x11, 0xAA, 0x00, 0x00, last};
}

KnownDeviceTable tableNamed(std::initializer_list<const char*> names) {
  KnownDeviceTable t;
  std::uint8_t n = 1;
  for (const char* name : names) addKnownDevice(t, macOf(n++), name);
  return t;
}

// "Device <count + 1>" unless taken, else the first free number.
TEST(KnownDevices, AutomaticNamesTakeTheCountThenTheFirstFreeNumber) {
  const std::pair<KnownDeviceTable, const char*> cases[] = {
      {tableNamed({"Kitchen", "Device 3"}), "Device 1"},
      {tableNamed({"Device 2"}), "Device 1"},
      {tableNamed({"Device 1", "Device 2", "Device 3"}), "Device 4"},
      {tableNamed({"Device 2", "Device 1"}), "Device 3"},
      {tableNamed({"Device 1", "Device 2", "Device 3", "Device 5"}), "Device 4"},
      {KnownDeviceTable{}, "Device 1"},
  };
  for (const auto& [table, name] : cases) EXPECT_EQ(automaticName(table), name);
}

TEST(KnownDevices, LookupsGiveOneBasedPositions) {
  KnownDeviceTable t = tableNamed({"Alpha", "Beta", "Beta"});
  EXPECT_EQ(findKnownByMac(t, macOf(2)), 2);
  EXPECT_EQ(findKnownByMac(t, macOf(9)), 0);
  EXPECT_EQ(findKnownByMacText(t, "00:11:AA:00:00:03"), 3);
  EXPECT_EQ(findKnownByMacText(t, "00:11:aa:00:00:03"), 0) << "the text form is upper case";
  EXPECT_EQ(findKnownByName(t, "Beta"), 2) << "the first of equal names";
  EXPECT_EQ(findKnownByName(t, "Bet"), 0);
}

// Deleting moves the later records up and drops the device's station;
// purging drops the records without a MAC.
TEST(KnownDevices, DeleteAndPurge) {
  KnownDeviceTable t = tableNamed({"A", "B", "C"});
  AdapterNetwork adapter;
  adapter.stations[0].mac = macOf(9);
  adapter.stations[1].mac = macOf(2);
  adapter.stations[2].mac = macOf(3);
  EXPECT_TRUE(deleteKnownDevice(t, 2, &adapter));
  ASSERT_EQ(t.count(), 2u);
  EXPECT_EQ(t.at(2).name.str(), "C");
  EXPECT_EQ(adapter.stations[0].mac, macOf(9));
  EXPECT_EQ(adapter.stations[1].mac, macOf(3));
  EXPECT_FALSE(deleteKnownDevice(t, 0));
  EXPECT_FALSE(deleteKnownDevice(t, 3));

  addKnownDevice(t, MacAddress{}, "zero");
  addKnownDevice(t, macOf(5), "D");
  addKnownDevice(t, MacAddress{}, "zero again");
  purgeEmptyKnownDevices(t);
  ASSERT_EQ(t.count(), 3u);
  EXPECT_EQ(t.at(3).name.str(), "D");
}

// New records are zeroed apart from MAC, name (cut to 31) and password; the
// table holds 100.
TEST(KnownDevices, NewRecordsAndCapacity) {
  KnownDeviceTable t;
  ASSERT_EQ(addKnownDevice(t, macOf(1), std::string(40, 'n'), "ABCD-EFGH"), 1);
  KnownDevice expected;
  expected.mac = macOf(1);
  expected.name.set(std::string(31, 'n'));
  expected.password.set("ABCD-EFGH");
  EXPECT_EQ(t.at(1), expected);
  for (int i = 1; i < 100; ++i)
    ASSERT_EQ(addKnownDevice(t, macOf(static_cast<std::uint8_t>(i + 1))), i + 1);
  EXPECT_EQ(t.at(100).name.str(), "Device 100");
  EXPECT_EQ(addKnownDevice(t, macOf(200)), 0);
  EXPECT_EQ(t.count(), 100u);
}

TEST(KnownDevices, RenameRules) {
  KnownDeviceTable t = tableNamed({"Kitchen", "Office"});
  std::string forty = "0123456789012345678901234567890123456789";
  // Refused: empty, its own name, another's, no such record.
  for (auto [position, name] :
       {std::pair{1, std::string()}, {1, "Kitchen"}, {1, "Office"}, {3, "Garage"}})
    EXPECT_FALSE(renameKnownDevice(t, position, name)) << position << " " << name;
  EXPECT_TRUE(renameKnownDevice(t, 1, forty));
  EXPECT_EQ(t.at(1).name.str(), forty.substr(0, 31));
  // Another 40-character name that agrees in its first 31 would give two equal names.
  EXPECT_FALSE(renameKnownDevice(t, 2, forty.substr(0, 31) + "zzz"));
  EXPECT_EQ(t.at(2).name.str(), "Office");
  EXPECT_TRUE(renameKnownDevice(t, 2, "Garage"));
  EXPECT_EQ(findKnownByName(t, "Garage"), 2);
}

}  // namespace
}  // namespace strandline
