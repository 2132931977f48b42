// A Boost HomePlug 1.0 adapter's answers to the identity probe, the version
// string and current key reads and the statistics request (one burst each),
// all taken by the Boost answer handler, which hands the plain HomePlug 1.0
// frames of the scan on to the scan's handler.
#include <cstdlib>

#include "core/discovery/boost_adapter.h"
#include "fuzz/receive_harness.h"

namespace strandline::fuzz {

int fuzzBoostAnswers(ByteView input) {
  ReceiveHarness harness(input, kKindBoost);
  ProgramContext& ctx = harness.ctx();
  std::string text;
  probeBoostAdapter(ctx);
  requestVersionString(ctx);
  pollHp10(ctx, &text);
  requestCurrentKey(ctx);
  pollHp10(ctx, &text);
  requestStatistics(ctx, kAdapterMac);
  pollHp10(ctx, &text);
  const BoostState& boost = ctx.boost;
  if (boost.firmware.size() > 64 || boost.vendor.size() > 79 || boost.product.size() > 79 ||
      boost.versionString.size() > 64)
    std::abort();
  return 0;
}

std::vector<Bytes> boostAnswersSeeds() {
  auto answer = [](const MacAddress& from, std::uint8_t code, const Bytes& data) {
    Bytes all = {0x00, 0x04, 0x87, static_cast<std::uint8_t>(code | 0x80)};
    all.insert(all.end(), data.begin(), data.end());
    return hp1Frame(from, 0x02, all);
  };
  const Bytes names = {4, 'A', 'B', 'C', 'D', 3, 'X', 'Y', 'Z'};
  Bytes identity = {0, 0, 2, 1, 6};
  identity.insert(identity.end(), names.begin(), names.end());
  Bytes remote = identity;
  remote[0] = 1;
  Bytes rates(kStationMac.begin(), kStationMac.end());
  rates.insert(rates.end(), {0x01, 0x20, 0, 0, 0, 0, 0, 0});
  const Bytes version = {0x20, 'B', 'O', 'O', 'S', 'T', ' ', 'v', '1', '.', '6', '.', '0'};
  const Bytes key = {0x21, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  return {seedInput(0, {{},
                        {answer(kAdapterMac, 0x10, identity), answer(kStationMac, 0x10, remote)},
                        {hp1Frame(kAdapterMac, 0x13, version)},
                        {hp1Frame(kAdapterMac, 0x13, key)},
                        {answer(kAdapterMac, 0x18, rates)}})};
}

}  // namespace strandline::fuzz
