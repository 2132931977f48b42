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

TEST(KnownDevices, AutomaticNamesTakeTheCountThenTheFirstFreeNumber) {
  // Two devices, one already called "Device 3": the count's name is taken, so 1.
  EXPECT_EQ(automaticName(tableNamed({"Kitchen", "Device 3"})), "Device 1");
  // One device called "Device 2": "Device 2" is taken, "Device 1" is free.
  EXPECT_EQ(automaticName(tableNamed({"Device 2"})), "Device 1");
  // Three devices, none called "Device 4": taken at the first try.
  EXPECT_EQ(automaticName(tableNamed({"Device 1", "Device 2", "Device 3"})), "Device 4");
  EXPECT_EQ(automaticName(tableNamed({"Device 2", "Device 1"})), "Device 3");
  EXPECT_EQ(automaticName(tableNamed({"Device 1", "Device 2", "Device 3", "Device 5"})),
            "Device 4");
  EXPECT_EQ(automaticName(KnownDeviceTable{}), "Device 1");
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

TEST(KnownDevices, DeletingMovesLaterRecordsUpAndDropsTheStation) {
  KnownDeviceTable t = tableNamed({"A", "B", "C"});
  AdapterNetwork adapter;
  adapter.stations[0].mac = macOf(9);
  adapter.stations[1].mac = macOf(2);
  adapter.stations[2].mac = macOf(3);
  EXPECT_TRUE(deleteKnownDevice(t, 2, &adapter));
  ASSERT_EQ(t.count(), 2u);
  EXPECT_EQ(t.at(2).name.str(), "C");
  EXPECT_EQ(adapter.stations[1].mac, macOf(3));
  EXPECT_EQ(adapter.stations[0].mac, macOf(9));
  EXPECT_FALSE(deleteKnownDevice(t, 0));
  EXPECT_FALSE(deleteKnownDevice(t, 3));
}

TEST(KnownDevices, PurgeDropsRecordsWithoutMac) {
  KnownDeviceTable t = tableNamed({"A"});
  addKnownDevice(t, MacAddress{}, "zero");
  addKnownDevice(t, macOf(5), "B");
  addKnownDevice(t, MacAddress{}, "zero again");
  purgeEmptyKnownDevices(t);
  ASSERT_EQ(t.count(), 2u);
  EXPECT_EQ(t.at(2).name.str(), "B");
}

TEST(KnownDevices, TheTableStopsAtItsCapacity) {
  KnownDeviceTable t;
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(addKnownDevice(t, macOf(static_cast<std::uint8_t>(i))), i + 1);
  EXPECT_EQ(t.at(100).name.str(), "Device 100");
  EXPECT_EQ(addKnownDevice(t, macOf(200)), 0);
  EXPECT_EQ(t.count(), 100u);
}

TEST(KnownDevices, NewRecordsAreZeroedApartFromMacNameAndPassword) {
  KnownDeviceTable t;
  int pos = addKnownDevice(t, macOf(1), std::string(40, 'n'), "ABCD-EFGH");
  const KnownDevice& d = t.at(pos);
  EXPECT_EQ(d.name.str(), std::string(31, 'n'));
  EXPECT_EQ(d.password.str(), "ABCD-EFGH");
  EXPECT_EQ(d.lastSeen, 0);
  EXPECT_EQ(d.networkKey, Key16{});
  EXPECT_TRUE(d.networkName.empty());
}

TEST(KnownDevices, RenameRules) {
  KnownDeviceTable t = tableNamed({"Kitchen", "Office"});
  EXPECT_FALSE(renameKnownDevice(t, 1, "")) << "empty";
  EXPECT_FALSE(renameKnownDevice(t, 1, "Kitchen")) << "its own name counts as taken";
  EXPECT_FALSE(renameKnownDevice(t, 1, "Office"));
  EXPECT_FALSE(renameKnownDevice(t, 3, "Garage")) << "no such record";

  std::string forty = "0123456789012345678901234567890123456789";
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
