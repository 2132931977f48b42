// The simulated HomePlug AV devices, checked byte by byte against the frame
// layouts (hand-written offsets, not the system's decoders).
#include <gtest/gtest.h>

#include <filesystem>

#include "base/keys.h"
#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const char* kAvNetwork = R"({ "adapters": [
  { "mac": "02:5A:00:00:01:01", "kind": "av", "interface": "sl0", "deviceId": 2,
    "firmware": "TSC1000-MAC-3-5", "password": "K7QM-2VXA-98RT-ZP4L", "firmwareType": 1 },
  { "mac": "02:5A:00:00:01:02", "kind": "av", "deviceId": 1, "firmware": "TSC1000-MAC-3-1",
    "password": "R2D4-MQ8X-T6VA-1LKE", "tx": 180, "rx": 171, "bridged": "02:77:00:00:00:02" },
  { "mac": "02:5A:00:00:01:03", "kind": "av", "deviceId": 4, "firmware": "TSC4000-MAC-1-0",
    "password": "SAME-PASS-WORD-1234", "tx": 300, "rx": 290 },
  { "mac": "02:5A:00:00:01:04", "kind": "av", "deviceId": 3, "firmware": "TSC1000-MAC-4-0",
    "password": "SAME-PASS-WORD-1234", "networkName": "Elsewhere1" }
] })";

const MacAddress kLocal = {0x02, 0x5A, 0, 0, 0x01, 0x01};
const MacAddress kStation2 = {0x02, 0x5A, 0, 0, 0x01, 0x02};
const MacAddress kStation3 = {0x02, 0x5A, 0, 0, 0x01, 0x03};
const MacAddress kStation4 = {0x02, 0x5A, 0, 0, 0x01, 0x04};

class SimAv : public SimFixture {
 protected:
  void SetUp() override { load(kAvNetwork); }

  Bytes readPib(const MacAddress& to) {
    Bytes pib;
    for (std::uint32_t offset = 0; offset < 15560; offset += 1024) {
      std::uint16_t length =
          static_cast<std::uint16_t>(std::min<std::uint32_t>(1024, 15560 - offset));
      Bytes req{2, 0, 0, 0, 0, 0, 0, 0};
      put16(req, 2, length);
      put32(req, 4, offset);
      Bytes a = only(av(to, 0xA024, req));
      EXPECT_EQ(a[20], 0);
      EXPECT_EQ(le16(a, 26), length);
      EXPECT_EQ(le32(a, 28), offset);
      pib.insert(pib.end(), a.begin() + 36, a.begin() + 36 + length);
    }
    return pib;
  }

  // Writes a whole module in 1024-byte chunks; returns the statuses.
  std::vector<int> writeModule(std::uint8_t module, const Bytes& data) {
    std::vector<int> statuses;
    for (std::size_t offset = 0; offset < data.size(); offset += 1024) {
      std::size_t n = std::min<std::size_t>(1024, data.size() - offset);
      Bytes chunk(data.begin() + offset, data.begin() + offset + n);
      Bytes req(12 + n, 0);
      req[0] = module;
      put16(req, 2, static_cast<std::uint16_t>(n));
      put32(req, 4, static_cast<std::uint32_t>(offset));
      put32(req, 8, testChecksum(chunk));
      std::copy(chunk.begin(), chunk.end(), req.begin() + 12);
      Bytes a = only(av(kLocal, 0xA020, req, 1056));
      EXPECT_EQ(le16(a, 15), 0xA021);
      EXPECT_EQ(a[21], module);
      EXPECT_EQ(le16(a, 23), n);
      EXPECT_EQ(le32(a, 25), offset);
      statuses.push_back(a[20]);
    }
    return statuses;
  }

  static void reseal(Bytes& pib) {
    put32(pib, 8, 0);
    put32(pib, 8, testChecksum(pib));
  }
};

