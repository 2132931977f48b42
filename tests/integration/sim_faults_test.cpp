// Faults of the simulated adapters change the answers exactly as configured.
#include <gtest/gtest.h>

#include "integration/sim_fixture.h"

namespace strandline::testing {
namespace {

const MacAddress kLocal = {0x02, 0x5A, 0, 0, 0x01, 0x01};
const MacAddress kRemote = {0x02, 0x5A, 0, 0, 0x01, 0x02};

std::string faultNetwork(const std::string& localFaults, const std::string& remoteFaults = "{}") {
  return R"({"adapters": [{"mac": "02:5A:00:00:01:01", "interface": "sl0", "password": "K7QM-2VXA",
      "faults": )" +
         localFaults + R"(}, {"mac": "02:5A:00:00:01:02", "password": "R2D4-MQ8X",
      "faults": )" +
         remoteFaults + "}]}";
}

class SimFaults : public SimFixture {
 protected:
  int answered(int requests) {
    int n = 0;
    for (int i = 0; i < requests; ++i)
      n += static_cast<int>(exchange(av(kLocalDeviceMac, 0xA000)).size());
    return n;
  }
};

TEST_F(SimFaults, LossIsSeededAndRepeatable) {
  load(faultNetwork(R"({"loss": 0.3, "seed": 42})"));
  int first = answered(200);
  EXPECT_GT(first, 100);
  EXPECT_LT(first, 180);
  // The same seed in a fresh simulation loses the same answers.
  load(faultNetwork(R"({"loss": 0.3, "seed": 42})"));
  EXPECT_EQ(answered(200), first);
}

TEST_F(SimFaults, DelayHoldsTheAnswerBack) {
  load(faultNetwork(R"({"delayMs": 40})"));
  std::string error;
  ASSERT_TRUE(port->send(av(kLocalDeviceMac, 0xA000), error));
  EXPECT_TRUE(collect(41).empty());  // 2 ms + 40 ms
  EXPECT_EQ(collect(1).size(), 1u);
}

TEST_F(SimFaults, DuplicatesArriveTwiceAMillisecondApart) {
  load(faultNetwork("{}", R"({"duplicate": true})"));
  auto answers = exchange(av(kRemote, 0xA000));
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0], answers[1]);
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);  // the local adapter is sound
}

TEST_F(SimFaults, WrongOuiAndChosenStatus) {
  load(faultNetwork(R"({"wrongOui": true, "status": {"0xA050": 17, "0xA01C": 2}})"));
  Bytes v = only(av(kLocalDeviceMac, 0xA000));
  EXPECT_EQ(Bytes(v.begin() + 17, v.begin() + 20), (Bytes{0x00, 0xB0, 0x53}));
  Bytes setKey(40, 0);
  setKey[17] = 15;
  EXPECT_EQ(only(av(kLocal, 0xA050, setKey))[20], 17);
  // A refused request changes nothing: still on the default network.
  EXPECT_EQ(simulation->adapter(kLocal)->networkKey, deriveNetworkKey("HomePlugAV"));
  EXPECT_EQ(only(av(kLocal, 0xA01C))[20], 2);
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);  // a refused reset keeps it up
}

TEST_F(SimFaults, RemoteKeyThatReachesNobodyCanBeReported) {
  Bytes payload(40, 0);
  std::fill(payload.begin() + 18, payload.begin() + 24, 0xFF);  // any station with this DAK
  load(faultNetwork(R"({"remoteKeyFailure": 19})"));
  Bytes a = only(av(kLocal, 0xA050, payload));
  EXPECT_EQ(macAt(a, 6), kLocal);
  EXPECT_EQ(a[20], 0x13);
}

TEST_F(SimFaults, CorruptChecksumSpoilsModuleReads) {
  load(faultNetwork(R"({"corruptChecksum": true})"));
  Bytes a = only(av(kLocal, 0xA024, {2, 0, 0x00, 0x04, 0, 0, 0, 0}));
  EXPECT_EQ(a[20], 0);
  EXPECT_NE(testChecksum(ByteView(a.data() + 36, 1024), le32(a, 32)), 0u);

  // At one offset only, and good when asked for again at once.
  load(faultNetwork(R"({"corruptChecksumAt": 1024})"));
  auto checks = [&](std::uint8_t offsetHigh) {
    Bytes b = only(av(kLocal, 0xA024, {2, 0, 0x00, 0x04, 0, offsetHigh, 0, 0}));
    return testChecksum(ByteView(b.data() + 36, 1024), le32(b, 32)) == 0;
  };
  EXPECT_TRUE(checks(0));
  EXPECT_FALSE(checks(4));
  EXPECT_TRUE(checks(4));
  EXPECT_TRUE(checks(0));
  EXPECT_FALSE(checks(4));
}

TEST_F(SimFaults, UnplugAndReplug) {
  load(faultNetwork("{}", R"({"unplugAtMs": 100, "replugAtMs": 300})"));
  EXPECT_EQ(only(av(kLocalDeviceMac, 0xA038))[38], 1);
  clock.sleepMs(100);
  EXPECT_EQ(only(av(kLocalDeviceMac, 0xA038))[38], 0);  // gone from the network
  EXPECT_TRUE(exchange(av(kRemote, 0xA000)).empty());
  clock.sleepMs(200);
  EXPECT_EQ(only(av(kLocalDeviceMac, 0xA038))[38], 1);

  // Attaching again (a second host) does not schedule the faults twice.
  simulation->attach(link);
  clock.sleepMs(100);
  EXPECT_EQ(only(av(kLocalDeviceMac, 0xA038))[38], 1);

  // An unplugged local adapter answers nothing, and carries nothing.
  simulation->unplug(kLocal);
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
  EXPECT_TRUE(exchange(av(kRemote, 0xA000)).empty());
  simulation->replug(kLocal);
  EXPECT_EQ(exchange(av(kRemote, 0xA000)).size(), 1u);
}

TEST_F(SimFaults, SlowRebootKeepsTheDeviceDownLonger) {
  load(faultNetwork(R"({"rebootMs": 5000})"));
  EXPECT_EQ(only(av(kLocal, 0xA01C))[20], 0);
  clock.sleepMs(4950);
  EXPECT_TRUE(exchange(av(kLocalDeviceMac, 0xA000)).empty());
  clock.sleepMs(50);
  EXPECT_EQ(exchange(av(kLocalDeviceMac, 0xA000)).size(), 1u);
}

}  // namespace
}  // namespace strandline::testing
