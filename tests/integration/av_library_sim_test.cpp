// The AV message library against the simulated adapters, over the card table:
// the simulator parses requests and builds answers with its own code, so a
// misread offset on either side shows here.
#include <gtest/gtest.h>

#include <array>

#include "core/av_confirm.h"
#include "core/card_table.h"
#include "integration/sim_fixture.h"
#include "protocol/av_messages.h"

namespace strandline::testing {
namespace {

const char* kNetwork = R"({"adapters": [
  {"mac": "02:5A:00:00:01:01", "interface": "sl0", "password": "K7QM"},
  {"mac": "02:5A:00:00:01:02", "deviceId": 1, "password": "R2D4"}]})";

const MacAddress kLocal = {0x02, 0x5A, 0, 0, 0x01, 0x01};

class AvLibraryOnSim : public SimFixture {
 protected:
  void SetUp() override {
    load(kNetwork);
    table.link = &link;
    openAllCards(table);
    ASSERT_EQ(table.count, 1);
  }

  // Sends the n bytes built into buffer and waits for the confirmation of their type.
  bool exchange(std::size_t n) {
    if (n == 0 || sendFrame(table, 0, buffer.data(), static_cast<std::uint16_t>(n)) != 1)
      return false;
    return awaitConfirm(wait, static_cast<std::uint16_t>(buffer[15] | buffer[16] << 8), result);
  }

  // Runs the transfer begun to its end; the chunks read are appended to `read`.
  void runTransfer(Bytes& read) {
    for (int requests = 0; requests < 200; ++requests) {
      ASSERT_TRUE(exchange(thpapiNextRequest(lib, buffer))) << "request " << requests;
      if (result.operation == kOperationModuleRead && result.dataValid) {
        std::uint32_t length = le32(Bytes(result.data.begin(), result.data.begin() + 9), 5);
        read.insert(read.end(), result.data.begin() + 9, result.data.begin() + 9 + length);
      }
      if (result.completion == 2) return;
    }
    FAIL() << "the transfer did not end";
  }

  CardTable table;
  ThpapiContext lib;
  ConfirmWait wait{table, lib, clock};
  ThpapiResult result;
  std::array<std::uint8_t, 1528> buffer{};
};

TEST_F(AvLibraryOnSim, ReadsTheParameterBlockAndTheFirmwareModule) {
  ASSERT_EQ(thpapiBeginModuleRead(lib, host, kLocalDeviceMac, 2), 0);
  Bytes pib;
  runTransfer(pib);
  EXPECT_EQ(pib, simulation->adapter(kLocal)->pib);

  ASSERT_EQ(thpapiBeginModuleRead(lib, host, kLocalDeviceMac, 1), 0);
  Bytes firmware;
  runTransfer(firmware);
  EXPECT_EQ(firmware, simulation->adapter(kLocal)->firmwareImage);
}

}  // namespace
}  // namespace strandline::testing