TEST_F(SimAv, VersionAnswerGoldenBytesFromLocalAndRemote) {
  Bytes a = only(av(kLocalDeviceMac, 0xA000));
  ASSERT_EQ(a.size(), 88u);
  EXPECT_EQ(macAt(a, 0), host);
  EXPECT_EQ(macAt(a, 6), kLocal);
  const std::uint8_t header[] = {0x88, 0xE1, 0x00, 0x01, 0xA0, 0x00, 0xB0, 0x52};
  EXPECT_TRUE(std::equal(std::begin(header), std::end(header), a.begin() + 12));
  EXPECT_EQ(a[20], 0);   // status
  EXPECT_EQ(a[21], 2);   // device identifier
  EXPECT_EQ(a[22], 15);  // text length
  EXPECT_EQ(std::string(a.begin() + 23, a.begin() + 38), "TSC1000-MAC-3-5");
  EXPECT_EQ(a[38], 0);

  // A remote station answers through the local adapter, a little later.
  std::string error;
  ASSERT_TRUE(port->send(av(kStation3, 0xA000), error));
  EXPECT_TRUE(collect(3).empty());
  auto later = collect(2);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(macAt(later[0], 6), kStation3);
  EXPECT_EQ(later[0][21], 4);

  // A station of another network does not answer; broadcast reaches only the network.
  EXPECT_TRUE(exchange(av(kStation4, 0xA000)).empty());
  EXPECT_EQ(exchange(av(kBroadcastMac, 0xA000)).size(), 3u);
}

TEST_F(SimAv, NetworkInfoVersionZeroListsTheNetworkWithRates) {
  Bytes a = only(av(kLocalDeviceMac, 0xA038));
  EXPECT_EQ(le16(a, 15), 0xA039);
  EXPECT_EQ(a[20], 1);  // networks
  Nid nid = deriveNid(deriveNetworkKey("HomePlugAV"), 0);
  EXPECT_TRUE(std::equal(nid.begin(), nid.end(), a.begin() + 21));
  EXPECT_EQ(a[30], 2);              // role of the local adapter: coordinator
  EXPECT_EQ(macAt(a, 31), kLocal);  // coordinator address
  ASSERT_EQ(a[38], 2);              // stations: not the local one, not the other network
  EXPECT_EQ(macAt(a, 39), kStation2);
  EXPECT_EQ(macAt(a, 39 + 7), macOf("02:77:00:00:00:02"));
  EXPECT_EQ(a[39 + 13], 180);
  EXPECT_EQ(a[39 + 14], 171);
  EXPECT_EQ(macAt(a, 54), kStation3);
  EXPECT_EQ(a[54 + 13], 255);  // 300 does not fit the byte
  EXPECT_EQ(a[54 + 14], 255);
}

TEST_F(SimAv, NetworkInfoVersionOneOnlyFromTheTsc4000Family) {
  Bytes req(64, 0);
  auto v1 = [&](const MacAddress& to) {
    Bytes f = av(to, 0xA038);
    f[14] = 1;
    f[17] = 0;
    f[18] = 0;
    f[19] = 0x00;
    f[20] = 0xB0;
    f[21] = 0x52;
    return f;
  };
  EXPECT_TRUE(exchange(v1(kLocalDeviceMac)).empty());  // the local adapter is a TSC2000
  Bytes a = only(v1(kStation3));
  EXPECT_EQ(a[14], 1);
  EXPECT_EQ(le16(a, 15), 0xA039);
  EXPECT_EQ(a[19], 0x00);
  EXPECT_EQ(a[21], 0x52);
  EXPECT_EQ(a[27], 1);  // networks
  ASSERT_EQ(a[54], 2);  // stations, seen from station 3
  EXPECT_EQ(macAt(a, 60), kLocal);
  EXPECT_EQ(macAt(a, 84), kStation2);
  // Rates from station 3 to the local adapter are its own figures reversed.
  EXPECT_EQ(le16(a, 60 + 16), 290);
  EXPECT_EQ(le16(a, 60 + 20), 300);
}

