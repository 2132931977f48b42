// The frame link a subcommand runs on: libpcap on the allowed interfaces, or
// the in-process simulator on virtual time (--simulate FILE).
#pragma once

#include <memory>
#include <string>

#include "cli/options.h"
#include "platform/clock.h"
#include "platform/frame_link.h"

namespace strandline::sim {
class Simulation;
}

namespace strandline::cli {

struct LinkSetup {
  std::unique_ptr<Clock> clock;
  std::unique_ptr<FrameLink> link;
  std::shared_ptr<sim::Simulation> simulation;  // only with --simulate
  ~LinkSetup();
};

bool MakeLink(const CommonOptions& options, LinkSetup& setup, std::string& error);

}  // namespace strandline::cli
