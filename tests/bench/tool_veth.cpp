// Device-operation timings on a real card: the median round trip of a
// firmware version query, then whole parameter block reads and 1 MiB firmware
// writes, each set against its number of round trips times that median.
// tool_veth.sh runs it in the lab's computer namespace, against the daemon.
//
//   tool_veth IFNAME [QUERIES] [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "core/device_ops/device_operations.h"
#include "core/device_ops/pib_modify.h"
#include "platform/clock.h"
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

double quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// The time f takes in microseconds, or -1 if it failed.
template <typename F>
double timeUs(F&& f) {
  auto t0 = Steady::now();
  bool ok = f();
  return ok ? std::chrono::duration<double, std::micro>(Steady::now() - t0).count() : -1;
}

void report(const char* what, std::size_t roundTrips, const std::vector<double>& us, double rtt) {
  double m = median(us);
  double limit = static_cast<double>(roundTrips) * rtt;
  std::printf(
      "%-32s %5zu round trips  median %9.1f ms  (min %9.1f, max %9.1f)  limit %8.1f ms  "
      "ratio %.2f\n",
      what, roundTrips, m / 1000, *std::min_element(us.begin(), us.end()) / 1000,
      *std::max_element(us.begin(), us.end()) / 1000, limit / 1000, m / limit);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tool_veth IFNAME [QUERIES] [REPEATS]\n");
    return 2;
  }
  const std::string ifName = argv[1];
  const int queries = argc > 2 ? std::atoi(argv[2]) : 1000;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 9;

  PcapLink link(interfacesFromEnvironment());
  std::vector<CardInfo> cards;
  std::string error;
  MacAddress cardMac{};
  if (link.listCards(cards, error))
    for (const CardInfo& c : cards)
      if (c.name == ifName) cardMac = c.mac;
  SystemClock clock;
  RecordingPrompter prompter;
  ToolSession session(clock, std::cerr);
  session.flags |= kToolSilent;  // error lines only
  if (openToolChannelOnCurrentCard(session, link, cardMac, prompter, false) != 0) {
    std::fprintf(stderr, "tool_veth: cannot open a tool channel on %s\n", ifName.c_str());
    return 1;
  }

  std::vector<double> rtts;
  for (int i = 0; i < queries; ++i) {
    rtts.push_back(timeUs([&] {
      session.messageLength = buildToolRequest(session.buffer, session.channel.peer,
                                               session.channel.host, kToolVersionRequest);
      return session.send() > 0 && session.receive(toolConfirmOf(kToolVersionRequest)) > 0;
    }));
    if (rtts.back() < 0) {
      std::fprintf(stderr, "tool_veth: version query %d unanswered\n", i);
      return 1;
    }
  }
  const double rtt = median(rtts);
  std::printf("version query round trip: median %.1f us, p10 %.1f, p90 %.1f (%d queries)\n", rtt,
              quantile(rtts, 0.1), quantile(rtts, 0.9), queries);

  std::vector<double> reads;
  Bytes block;
  for (int i = 0; i < repeats; ++i) {
    reads.push_back(timeUs([&] { return readParameterBlock(session, block) == 0; }));
    if (reads.back() < 0) return 1;
  }
  const std::size_t blockLength = block.size();
  report("parameter block read", (blockLength + kToolChunkLength - 1) / kToolChunkLength, reads,
         rtt);

  Bytes firmware(1u << 20);
  std::mt19937 random(12);
  for (auto& b : firmware) b = static_cast<std::uint8_t>(random());
  std::vector<double> writes;
  for (int i = 0; i < repeats; ++i) {
    writes.push_back(timeUs(
        [&] { return writeModule(session, kToolModuleFirmware, firmware, "bench.nvm") == 0; }));
    if (writes.back() < 0) return 1;
  }
  report("1 MiB firmware write", firmware.size() / kToolChunkLength, writes, rtt);
  closeToolChannel(session.channel);
  return 0;
}
