// The frame link of a subcommand, from its common options (see app/link_setup.h).
#pragma once

#include <string>

#include "app/link_setup.h"
#include "cli/options.h"

namespace strandline::cli {

using app::LinkSetup;

inline bool makeLink(const CommonOptions& options, LinkSetup& setup, std::string& error) {
  return app::makeLink({options.interfacesToUse(), options.simulateFile, false}, setup, error);
}

}  // namespace strandline::cli
