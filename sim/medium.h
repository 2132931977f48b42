// The powerline medium: every simulated adapter, plugged or not, and who can
// hear whom. HomePlug AV adapters holding the same NMK form one network,
// HomePlug 1.0 adapters holding the same NEK another; the two families never
// share a network.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/adapter.h"

namespace strandline::sim {

class Medium {
 public:
  Adapter& add(Adapter adapter);

  std::vector<std::unique_ptr<Adapter>>& adapters() { return adapters_; }
  const std::vector<std::unique_ptr<Adapter>>& adapters() const { return adapters_; }
  Adapter* find(const MacAddress& mac);
  // The local adapter attached to a card, if any.
  Adapter* localOn(const std::string& card);

  // Plugged, up at `nowMs`, and on the same network (same family and key).
  static bool sameNetwork(const Adapter& a, const Adapter& b);
  static bool up(const Adapter& a, std::uint64_t nowMs) {
    return a.plugged && nowMs >= a.downUntilMs;
  }
  // The other members of a's network that are up, in file order.
  std::vector<Adapter*> peersOf(const Adapter& a, std::uint64_t nowMs);
  // All members of a's network (a included) that are up, in file order; the
  // first is the central coordinator.
  std::vector<Adapter*> networkOf(const Adapter& a, std::uint64_t nowMs);

 private:
  std::vector<std::unique_ptr<Adapter>> adapters_;
};

}  // namespace strandline::sim
