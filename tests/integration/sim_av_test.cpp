// The simulated HomePlug AV devices at hand-written offsets, not the system's
// decoders: who answers, the refusals, the key rules and the restarts, and the
// fields that neither tshark's decoder nor the flows read. The blocks and
// images they hold are read back by the system's own readers.
#include <gtest/gtest.h>

#include <filesystem>

#include "firmware/firmware_image.h"
#include "firmware/parameter_block.h"
#include "integration/sim_fixture.h"
#include "sim/parameter_block.h"

namespace strandline::testing {
namespace {

const char* kAvNetwork = R"({"adapters": [
  {"mac": "02:5A:00:00:01:01", "interface": "sl0", "firmware": "TSC1000-MAC-3-5",
   "password": "K7QM-2VXA-98RT-ZP4L", "firmwareType": 1},
  {"mac": "02:5A:00:00:01:02", "deviceId": 1, "password": "R2D4", "tx": 180, "rx": 171,
   "bridged": "02:77:00:00:00:02"},
  {"mac": "02:5A:00:00:01:03", "deviceId": 4, "password": "SAME-PASS", "tx": 300, "rx": 290},
  {"mac": "02:5A:00:00:01:04", "deviceId": 3, "password": "SAME-PASS", "networkName": "Else1"}]})";

const MacAddress kLocal = {2, 0x5A, 0, 0, 1, 1}, kStation2 = {2, 0x5A, 0, 0, 1, 2},
                 kStation3 = {2, 0x5A, 0, 0, 1, 3}, kStation4 = {2, 0x5A, 0, 0, 1, 4};

// A set-key payload: key type, key, selector, target, and the DAK it travels under.
Bytes setKey(const Key16& key, std::uint8_t selector, const MacAddress& target,
             const Key16& dak = {}) {
  Bytes p = cat(cat({1}, Bytes(key.begin(), key.end())), {selector});
  return cat(cat(p, Bytes(target.begin(), target.end())), Bytes(dak.begin(), dak.end()));
}

class SimAv : public SimFixture {
 protected:
  void SetUp() override { load(kAvNetwork); }

  // The single answer, checked to be the confirmation `type` with status 0.
  Bytes ok(const Bytes& request, std::uint16_t type) {
    Bytes a = only(request);
    EXPECT_EQ(le16(a, 15), type);
    EXPECT_EQ(a[20], 0) << "status of " << std::hex << type;
    return a;
  }

  // Writes a whole module in 1024-byte chunks; returns the statuses.
  std::vector<int> writeModule(std::uint8_t module, const Bytes& data) {
    std::vector<int> statuses;
    for (std::size_t offset = 0; offset < data.size(); offset += 1024) {
      std::size_t n = std::min<std::size_t>(1024, data.size() - offset);
      Bytes chunk(data.begin() + offset, data.begin() + offset + n);
      Bytes req = words({module | static_cast<std::uint32_t>(n) << 16,
                         static_cast<std::uint32_t>(offset), testChecksum(chunk)});
      Bytes a = only(av(kLocal, 0xA020, cat(req, chunk), 1056));
      EXPECT_EQ(le16(a, 23), n);
      statuses.push_back(a[20]);
    }
    return statuses;
  }

  static void reseal(Bytes& pib) {
    std::fill_n(pib.begin() + 8, 4, 0);
    Bytes sum = words({testChecksum(pib)});
    std::copy(sum.begin(), sum.end(), pib.begin() + 8);
  }
};

TEST_F(SimAv, VersionAnswersComeFromTheNetworkOnly) {
  // A remote station answers through the local adapter, a little later.
  std::string error;
  ASSERT_TRUE(port->send(av(kStation3, 0xA000), error));
  EXPECT_TRUE(collect(3).empty());
  auto later = collect(2);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(macAt(later[0], 0), host);  // the decoders downstream do not look at the destination
  EXPECT_EQ(macAt(later[0], 6), kStation3);

  // A station of another network does not answer; broadcast reaches only the network.
  EXPECT_TRUE(exchange(av(kStation4, 0xA000)).empty());
  EXPECT_EQ(exchange(av(kBroadcastMac, 0xA000)).size(), 3u);
}

TEST_F(SimAv, NetworkInfoVersionZeroNidRoleBridgeAndClampedRates) {
  Bytes a = only(av(kLocalDeviceMac, 0xA038));
  Nid nid = deriveNid(deriveNetworkKey("HomePlugAV"), 0);
  EXPECT_TRUE(std::equal(nid.begin(), nid.end(), a.begin() + 21));
  EXPECT_EQ(a[30], 2);  // role of the local adapter: coordinator
  EXPECT_EQ(macAt(a, 39 + 7), macOf("02:77:00:00:00:02"));
  EXPECT_EQ(a[54 + 13], 255);  // station 3's 300 does not fit the byte
  EXPECT_EQ(a[54 + 14], 255);
}

