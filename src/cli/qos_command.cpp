// strandline-cli qos show|set: the local adapter's quality-of-service
// settings as the QoS page shows them, read from the device; and a change of
// the named settings, written back into the device (committed, restarted).
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/commands.h"
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

}  // namespace

int runQos(const Args& args) {
  CommonOptions options;
  Args rest;
  if (!parseCommonOptions(args, options, rest) || rest.empty()) return usage(kQosSynopsis);
  std::string verb = rest[0], data;
  std::vector<Change> changes;
  for (std::size_t i = 1; i < rest.size(); i += 2) {
    if (i + 1 >= rest.size()) return usage(kQosSynopsis);
    if (rest[i] == "--data")
      data = rest[i + 1];
    else if (verb != "set" || !parseChange(rest[i], rest[i + 1], changes))
      return usage(kQosSynopsis);
  }
  if (verb != "show" && verb != "set") return usage(kQosSynopsis);
  if (verb == "set" && changes.empty()) return usage(kQosSynopsis);
  std::string folder;
  if (!settingsFolder(options, data, folder)) return kExitFailure;
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

}  // namespace strandline::cli