TEST_F(SimAv, SetKeyLocalMovesTheAdapterToAnotherNetwork) {
  Key16 nmk = deriveNetworkKey("MyPrivateNet");
  Bytes payload(40, 0);
  payload[0] = 1;
  std::copy(nmk.begin(), nmk.end(), payload.begin() + 1);
  payload[17] = 15;
  std::copy(kLocal.begin(), kLocal.end(), payload.begin() + 18);
  Bytes a = only(av(kLocal, 0xA050, payload));
  EXPECT_EQ(le16(a, 15), 0xA051);
  EXPECT_EQ(a[20], 0);
  EXPECT_EQ(only(av(kLocalDeviceMac, 0xA038))[38], 0);  // alone now
  Bytes pib = readPib(kLocal);
  EXPECT_TRUE(std::equal(nmk.begin(), nmk.end(), pib.begin() + 100));
  Nid nid = deriveNid(nmk, 0);
  EXPECT_TRUE(std::equal(nid.begin(), nid.end(), pib.begin() + 248));
  EXPECT_EQ(testChecksum(pib), 0u);

  payload[17] = 7;  // no such selector
  EXPECT_EQ(only(av(kLocal, 0xA050, payload))[20], 0x10);
}

TEST_F(SimAv, SetKeyUnderTheDakReachesEveryHolderAcrossNetworks) {
  Key16 nmk = deriveNetworkKey("Random0001");
  Key16 dak = deriveDeviceKey("SAME-PASS-WORD-1234");
  Bytes payload(40, 0);
  payload[0] = 1;
  std::copy(nmk.begin(), nmk.end(), payload.begin() + 1);
  payload[17] = 0;
  std::copy(kBroadcastMac.begin(), kBroadcastMac.end(), payload.begin() + 18);
  std::copy(dak.begin(), dak.end(), payload.begin() + 24);
  auto answers = exchange(av(kLocal, 0xA050, payload));
  ASSERT_EQ(answers.size(), 2u);  // stations 3 and 4 share the password
  std::vector<MacAddress> sources{macAt(answers[0], 6), macAt(answers[1], 6)};
  EXPECT_NE(std::find(sources.begin(), sources.end(), kStation3), sources.end());
  EXPECT_NE(std::find(sources.begin(), sources.end(), kStation4), sources.end());
  for (const Bytes& a : answers) EXPECT_EQ(a[20], 0);
  EXPECT_EQ(simulation->adapter(kStation4)->networkKey, nmk);

  // A named target with the wrong DAK: nobody answers.
  std::copy(kStation2.begin(), kStation2.end(), payload.begin() + 18);
  EXPECT_TRUE(exchange(av(kLocal, 0xA050, payload)).empty());
}

TEST_F(SimAv, ParameterBlockReadCarriesIdentityAndChecks) {
  Bytes pib = readPib(kLocalDeviceMac);
  ASSERT_EQ(pib.size(), 15560u);
  EXPECT_EQ(pib[0], 4);
  EXPECT_EQ(pib[1], 4);
  EXPECT_EQ(le16(pib, 4), 15560);
  EXPECT_EQ(testChecksum(pib), 0u);
  EXPECT_EQ(macAt(pib, 12), kLocal);
  Key16 dak = deriveDeviceKey("K7QM-2VXA-98RT-ZP4L");
  EXPECT_TRUE(std::equal(dak.begin(), dak.end(), pib.begin() + 18));
  Key16 nmk = deriveNetworkKey("HomePlugAV");
  EXPECT_TRUE(std::equal(nmk.begin(), nmk.end(), pib.begin() + 100));
  EXPECT_EQ(pib[8200], 0xC0);

  // Each chunk's checksum word covers its data.
  Bytes a = only(av(kLocal, 0xA024, {2, 0, 0x00, 0x04, 0, 0, 0, 0}));
  ByteView chunk(a.data() + 36, 1024);
  EXPECT_EQ(testChecksum(chunk, le32(a, 32)), 0u);

  // Bad requests get the table's status codes.
  Bytes past{2, 0, 0, 1, 0, 0, 0, 0};
  put32(past, 4, 15560);
  EXPECT_EQ(only(av(kLocal, 0xA024, past))[20], 0x20);
  EXPECT_EQ(only(av(kLocal, 0xA024, {2, 0, 0x01, 0x08, 0, 0, 0, 0}))[20], 0x12);
  EXPECT_EQ(only(av(kLocal, 0xA024, {9, 0, 0x00, 0x04, 0, 0, 0, 0}))[20], 0x10);
}