TEST_F(SimAv, NetworkInfoVersionOneOnlyFromTheTsc4000Family) {
  auto v1 = [&](const MacAddress& to) {
    Bytes f = av(to, 0xA038);
    f[14] = 1;
    const Bytes rest{0, 0, 0x00, 0xB0, 0x52};  // fragment word, then the OUI
    std::copy(rest.begin(), rest.end(), f.begin() + 17);
    return f;
  };
  EXPECT_TRUE(exchange(v1(kLocalDeviceMac)).empty());  // the local adapter is a TSC2000
  Bytes a = only(v1(kStation3));
  ASSERT_EQ(a[54], 2);  // stations, seen from station 3
  EXPECT_EQ(macAt(a, 60), kLocal);
  EXPECT_EQ(macAt(a, 84), kStation2);
  // Rates from station 3 to the local adapter are its own figures reversed.
  EXPECT_EQ(le16(a, 60 + 16), 290);
  EXPECT_EQ(le16(a, 60 + 20), 300);
}

TEST_F(SimAv, SetKeyLocalMovesTheAdapterToAnotherNetwork) {
  Key16 nmk = deriveNetworkKey("MyPrivateNet");
  ok(av(kLocal, 0xA050, setKey(nmk, 15, kLocal)), 0xA051);
  const Bytes& pib = simulation->adapter(kLocal)->pib;
  Nid nid = deriveNid(nmk, 0);
  EXPECT_TRUE(std::equal(nid.begin(), nid.end(), pib.begin() + 248));
  EXPECT_EQ(testChecksum(pib), 0u);

  // No such selector.
  EXPECT_EQ(only(av(kLocal, 0xA050, setKey(nmk, 7, kLocal)))[20], 0x10);
}

// Every holder of the DAK, on any network, is left to the add-device flows;
// a named target is theirs only when it holds the DAK itself.
TEST_F(SimAv, SetKeyUnderTheDakForANamedTarget) {
  Key16 nmk = deriveNetworkKey("Random0001");
  Key16 dak = deriveDeviceKey("SAME-PASS");  // held by stations 3 and 4
  EXPECT_TRUE(exchange(av(kLocal, 0xA050, setKey(nmk, 0, kStation2, dak))).empty());
  EXPECT_EQ(macAt(only(av(kLocal, 0xA050, setKey(nmk, 0, kStation4, dak))), 6), kStation4);
}

// Bad module reads get the table's status codes.
TEST_F(SimAv, ModuleReadRefusals) {
  const std::pair<Bytes, int> refusals[] = {{words({2 | 256 << 16, 15560}), 0x20},  // past the end
                                            {words({2 | 0x801 << 16, 0}), 0x12},    // too long
                                            {words({9 | 1024 << 16, 0}), 0x10}};    // no module
  for (const auto& [request, status] : refusals) {
    SCOPED_TRACE(::testing::PrintToString(request));
    EXPECT_EQ(only(av(kLocal, 0xA024, request))[20], status);
  }
}

TEST_F(SimAv, WriteAndCommitParameterBlockThenTheDeviceRestarts) {
  Bytes pib = simulation->adapter(kLocal)->pib;
  Key16 nmk = deriveNetworkKey("CommittedNet");
  std::copy(nmk.begin(), nmk.end(), pib.begin() + 100);
  reseal(pib);
  for (int status : writeModule(2, pib)) EXPECT_EQ(status, 0);
  EXPECT_EQ(ok(av(kLocal, 0xA028, {2}), 0xA029)[21], 2);
  // Down for the reboot time (1500 ms by default), then up with the new key.
  clock.sleepMs(1000);
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
  clock.sleepMs(500);
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);
  EXPECT_EQ(simulation->adapter(kLocal)->networkKey, nmk);
}

TEST_F(SimAv, WriteAndCommitRefusals) {
  Bytes pib = simulation->adapter(kLocal)->pib;
  // A block for another device.
  pib[17] ^= 0x01;
  reseal(pib);
  writeModule(2, pib);
  EXPECT_EQ(only(av(kLocal, 0xA028, {2}))[20], 0x48);
  // A block whose checksum does not verify.
  pib[17] ^= 0x01;
  pib[500] ^= 0xFF;
  writeModule(2, pib);
  EXPECT_EQ(only(av(kLocal, 0xA028, {2}))[20], 0x44);
  // The device stayed up.
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);
}

TEST_F(SimAv, MemoryWriteAndStartRefusalsThenRestart) {
  Bytes image(2049, 0);
  for (std::size_t i = 64; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
  const std::uint32_t load = 0x01000000;
  for (std::size_t offset = 0; offset < image.size(); offset += 1024) {
    std::size_t n = std::min<std::size_t>(1024, image.size() - offset);
    Bytes req = words({load + static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(n)});
    Bytes a =
        ok(av(kLocal, 0xA004, cat(req, Bytes(image.begin() + offset, image.begin() + offset + n))),
           0xA005);
    EXPECT_EQ(le32(a, 25), n);
  }
  // Start (module, load address, length, checksum, entry point): a wrong checksum, more than
  // was written, then the image.
  const std::uint32_t sum = testChecksum(image);
  for (auto [length, check, status] :
       {std::tuple{2049u, sum ^ 1, 0x14}, {~15u, sum, 0x1C}, {2049u, sum, 0}}) {
    Bytes a = only(av(kLocal, 0xA00C, words({1, load, length, check, load})));
    EXPECT_EQ((std::pair{le16(a, 15), int{a[20]}}), (std::pair{std::uint16_t{0xA00D}, status}));
  }
  clock.sleepMs(1600);  // back after the restart
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);
}

