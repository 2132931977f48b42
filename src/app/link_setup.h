// The frame link a program runs on: libpcap on the allowed interfaces, or the
// in-process simulator (a network file). The command line runs the simulator
// on virtual time; the window runs it paced, so simulated time passes at real
// speed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/frame_link.h"

namespace strandline::sim {
class Simulation;
}

namespace strandline::app {

struct LinkSetup {
  std::unique_ptr<Clock> clock;
  std::unique_ptr<FrameLink> link;
  std::shared_ptr<sim::Simulation> simulation;  // only on the simulator
  ~LinkSetup();
};

struct LinkOptions {
  std::vector<std::string> interfaces;  // the cards libpcap may use (empty: all)
  std::string simulateFile;             // non-empty: the in-process simulator
  bool paced = false;                   // simulated time runs at real speed
};

bool makeLink(const LinkOptions& options, LinkSetup& setup, std::string& error);

}  // namespace strandline::app
