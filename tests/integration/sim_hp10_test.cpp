// The simulated HomePlug 1.0 adapters, standard and Boost, at hand-written
// offsets: who answers and who stays silent, the key rules, the loader, and
// the fields that neither tshark's decoder nor the flows read.
#include <gtest/gtest.h>

#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const char* kHp10Network = R"({"adapters": [
  {"mac": "02:5A:00:00:10:01", "kind": "hp10", "interface": "sl0", "deviceClass": 3,
   "password": "F3GH-J5KL-Z7XC-V9BN"},
  {"mac": "02:5A:00:00:10:02", "kind": "hp10", "password": "T6YU", "tx": 14},
  {"mac": "02:5A:00:00:10:04", "kind": "hp10", "password": "Q7WE-R8TY-U9IO-P0AS",
   "networkName": "Kitchen1234", "tx": 6}]})";
const char* kBoostNetwork = R"({"adapters": [{"mac": "02:5A:00:00:20:01", "kind": "boost",
  "interface": "sl0", "password": "B8VC"}]})";

const MacAddress kHpLocal = {2, 0x5A, 0, 0, 0x10, 1}, kHp2 = {2, 0x5A, 0, 0, 0x10, 2},
                 kHp4 = {2, 0x5A, 0, 0, 0x10, 4}, kBoostLocal = {2, 0x5A, 0, 0, 0x20, 1};

Bytes key8(const std::string& text) {
  Key16 k = deriveHp10Key(text);
  return Bytes(k.begin(), k.begin() + 8);
}

// A set-key frame followed by a second entry: the options (type 0x1F) given.
Bytes withOptions(Bytes frame, const Bytes& options) {
  frame[14] = 2;
  Bytes entry = cat({0x1F, static_cast<std::uint8_t>(options.size())}, options);
  std::copy(entry.begin(), entry.end(), frame.begin() + 26);
  return frame;
}

using SimHp10 = SimFixture;

TEST_F(SimHp10, StatisticsFromTheAdaptersOwnAddressAndPresenceLength) {
  load(kHp10Network);
  // Once the adapter is known, detection sends from its address: still answered,
  // device class 3 with bit 7 clear.
  Bytes fromAdapter = hp1(kBroadcastMac, 0x1A, {0x80});
  std::copy(kHpLocal.begin(), kHpLocal.end(), fromAdapter.begin() + 6);
  EXPECT_EQ(only(fromAdapter)[17], 3);
  // Presence answers carry 22 bytes; no decoder downstream checks the length.
  EXPECT_EQ(only(hp1(kHpLocal, 0x07, {}))[16], 22);
}

// The image's keys and options, before and after a key is set, are read by
// detection and by the read-back of the network-name flows.
TEST_F(SimHp10, LocalParametersStoredAndWorkingImage) {
  load(kHp10Network);
  Bytes eeprom = only(hp1(kBroadcastMac, 0x19, Bytes(15, 0)));
  EXPECT_EQ(eeprom[17], 1);  // the stored image
  EXPECT_EQ(macAt(eeprom, 18), kHpLocal);
  EXPECT_EQ(eeprom[18 + 14], 1);  // key select
  Bytes ram(15, 0);
  ram[0] = 16;
  EXPECT_EQ(only(hp1(kBroadcastMac, 0x19, ram))[17], 2);
  // A standard adapter does not confirm a key set for itself.
  Bytes setKey = withOptions(hp1(kBroadcastMac, 0x04, cat({1}, key8("Private77"))), {0x40, 1, 1});
  EXPECT_TRUE(exchange(setKey).empty());
}

TEST_F(SimHp10, RemoteKeyUnderTheDekReachesOnlyItsHolder) {
  load(kHp10Network);
  // Key select 0 = the station's DEK, carried frames under it (option byte 3 = 0).
  Bytes slot = hp1(kBroadcastMac, 0x04, cat({0}, key8("Q7WE-R8TY-U9IO-P0AS")));
  EXPECT_TRUE(exchange(withOptions(slot, {0x40, 0x01, 0x00})).empty());
  // A wrong station address hears nothing; the right one confirms.
  Bytes nek = cat({1}, key8("HomePlug"));
  EXPECT_TRUE(exchange(hp1(kHp2, 0x04, nek)).empty());
  EXPECT_EQ(macAt(only(hp1(kHp4, 0x04, nek)), 0), host);
}

