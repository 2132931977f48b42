// strandline-cli qos show|set: the local adapter's quality-of-service
// settings as the QoS page shows them, read from the device; and a change of
// the named settings, written back into the device (committed, restarted).
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/tool_command.h"
#include "core/settings/qos_settings.h"

namespace strandline::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kTrafficNames[4] = {"unicast", "multicast", "igmp", "igmp-stream"};

json showJson(const QosSettings& s) {
  json caps = json::object();
  for (int i = 0; i < 4; ++i) caps[kTrafficNames[i]] = s.defaultCap[i];
  json ttl = json::array();
  for (std::uint32_t us : s.timeToLiveUs) ttl.push_back(us / 1000);
  return {{"vlan", s.vlanTags}, {"tos", s.tosBits},   {"vlanMap", s.vlanCap},
          {"tosMap", s.tosCap}, {"defaultCap", caps}, {"ttl", ttl}};
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ',')) parts.push_back(part);
  if (!text.empty() && text.back() == ',') parts.push_back("");
  return parts;
}

bool parseCap(const std::string& text, std::uint8_t& cap) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '3') return false;
  cap = static_cast<std::uint8_t>(text[0] - '0');
  return true;
}

// The changes `qos set` makes, each applied to the settings as read.
using Change = std::function<void(QosSettings&)>;

bool parseChange(const std::string& option, const std::string& value, std::vector<Change>& out) {
  if (option == "--vlan" || option == "--tos") {
    if (value != "on" && value != "off") return false;
    bool on = value == "on", vlan = option == "--vlan";
    out.push_back([on, vlan](QosSettings& s) { (vlan ? s.vlanTags : s.tosBits) = on; });
    return true;
  }
  std::vector<std::string> parts = split(value);
  if (option == "--vlan-map" || option == "--tos-map") {
    std::array<std::uint8_t, 8> caps{};
    if (parts.size() != 8) return false;
    for (std::size_t p = 0; p < 8; ++p)
      if (!parseCap(parts[p], caps[p])) return false;
    bool vlan = option == "--vlan-map";
    out.push_back([caps, vlan](QosSettings& s) { (vlan ? s.vlanCap : s.tosCap) = caps; });
    return true;
  }
  if (option == "--default-cap") {
    if (parts.empty()) return false;
    for (const std::string& part : parts) {
      std::size_t equals = part.find('=');
      std::uint8_t cap = 0;
      if (equals == std::string::npos || !parseCap(part.substr(equals + 1), cap)) return false;
      std::string name = part.substr(0, equals);
      std::size_t kind = 0;
      while (kind < 4 && name != kTrafficNames[kind]) ++kind;
      if (kind == 4) return false;
      out.push_back([kind, cap](QosSettings& s) { s.defaultCap[kind] = cap; });
    }
    return true;
  }
  if (option == "--ttl") {
    std::array<std::uint32_t, 4> ttl{};
    if (parts.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
      if (!timeToLiveFromText(parts[i], ttl[i])) {
        std::fprintf(stderr, "[%s] %s\n", kQosTimeToLiveRange.caption.c_str(),
                     kQosTimeToLiveRange.text.c_str());
        return false;
      }
    }
    out.push_back([ttl](QosSettings& s) { s.timeToLiveUs = ttl; });
    return true;
  }
  return false;
}

struct QosOptions {
  CommonOptions common;
  std::string data;
  // The changes of `qos set` as given: option name and value, in order.
  std::vector<std::pair<std::string, std::string>> given;
};

int runQos(const QosOptions& o, bool set) {
  const CommonOptions& options = o.common;
  std::vector<Change> changes;
  for (const auto& [option, value] : o.given) {
    if (!parseChange(option, value, changes)) {
      if (option != "--ttl")
        std::fprintf(stderr,
                     "strandline-cli qos set: '%s' is not a value of %s (see 'strandline-cli qos "
                     "set --help')\n",
                     value.c_str(), option.c_str());
      return kExitUsage;
    }
  }
  if (set && changes.empty()) {
    std::fprintf(
        stderr,
        "strandline-cli qos set: nothing to change (see 'strandline-cli qos set --help')\n");
    return kExitUsage;
  }
  const std::string verb = set ? "set" : "show";
  std::string folder;
  if (!settingsFolder(options, o.data, folder)) return kExitFailure;
  std::string path = pibFilePath(folder, PibFile::User);
  return runSettingsCommand(options, [&](const ToolEnvironment& env) {
    QosSettings settings;
    if (!readQosSettings(env, path, settings)) return false;
    if (verb == "show") {
      std::printf("%s\n", showJson(settings).dump(2).c_str());
      return true;
    }
    for (const Change& change : changes) change(settings);
    return writeQosSettings(env, path, settings) == 1;
  });
}

}  // namespace

void addQosCommand(CLI::App& app, Action& action) {
  CLI::App* qos = app.add_subcommand("qos", "the local adapter's quality-of-service settings");
  auto o = std::make_shared<QosOptions>();
  const char* dataHelp =
      "the folder of the saved settings (default: the data folder, its demo folder with "
      "--simulate)";

  CLI::App* show = qos->add_subcommand("show", "the local adapter's QoS settings as JSON");
  addDataOption(*show, o->data, dataHelp);
  addCommonOptions(*show, o->common);
  onRun(*show, action, [o] { return runQos(*o, false); });

  CLI::App* set =
      qos->add_subcommand("set", "change the named settings; committed, and the adapter restarted");
  struct Setting {
    const char* name;
    const char* type;
    const char* help;
  };
  static constexpr Setting kSettings[] = {
      {"--vlan", "on|off", "use the VLAN tags' priority"},
      {"--tos", "on|off", "use the TOS bits' priority"},
      {"--vlan-map", "C,C,C,C,C,C,C,C", "the CAP (0-3) of each of the eight VLAN priorities"},
      {"--tos-map", "C,C,C,C,C,C,C,C", "the CAP (0-3) of each of the eight TOS priorities"},
      {"--default-cap", "KIND=C,...",
       "the CAP of untagged traffic by kind: unicast, multicast, igmp, igmp-stream"},
      {"--ttl", "MS,MS,MS,MS", "the time to live of each CAP, 10-65000 ms"},
  };
  for (const Setting& setting : kSettings) {
    std::string name = setting.name;
    set->add_option_function<std::string>(
           name, [o, name](const std::string& value) { o->given.emplace_back(name, value); },
           setting.help)
        ->type_name(setting.type)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  }
  addDataOption(*set, o->data, dataHelp);
  addCommonOptions(*set, o->common);
  onRun(*set, action, [o] { return runQos(*o, true); });
}

}  // namespace strandline::cli
