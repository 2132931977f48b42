// AV firmware upgrade timings on a real card: the median round trip of a
// version query, then the upgrade transfer of a firmware file (module writes
// of the file and the block, the commit) set against its number of round
// trips times that median, and one whole upgrade with its fixed waits (the
// restart pause and the factory reset's settling time).
// upgrade_veth.sh runs it in the lab's computer namespace, against the daemon.
//
//   upgrade_veth IFNAME NVM PIB [QUERIES] [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/device_ops/av_upgrade.h"
#include "core/device_ops/device_operations.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/pcap_link.h"
#include "protocol/device_tool_frames.h"

using namespace strandline;
using Steady = std::chrono::steady_clock;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double elapsedMs(Steady::time_point t0) {
  return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

std::size_t chunks(std::size_t bytes) {
  return (bytes + 1023) / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: upgrade_veth IFNAME NVM PIB [QUERIES] [REPEATS]\n");
    return 2;
  }
  const std::string ifName = argv[1], nvm = argv[2], pib = argv[3];
  const int queries = argc > 4 ? std::atoi(argv[4]) : 1000;
  const int repeats = argc > 5 ? std::atoi(argv[5]) : 3;

  PcapLink link(interfacesFromEnvironment());
  std::vector<CardInfo> cards;
  std::string error;
  MacAddress cardMac{};
  if (link.listCards(cards, error))
    for (const CardInfo& c : cards)
      if (c.name == ifName) cardMac = c.mac;
  SystemClock clock;
  RecordingPrompter prompter;
  std::ostringstream lines;
  ToolEnvironment env{link, clock, prompter};
  env.cardMac = cardMac;
  env.report = &lines;

  // The round trip, and the adapter's own address from its answers.
  std::vector<double> rtts;
  MacAddress adapter{};
  int answered = runToolOperation(env, false, [&](ToolSession& s) {
    s.flags |= kToolSilent;
    for (int i = 0; i < queries; ++i) {
      auto t0 = Steady::now();
      s.messageLength =
          buildToolRequest(s.buffer, s.channel.peer, s.channel.host, kToolVersionRequest);
      if (s.send() <= 0 || s.receive(toolConfirmOf(kToolVersionRequest)) <= 0) return -1;
      rtts.push_back(elapsedMs(t0));
    }
    std::copy_n(s.buffer.begin() + 6, 6, adapter.begin());
    return 0;
  });
  if (answered != 0) {
    std::fprintf(stderr, "upgrade_veth: the adapter on %s does not answer\n", ifName.c_str());
    return 1;
  }
  const double rtt = median(rtts);
  std::printf("version query round trip: median %.3f ms (%d queries)\n", rtt, queries);

  ReadFileResult firmware = readWholeFile(systemFileOps(), nvm, 64u << 20);
  ReadFileResult block = readWholeFile(systemFileOps(), pib, 1u << 16);
  // Module writes of both files in 1024-byte chunks, then the commit.
  const std::size_t roundTrips = chunks(firmware.data.size()) + chunks(block.data.size()) + 1;
  AvUpgradeRequest request{adapter, 19, pib, nvm, "/dev/null"};
  auto waitForDevice = [&] {
    runToolOperation(env, true, [](ToolSession& s) {
      s.flags |= kToolSilent;
      return waitForStart(s);
    });
  };
  std::vector<double> transfers;
  for (int i = 0; i < repeats; ++i) {
    auto t0 = Steady::now();
    AvUpgradeOutcome out = runAvUpgradeProcedure(env, request, {});
    if (!out.upgraded) {
      std::fprintf(stderr, "upgrade_veth: transfer %d failed\n%s", i, lines.str().c_str());
      return 1;
    }
    transfers.push_back(elapsedMs(t0));
    clock.sleepMs(500);  // the adapter goes down after the commit
    waitForDevice();
  }
  const double limit = static_cast<double>(roundTrips) * rtt;
  std::printf(
      "upgrade transfer of %zu bytes   %5zu round trips  median %8.1f ms  (min %8.1f, max %8.1f)  "
      "limit %7.1f ms  ratio %.2f\n",
      firmware.data.size() + block.data.size(), roundTrips, median(transfers),
      *std::min_element(transfers.begin(), transfers.end()),
      *std::max_element(transfers.begin(), transfers.end()), limit, median(transfers) / limit);

  request.defaultPibPath = "/tmp/upgrade_veth_default.pib";
  auto t0 = Steady::now();
  AvUpgradeOutcome whole = runAvUpgrade(env, request, {});
  double wholeMs = elapsedMs(t0);
  std::printf("whole upgrade (transfer, %u ms restart pause, factory reset, save): %.1f ms, %s\n",
              kUpgradeRestartPauseMs, wholeMs,
              whole.upgraded && whole.defaultSaved ? "ok" : "FAILED");
  std::remove(request.defaultPibPath.c_str());
  return whole.upgraded ? 0 : 1;
}