class SimBoostLoader : public SimFixture {
 protected:
  Bytes command(std::uint8_t code, const Bytes& fields, const MacAddress& to) {
    // Entry length 1; the command length at 18..19 counts the fields.
    Bytes data{code, static_cast<std::uint8_t>(fields.size() >> 8),
               static_cast<std::uint8_t>(fields.size())};
    data.insert(data.end(), fields.begin(), fields.end());
    Bytes f = hp1(to, 0x10, data);
    f[16] = 1;
    return f;
  }
  // Big-endian module and offset, 16-bit length, then the data.
  Bytes writeChunk(std::uint32_t module, std::uint32_t offset, const Bytes& chunk) {
    Bytes length{static_cast<std::uint8_t>(chunk.size() >> 8),
                 static_cast<std::uint8_t>(chunk.size())};
    return cat(cat(words({module, offset}, true), length), chunk);
  }
};

TEST_F(SimBoostLoader, UpgradeWritesCommitsChecksumsAndRestarts) {
  load(kBoostNetwork);
  Bytes image(2500, 0);
  const std::string version = "HP85-BOOST-0002.0.0-NEW";
  std::copy(version.begin(), version.end(), image.begin());
  for (std::size_t i = 64; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 3);

  // Outside the loader, commands are refused.
  EXPECT_EQ(only(command(0x84, {0, 0, 0, 0x40}, kBoostLocal))[20], 1);

  EXPECT_TRUE(exchange(hp1(kBoostLocal, 0x12, {0x67})).empty());
  for (std::uint32_t offset = 0; offset < image.size(); offset += 1024) {
    std::size_t n = std::min<std::size_t>(1024, image.size() - offset);
    Bytes chunk(image.begin() + offset, image.begin() + offset + n);
    EXPECT_EQ(only(command(0x81, writeChunk(0x100, offset, chunk), kBoostLocal))[20], 0);
  }
  // Not committed yet: no checksum.
  EXPECT_EQ(only(command(0x83, {0, 0, 1, 0, 0, 0, 0x09, 0xC4}, kBoostLocal))[20], 1);
  EXPECT_EQ(only(command(0x82, {0, 0, 0x01, 0x00}, kBoostLocal))[20], 0);
  EXPECT_EQ(only(command(0x84, {0, 0, 0, 0x40}, kBoostLocal))[20], 0);
  Bytes sum = only(command(0x83, {0, 0, 1, 0, 0, 0, 0x09, 0xC4}, kBoostLocal));
  EXPECT_EQ(Bytes(sum.begin() + 29, sum.begin() + 33), words({testChecksum(image)}, true));
  // A module that was not written cannot be committed.
  EXPECT_EQ(only(command(0x82, {0, 0, 0, 0x10}, kBoostLocal))[20], 1);

  EXPECT_TRUE(exchange(command(0x7F, {}, kBoostLocal)).empty());
  EXPECT_TRUE(exchange(hp1(kBoostLocal, 0x12, {0x20}), 1000).empty());  // rebooting
  clock.sleepMs(600);
  Bytes v = only(hp1(kBoostLocal, 0x12, {0x20}));
  EXPECT_EQ(std::string(v.begin() + 18, v.begin() + 17 + v[16]), version);
}

TEST_F(SimBoostLoader, LoaderAtTheFallbackAddressAnswersOnlyThere) {
  load(R"({"adapters": [{"mac": "02:5A:00:00:20:01", "kind": "boost", "interface": "sl0",
                         "password": "B8VC", "loaderFallback": true}]})");
  exchange(hp1(kBoostLocal, 0x12, {0x67}));
  Bytes chunk(16, 0xAB);
  EXPECT_TRUE(exchange(command(0x81, writeChunk(0x100, 0, chunk), kBoostLocal)).empty());
  Bytes a = only(command(0x81, writeChunk(0x100, 0, chunk), sim::kLoaderFallbackMac));
  EXPECT_EQ(macAt(a, 6), sim::kLoaderFallbackMac);
  EXPECT_EQ(a[20], 0);
}

}  // namespace
}  // namespace strandline::testing