TEST_F(SimAv, FirmwareModuleIsAChainOfCheckedHeaders) {
  Bytes a = only(av(kLocal, 0xA024, {1, 0, 44, 0, 0, 0, 0, 0}));
  ASSERT_EQ(a[20], 0);
  Bytes header(a.begin() + 36, a.begin() + 80);
  EXPECT_EQ(le32(header, 0), 0x60000000u);
  EXPECT_EQ(testChecksum(header), 0u);
  EXPECT_NE(le32(header, 36), 0u);  // a second block follows
}

TEST_F(SimAv, WriteAndCommitParameterBlockThenTheDeviceRestarts) {
  Bytes pib = readPib(kLocal);
  Key16 nmk = deriveNetworkKey("CommittedNet");
  std::copy(nmk.begin(), nmk.end(), pib.begin() + 100);
  reseal(pib);
  for (int status : writeModule(2, pib)) EXPECT_EQ(status, 0);
  Bytes a = only(av(kLocal, 0xA028, {2}));
  EXPECT_EQ(le16(a, 15), 0xA029);
  EXPECT_EQ(a[20], 0);
  EXPECT_EQ(a[21], 2);
  // Down for the reboot time (1500 ms by default), then up with the new key.
  clock.sleepMs(1000);
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
  clock.sleepMs(500);
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);
  EXPECT_EQ(simulation->adapter(kLocal)->networkKey, nmk);
  Bytes back = readPib(kLocal);
  EXPECT_TRUE(std::equal(nmk.begin(), nmk.end(), back.begin() + 100));
}

TEST_F(SimAv, WriteAndCommitRefusals) {
  Bytes pib = readPib(kLocal);
  // A chunk whose checksum word is wrong.
  Bytes req(12 + 16, 0);
  req[0] = 2;
  put16(req, 2, 16);
  put32(req, 8, 0x12345678);
  EXPECT_EQ(only(av(kLocal, 0xA020, req, 1056))[20], 0x14);
  // Commit with nothing written.
  EXPECT_EQ(only(av(kLocal, 0xA028, {2}))[20], 0x10);
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

TEST_F(SimAv, MemoryWriteAndStartRunTheNewFirmware) {
  Bytes image(2049, 0);
  const std::string version = "TSC1000-MAC-9-9-NEW";
  std::copy(version.begin(), version.end(), image.begin());
  for (std::size_t i = 64; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
  const std::uint32_t load = 0x01000000;
  for (std::size_t offset = 0; offset < image.size(); offset += 1024) {
    std::size_t n = std::min<std::size_t>(1024, image.size() - offset);
    Bytes req(8 + n, 0);
    put32(req, 0, load + static_cast<std::uint32_t>(offset));
    put32(req, 4, static_cast<std::uint32_t>(n));
    std::copy(image.begin() + offset, image.begin() + offset + n, req.begin() + 8);
    Bytes a = only(av(kLocal, 0xA004, req));
    EXPECT_EQ(le16(a, 15), 0xA005);
    EXPECT_EQ(a[20], 0);
    EXPECT_EQ(le32(a, 21), load + offset);
    EXPECT_EQ(le32(a, 25), n);
  }
  Bytes start(20, 0);
  start[0] = 1;
  put32(start, 4, load);
  put32(start, 8, 2049);
  put32(start, 12, testChecksum(image) ^ 1);  // wrong
  put32(start, 16, load);
  EXPECT_EQ(only(av(kLocal, 0xA00C, start))[20], 0x14);
  put32(start, 8, 0xFFFFFFF0);  // far more than was written
  EXPECT_EQ(only(av(kLocal, 0xA00C, start))[20], 0x1C);
  put32(start, 8, 2049);
  put32(start, 12, testChecksum(image));
  Bytes a = only(av(kLocal, 0xA00C, start));
  EXPECT_EQ(le16(a, 15), 0xA00D);
  EXPECT_EQ(a[20], 0);
  clock.sleepMs(1600);
  Bytes v = only(av(kLocalDeviceMac, 0xA000));
  EXPECT_EQ(std::string(v.begin() + 23, v.begin() + 23 + v[22]), version);
}

TEST_F(SimAv, ResetFactoryDefaultsLedAndConfigurationBlock) {
  Bytes led = only(av(kLocal, 0xA094, {1}));
  EXPECT_EQ(le16(led, 15), 0xA095);
  EXPECT_EQ(led[20], 0);
  EXPECT_EQ(simulation->adapter(kLocal)->ledState, 1);

  Bytes cfg = only(av(kLocal, 0xA058));
  EXPECT_EQ(le16(cfg, 15), 0xA059);
  EXPECT_EQ(cfg[20], 0);
  EXPECT_EQ(cfg[21], 84);
  EXPECT_EQ(cfg[22 + 47], 1);  // firmware type

  simulation->adapter(kLocal)->networkKey = deriveNetworkKey("NotDefault");
  Bytes fd = only(av(kLocal, 0xA07C));
  EXPECT_EQ(le16(fd, 15), 0xA07D);
  EXPECT_EQ(fd[20], 0);
  EXPECT_EQ(simulation->adapter(kLocal)->networkKey, deriveNetworkKey("HomePlugAV"));
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
  clock.sleepMs(1500);
  Bytes rs = only(av(kLocal, 0xA01C));
  EXPECT_EQ(le16(rs, 15), 0xA01D);
  EXPECT_EQ(rs[20], 0);
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
}

TEST_F(SimAv, FramesThatAreNoRequestsGoUnanswered) {
  EXPECT_TRUE(exchange(av(kLocal, 0xA001)).empty());  // a confirmation
  EXPECT_TRUE(exchange(av(kLocal, 0xA0FC)).empty());  // unknown request
  Bytes wrongOui = av(kLocal, 0xA000);
  wrongOui[19] = 0x53;
  EXPECT_TRUE(exchange(wrongOui).empty());
  Bytes version = av(kLocal, 0xA000);
  EXPECT_TRUE(exchange(Bytes(version.begin(), version.begin() + 18)).empty());
  Bytes shortSetKey = av(kLocal, 0xA050, {}, 40);
  EXPECT_TRUE(exchange(shortSetKey).empty());
}

TEST(SimNetworkFiles, ShippedFilesLoad) {
  auto dir = std::filesystem::path(STRANDLINE_SOURCE_DIR) / "sim" / "networks";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".json") continue;
    sim::Medium medium;
    std::string error;
    EXPECT_TRUE(sim::loadNetworkFile(entry.path().string(), medium, error)) << error;
    ++files;
  }
  EXPECT_GE(files, 5);
}

