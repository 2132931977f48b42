// The network-information confirmation as the scan of an AV network takes it:
// the answer to the network-information request fills the station table, and
// every station it lists is asked for its firmware (answered by later bursts).
// Mode bit 0: the local adapter is of the TSC4000 family, whose confirmation
// carries the version-1 header.
#include <cstdlib>

#include "core/discovery/network_scan.h"
#include "fuzz/receive_harness.h"

namespace strandline::fuzz {

int fuzzNetworkInfo(ByteView input) {
  bool versionOne = !input.empty() && (input[0] & 1);
  ReceiveHarness harness(input, versionOne ? kKindAvTsc4000 : kKindAv);
  ProgramContext& ctx = harness.ctx();
  scanAvNetwork(ctx, kAdapterMac);
  // A station in the table has an address of its own. (The local adapter is
  // left out as well, but a received frame sent to its own sender names the
  // local adapter anew, so a listed station may become it.)
  if (!stationsHaveOwnAddresses(ctx)) std::abort();
  return 0;
}

std::vector<Bytes> networkInfoSeeds() {
  const MacAddress second{0x02, 0x46, 0x5A, 0x00, 0x00, 0x04};
  Bytes version = avFrame(kStationMac, 0xA001,
                          {0, 4, 11, 'T', 'S', 'C', '4', '0', '0', '0', '-', '1', '.', '0'}, 88);
  std::vector<Bytes> seeds;
  for (bool versionOne : {false, true}) {
    const std::size_t first = versionOne ? 60 : 39, size = versionOne ? 24 : 15;
    Bytes info = avFrame(kAdapterMac, 0xA039, {}, first + 2 * size, versionOne);
    info[versionOne ? 27 : 20] = 1;  // one network
    info[versionOne ? 54 : 38] = 2;  // two stations
    for (std::size_t i = 0; i < 2; ++i) {
      const MacAddress& mac = i ? second : kStationMac;
      std::copy(mac.begin(), mac.end(), info.begin() + first + i * size);
      info[first + i * size + (versionOne ? 16 : 13)] = 120;  // TX
      info[first + i * size + (versionOne ? 20 : 14)] = 90;   // RX
    }
    Bytes secondVersion = version;
    std::copy(second.begin(), second.end(), secondVersion.begin() + 6);
    seeds.push_back(seedInput(versionOne, {{}, {info}, {version}, {secondVersion}}));
  }
  return seeds;
}

}  // namespace strandline::fuzz
