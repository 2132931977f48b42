#include "cli/options.h"

#include "platform/pcap_link.h"

namespace strandline::cli {

bool parsePositive(const std::string& text, int& out) {
  try {
    std::size_t used = 0;
    int v = std::stoi(text, &used);
    if (used != text.size() || v < 1) return false;
    out = v;
    return true;
  } catch (...) {
    return false;
  }
}

bool parseCommonOptions(const Args& args, CommonOptions& options, Args& rest) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--interface" || a == "--simulate") {
      if (i + 1 >= args.size()) return false;
      if (a == "--interface")
        options.interfaces.push_back(args[++i]);
      else
        options.simulateFile = args[++i];
      continue;
    }
    rest.push_back(a);
  }
  if (options.interfaces.empty()) options.interfaces = interfacesFromEnvironment();
  return true;
}

}  // namespace strandline::cli