TEST_F(SimAv, ResetFactoryDefaultsLedAndConfigurationBlock) {
  ok(av(kLocal, 0xA094, {1}), 0xA095);
  EXPECT_EQ(simulation->adapter(kLocal)->ledState, 1);

  Bytes cfg = ok(av(kLocal, 0xA058), 0xA059);
  EXPECT_EQ(cfg[21], 84);
  EXPECT_EQ(cfg[22 + 47], 1);  // firmware type

  simulation->adapter(kLocal)->networkKey = deriveNetworkKey("NotDefault");
  ok(av(kLocal, 0xA07C), 0xA07D);
  EXPECT_EQ(simulation->adapter(kLocal)->networkKey, deriveNetworkKey("HomePlugAV"));
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
}

TEST_F(SimAv, FramesThatAreNoRequestsGoUnanswered) {
  Bytes wrongOui = av(kLocal, 0xA000);
  wrongOui[19] = 0x53;
  Bytes version = av(kLocal, 0xA000);
  const std::pair<const char*, Bytes> frames[] = {
      {"a confirmation", av(kLocal, 0xA001)},
      {"unknown request", av(kLocal, 0xA0FC)},
      {"wrong OUI", wrongOui},
      {"cut short", Bytes(version.begin(), version.begin() + 18)},
      {"short set-key", av(kLocal, 0xA050, {}, 40)}};
  for (const auto& [what, frame] : frames) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(exchange(frame).empty());
  }
}

// Every shipped device's parameter block attaches with every content rule and
// carries its identity; its factory block attaches; its firmware file checks.
TEST(SimImages, EveryShippedDevicePassesTheSystemsReaders) {
  auto dir = std::filesystem::path(STRANDLINE_SOURCE_DIR) / "sim" / "networks";
  int devices = 0;
  for (const char* name : {"home.json", "tsc4000.json", "large32.json"}) {
    sim::Medium medium;
    std::string error;
    ASSERT_TRUE(sim::loadNetworkFile((dir / name).string(), medium, error)) << error;
    for (const auto& a : medium.adapters()) {
      ParameterBlockImage image, factory;
      Bytes block = a->pib, factoryBlock = a->factoryPib;
      ASSERT_EQ(image.attach(block), PibStatus::Ok) << macToText(a->mac);
      // The reader does not sum the block, and skips the hardware rules without their marker.
      EXPECT_EQ(testChecksum(block), 0u);
      EXPECT_EQ(block[8200], 0xC0);
      MacAddress mac{};
      Key16 dak{}, nmk{};
      Nid nid{};
      EXPECT_EQ(image.getMac(mac), PibStatus::Ok);
      EXPECT_EQ(image.getDak(dak), PibStatus::Ok);
      EXPECT_EQ(image.getNmk(nmk), PibStatus::Ok);
      EXPECT_EQ(image.getNid(nid), PibStatus::Ok);
      EXPECT_EQ(mac, a->mac);
      EXPECT_EQ(dak, a->deviceKey);
      EXPECT_EQ(nmk, a->networkKey);
      EXPECT_EQ(nid, deriveNid(nmk, 0));
      EXPECT_EQ(factory.attach(factoryBlock), PibStatus::Ok);
      NvmCheck check = checkNvmFile(a->firmwareImage, name);
      EXPECT_TRUE(check.ok) << check.message;
      EXPECT_EQ(check.blocks.size(), 2u);
      // A block the system patches and reseals is taken back by the device.
      ASSERT_EQ(image.setNmk(deriveNetworkKey("Resealed22"), 0), PibStatus::Ok);
      ASSERT_EQ(image.reseal(block), PibStatus::Ok);
      EXPECT_EQ(sim::checkParameterBlock(block), sim::PibCheck::Ok);
      ++devices;
    }
  }
  EXPECT_EQ(devices, 6 + 4 + 33);
}

TEST(SimNetworkFiles, BadFilesAreRefusedWithTheReason) {
  const std::string one = R"({"mac": "02:00:00:00:00:01", "password": )";
  const std::pair<std::string, const char*> files[] = {
      {"{ not json", "not valid JSON"},
      {one + R"("ABCD-EFGH", "interface": "a"}, )" + one + R"("ABCD-EFGH"})", "appears twice"},
      {one + R"("ABCD"})", "nothing is local"},
      {one + R"("ABC", "interface": "a"})", "password"},
      {one + R"("ABCD", "interface": "a", "faults": {"loss": 2}})", "faults.loss"}};
  for (const auto& [adapters, reason] : files) {
    std::string json = R"({"adapters": [)" + adapters + "]}";
    SCOPED_TRACE(json);
    sim::Medium medium;
    std::string error;
    EXPECT_FALSE(sim::parseNetwork(json, medium, error));
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace strandline::testing
