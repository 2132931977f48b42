#include "cli/options.h"

#include <charconv>
#include <cstdio>

#include "platform/pcap_link.h"

namespace strandline::cli {

std::vector<std::string> CommonOptions::interfacesToUse() const {
  return interfaces.empty() ? interfacesFromEnvironment() : interfaces;
}

bool parseNumber(const std::string& text, int low, int high, int& out) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
    return false;
  out = value;
  return true;
}

CLI::Validator numberIn(int low, int high) {
  std::string refusal =
      "takes a number from " + std::to_string(low) + " to " + std::to_string(high);
  return CLI::Validator(
      [=](std::string& text) {
        int value = 0;
        return parseNumber(text, low, high, value) ? std::string() : refusal;
      },
      "");
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

void addInterfaceOption(CLI::App& app, CommonOptions& options) {
  app.add_option("--interface", options.interfaces,
                 "network interface that may be used (repeatable; default: STRANDLINE_INTERFACES, "
                 "else every Ethernet card)")
      ->type_name("IF")
      ->allow_extra_args(false);
}

void addCommonOptions(CLI::App& app, CommonOptions& options) {
  addInterfaceOption(app, options);
  app.add_option("--simulate", options.simulateFile,
                 "run against the simulated network described in FILE instead of the cards")
      ->type_name("FILE");
}

CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int& value, int low, int high,
                             const std::string& help) {
  return app.add_option(name, value, help)->type_name("N")->check(numberIn(low, high));
}

CLI::Option* addJsonFlag(CLI::App& app, bool& value, const std::string& help) {
  return app.add_flag("--json", value, help);
}

CLI::Option* addDatabaseOption(CLI::App& app, std::string& path, const std::string& help) {
  return app.add_option("--db", path, help)->type_name("FILE");
}

CLI::Option* addDataOption(CLI::App& app, std::string& folder, const std::string& help) {
  return app.add_option("--data", folder, help)->type_name("DIR");
}

void onRun(CLI::App& sub, Action& action, Action run) {
  sub.callback([&action, run = std::move(run)] { action = run; });
}

}  // namespace strandline::cli
