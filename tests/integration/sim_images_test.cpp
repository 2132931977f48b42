// The parameter blocks and firmware images the simulated devices hold pass the
// system's own readers: attach with every content rule, the identity fields,
// and the full firmware file check.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/keys.h"
#include "firmware/firmware_image.h"
#include "firmware/parameter_block.h"
#include "integration/sim_fixture.h"
#include "sim/parameter_block.h"

namespace strandline::testing {
namespace {

void expectSoundBlock(Bytes pib, const sim::Adapter& a) {
  ParameterBlockImage image;
  ASSERT_EQ(image.attach(pib), PibStatus::Ok) << macToText(a.mac);
  MacAddress mac{};
  Key16 dak{}, nmk{};
  Nid nid{};
  EXPECT_EQ(image.getMac(mac), PibStatus::Ok);
  EXPECT_EQ(image.getDak(dak), PibStatus::Ok);
  EXPECT_EQ(image.getNmk(nmk), PibStatus::Ok);
  EXPECT_EQ(image.getNid(nid), PibStatus::Ok);
  EXPECT_EQ(mac, a.mac);
  EXPECT_EQ(dak, a.deviceKey);
  EXPECT_EQ(nmk, a.networkKey);
  EXPECT_EQ(nid, deriveNid(nmk, 0));
}

TEST(SimImages, EveryShippedDevicePassesTheSystemsReaders) {
  auto dir = std::filesystem::path(STRANDLINE_SOURCE_DIR) / "sim" / "networks";
  int devices = 0;
  for (const char* name : {"home.json", "tsc4000.json", "large32.json"}) {
    sim::Medium medium;
    std::string error;
    ASSERT_TRUE(sim::loadNetworkFile((dir / name).string(), medium, error)) << error;
    for (const auto& a : medium.adapters()) {
      expectSoundBlock(a->pib, *a);
      ParameterBlockImage factory;
      Bytes block = a->factoryPib;
      EXPECT_EQ(factory.attach(block), PibStatus::Ok);
      NvmCheck check = checkNvmFile(a->firmwareImage, name);
      EXPECT_TRUE(check.ok) << check.message;
      EXPECT_EQ(check.blocks.size(), 2u);
      ++devices;
    }
  }
  EXPECT_EQ(devices, 6 + 4 + 33);
}

const char* kNetwork = R"({ "adapters": [
  { "mac": "02:5A:00:00:01:01", "kind": "av", "interface": "sl0", "password": "K7QM-2VXA-98RT-ZP4L" }
] })";

class SimImagesAfterChanges : public SimFixture {};

TEST_F(SimImagesAfterChanges, BlockStaysSoundWhenTheKeyChanges) {
  load(kNetwork);
  sim::Adapter& a = *simulation->adapter(macOf("02:5A:00:00:01:01"));
  Key16 nmk = deriveNetworkKey("ChangedNet1");
  Bytes payload(40, 0);
  std::copy(nmk.begin(), nmk.end(), payload.begin() + 1);
  payload[17] = 15;
  ASSERT_EQ(only(av(a.mac, 0xA050, payload))[20], 0);
  expectSoundBlock(a.pib, a);

  // A block the system patches and reseals is taken back by the device.
  ParameterBlockImage image;
  Bytes block = a.pib;
  ASSERT_EQ(image.attach(block), PibStatus::Ok);
  ASSERT_EQ(image.setNmk(deriveNetworkKey("Resealed22"), 0), PibStatus::Ok);
  ASSERT_EQ(image.reseal(block), PibStatus::Ok);
  EXPECT_EQ(sim::checkParameterBlock(block), sim::PibCheck::Ok);
}

}  // namespace
}  // namespace strandline::testing
