#include "cli/options.h"

#include <charconv>
#include <cstdio>

#include "platform/pcap_link.h"

namespace strandline::cli {

bool parseNumberOption(const std::string& option, const std::string& text, int low, int high,
                       int& out) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
    std::fprintf(stderr, "strandline-cli: %s takes a number from %d to %d\n", option.c_str(), low,
                 high);
    return false;
  }
  out = value;
  return true;
}

bool parseDeviceMac(const std::string& text, MacAddress& out) {
  MacAddress mac{};
  const char* problem = nullptr;
  if (!parseMac(text, mac))
    problem = "is not a MAC address";
  else if (mac == kBroadcastMac)
    problem = "is the broadcast address, not a device";
  else if (mac[0] & 0x01)
    problem = "is a multicast address, not a device";
  else if (!macIsSet(mac.data()))
    problem = "is the all-zero address, not a device";
  else if (mac == kLocalDeviceMac)
    problem = "is the local management address (any adapter on the card answers it), not a device";
  if (problem) {
    std::fprintf(stderr, "strandline-cli: '%s' %s\n", text.c_str(), problem);
    return false;
  }
  out = mac;
  return true;
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