TEST(SimNetworkFiles, BadFilesAreRefusedWithTheReason) {
  auto refuse = [](const std::string& json) {
    sim::Medium medium;
    std::string error;
    EXPECT_FALSE(sim::parseNetwork(json, medium, error));
    return error;
  };
  EXPECT_NE(refuse("{ not json").find("not valid JSON"), std::string::npos);
  EXPECT_NE(refuse(R"({"adapters": [{"mac": "02:00:00:00:00:01", "kind": "zz",
      "password": "ABCD-EFGH", "interface": "a"}]})")
                .find("adapter 1: kind"),
            std::string::npos);
  EXPECT_NE(refuse(R"({"adapters": [
      {"mac": "02:00:00:00:00:01", "password": "ABCD-EFGH", "interface": "a"},
      {"mac": "02:00:00:00:00:01", "password": "ABCD-EFGH"}]})")
                .find("appears twice"),
            std::string::npos);
  EXPECT_NE(refuse(R"({"adapters": [{"mac": "02:00:00:00:00:01", "password": "ABCD"}]})")
                .find("nothing is local"),
            std::string::npos);
  EXPECT_NE(refuse(R"({"adapters": [{"mac": "02:00:00:00:00:01", "password": "ABC",
      "interface": "a"}]})")
                .find("password"),
            std::string::npos);
  EXPECT_NE(refuse(R"({"adapters": [{"mac": "02:00:00:00:00:01", "password": "ABCD",
      "interface": "a", "faults": {"loss": 2}}]})")
                .find("faults.loss"),
            std::string::npos);
}

}  // namespace
}  // namespace strandline::testing
