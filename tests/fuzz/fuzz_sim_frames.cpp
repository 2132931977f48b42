// Arbitrary frames sent to a simulated network with AV, HomePlug 1.0 and
// Boost local adapters. The devices keep their state from frame to frame, as
// real ones do; the first input byte picks the card.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "sim/network_file.h"
#include "sim/simulation.h"

namespace {

const char* kNetwork = R"({ "adapters": [
  { "mac": "02:5A:00:00:01:01", "kind": "av", "interface": "av0", "password": "AAAA-BBBB-CCCC-DDDD" },
  { "mac": "02:5A:00:00:01:02", "kind": "av", "deviceId": 4, "password": "AAAA-BBBB-CCCC-EEEE" },
  { "mac": "02:5A:00:00:10:01", "kind": "hp10", "interface": "hp0", "password": "AAAA-BBBB-CCCC-FFFF" },
  { "mac": "02:5A:00:00:10:02", "kind": "hp10", "password": "AAAA-BBBB-CCCC-GGGG" },
  { "mac": "02:5A:00:00:20:01", "kind": "boost", "interface": "bo0", "password": "AAAA-BBBB-CCCC-HHHH" },
  { "mac": "02:5A:00:00:20:02", "kind": "boost", "password": "AAAA-BBBB-CCCC-IIII" }
] })";

strandline::sim::Simulation& sharedSimulation() {
  static std::unique_ptr<strandline::sim::Simulation> simulation = [] {
    strandline::sim::Medium medium;
    std::string error;
    if (!strandline::sim::parseNetwork(kNetwork, medium, error)) __builtin_trap();
    auto s = std::make_unique<strandline::sim::Simulation>(std::move(medium));
    static std::uint64_t now = 0;
    // Answers are built at once and dropped; time moves on with every event.
    s->setHost({[] { return now; },
                [](std::uint64_t delay, std::function<void()> fn) {
                  now += delay;
                  fn();
                },
                [](const std::string&, strandline::ByteView) {}});
    return s;
  }();
  return *simulation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* cards[] = {"av0", "hp0", "bo0"};
  sharedSimulation().receive(cards[data[0] % 3], strandline::ByteView(data + 1, size - 1));
  return 0;
}
