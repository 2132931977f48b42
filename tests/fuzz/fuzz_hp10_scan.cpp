// A standard HomePlug 1.0 adapter through one scan cycle: before each tick the
// scan's frame handler takes what arrived (station replies, local parameters,
// network statistics); at the cycle's end come the ageing of stations and a
// detection pass, whose receive watcher takes the network-statistics reply
// and runs the local-parameter query. Mode bit 0: the adapter has answered
// before (its parameters are valid); bit 1: local parameters were read before.
#include <cstdlib>

#include "core/discovery/network_scan.h"
#include "fuzz/receive_harness.h"

namespace strandline::fuzz {

int fuzzHp10Scan(ByteView input) {
  ReceiveHarness harness(input, kKindHomePlug10);
  ProgramContext& ctx = harness.ctx();
  ctx.currentAdapter().paramsValid = harness.mode() & 1;
  ctx.hp1LocalParamsSeen = harness.mode() & 2;
  ctx.scan.ticksPerPhase = 2;  // every phase gets a tick of its own
  startScanTimer(ctx);
  for (int tick = 0; tick < 20 && ctx.scan.cyclesCompleted == 0; ++tick) {
    harness.clock().sleepMs(scanTimerPeriodMs(ctx.scan.ticksPerPhase));
    scanTick(ctx);
  }
  if (ctx.scan.cyclesCompleted != 1) std::abort();
  const AdapterNetwork& network = ctx.currentNetwork();
  if (network.stationCount < 0 || network.stationCount > static_cast<int>(kMaxStations) ||
      !stationsHaveOwnAddresses(ctx))
    std::abort();
  return 0;
}

std::vector<Bytes> hp10ScanSeeds() {
  const MacAddress second{0x02, 0x46, 0x5A, 0x00, 0x00, 0x04};
  Bytes stats = hp1Frame(kAdapterMac, 26, Bytes(7 + 2 * 12, 0), kAdapterMac);
  stats[17] = 3;  // the adapter's kind
  for (std::size_t i = 0; i < 2; ++i) {
    const MacAddress& mac = i ? second : kStationMac;
    std::copy(mac.begin(), mac.end(), stats.begin() + 24 + 12 * i);
    stats[30 + 12 * i] = static_cast<std::uint8_t>(0x40 + i);  // raw rate, low byte
    stats[31 + 12 * i] = 0x02;
  }
  std::vector<Bytes> seeds;
  for (std::uint8_t mode : {0, 1}) {
    Bytes params(51);
    params[0] = mode ? 1 : 2;  // the image the scan asked for
    for (std::size_t i = 1; i < params.size(); ++i) params[i] = static_cast<std::uint8_t>(i * 7);
    Bytes local = hp1Frame(kAdapterMac, 25, params, kAdapterMac);
    std::vector<std::vector<Bytes>> bursts = {{hp1Frame(second, 8, {}), stats, local}};
    bursts.resize(16, {local});
    seeds.push_back(seedInput(mode, bursts));
  }
  return seeds;
}

}  // namespace strandline::fuzz
