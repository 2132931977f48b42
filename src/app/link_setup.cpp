#include "app/link_setup.h"

#include "platform/memory_link.h"
#include "platform/pcap_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"

namespace strandline::app {

LinkSetup::~LinkSetup() {
  // The link goes first: its ports refer to nothing else, the simulation to the link.
  link.reset();
  simulation.reset();
}

bool makeLink(const LinkOptions& options, LinkSetup& setup, std::string& error) {
  if (options.simulateFile.empty()) {
    setup.clock = std::make_unique<SystemClock>();
    setup.link = std::make_unique<PcapLink>(options.interfaces);
    return true;
  }
  sim::Medium medium;
  if (!sim::loadNetworkFile(options.simulateFile, medium, error)) return false;
  auto clock = std::make_unique<VirtualClock>(options.paced);
  auto link = std::make_unique<MemoryLink>(*clock);
  auto simulation = std::make_shared<sim::Simulation>(std::move(medium));
  VirtualClock* c = clock.get();
  MemoryLink* l = link.get();
  simulation->setHost(
      {[c] { return c->nowMs(); },
       [c](std::uint64_t delay, std::function<void()> fn) { c->scheduleIn(delay, std::move(fn)); },
       [l](const std::string& card, ByteView frame) { l->deliver(card, frame); }});
  simulation->attach(*link);
  setup.clock = std::move(clock);
  setup.link = std::move(link);
  setup.simulation = std::move(simulation);
  return true;
}

}  // namespace strandline::app
