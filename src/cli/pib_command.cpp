// strandline-cli pib read|write|check|show|patch: the local adapter's
// parameter block to and from a file, and block files on their own.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "cli/commands.h"
#include "cli/tool_command.h"
#include "core/device_ops/device_operations.h"
#include "core/device_ops/modify_pib_file.h"
#include "firmware/parameter_block.h"
#include "platform/clock.h"

namespace strandline::cli {

namespace {

using json = nlohmann::ordered_json;

// Larger than any length field can state: such a file fails the check.
constexpr std::size_t kMaxBlockFile = 0x10000;

// The checks of a block file need no device: a session without a channel.
int check(const std::string& path) {
  SystemClock clock;
  ToolSession session(clock, std::cerr);
  return checkParameterFile(session, path) == 0 ? kExitOk : kExitFailure;
}

// The CAPs of four priorities, two bits each, lowest priority lowest.
void appendCaps(json& caps, std::uint8_t map) {
  for (int p = 0; p < 4; ++p) caps.push_back((map >> (2 * p)) & 3);
}

json qosJson(const ParameterBlockImage& image) {
  static constexpr std::pair<const char*, PibTraffic> kTraffic[] = {
      {"unicast", PibTraffic::Unicast},
      {"multicastBroadcast", PibTraffic::MulticastBroadcast},
      {"igmp", PibTraffic::Igmp},
      {"igmpManagedStream", PibTraffic::IgmpManagedStream}};
  json defaults = json::object();
  for (const auto& [name, kind] : kTraffic) {
    std::uint8_t cap = 0;
    image.getDefaultCap(kind, cap);
    defaults[name] = cap;
  }
  json ttl = json::array();
  for (int cap = 0; cap < 4; ++cap) {
    std::uint32_t us = 0;
    image.getTimeToLive(cap, us);
    ttl.push_back(us);
  }
  bool vlan = false, tos = false;
  image.getVlanSwitch(vlan);
  image.getTosSwitch(tos);
  json vlanCaps = json::array(), tosCaps = json::array();
  for (int i = 0; i < 4; ++i) {
    std::uint8_t map = 0;
    image.getPriorityMap(i, map);
    appendCaps(i < 2 ? vlanCaps : tosCaps, map);
  }
  std::uint8_t flag = 0;
  image.getQosFlag(flag);
  return {{"defaultCap", defaults}, {"timeToLiveUs", ttl},         {"vlanTags", vlan},
          {"tosBits", tos},         {"vlanPriorityCap", vlanCaps}, {"tosPriorityCap", tosCaps},
          {"qosFlag", flag}};
}

json ledJson(const ParameterBlockImage& image) {
  std::uint8_t marker = 0, count = 0;
  image.getHardwareMarker(marker);
  image.getLedCount(count);
  json settings = json::array();
  for (int i = 0; i < count; ++i) {
    json entry = json::array();
    for (int k = 0; k < 3; ++k) {
      std::uint8_t value = 0;
      image.getLedSetting(i, k, value);
      entry.push_back(value);
    }
    settings.push_back(entry);
  }
  return {{"hardwareMarker", marker}, {"count", count}, {"settings", settings}};
}

// The header, and for a version 4.4 block the fields of the QoS and LED
// settings. Only a block that passes the check is shown.
int show(const std::string& path) {
  SystemClock clock;
  ToolSession session(clock, std::cerr);
  Bytes block;
  if (!readToolFile(session, path, kMaxBlockFile, block) ||
      checkParameterImage(session, block, path) != 0)
    return kExitFailure;
  ByteReader header(block);
  json out;
  out["majorVersion"] = header.u8();
  out["minorVersion"] = header.u8();
  header.skip(2);
  out["length"] = header.u16le();
  header.skip(2);
  char checksum[16];
  std::snprintf(checksum, sizeof checksum, "0x%08X", header.u32le());
  out["checksum"] = checksum;
  ParameterBlockImage image;
  if (image.attach(block) == PibStatus::Ok) {
    out["qos"] = qosJson(image);
    out["led"] = ledJson(image);
  }
  std::printf("%s\n", out.dump(2).c_str());
  return kExitOk;
}

// A whole number, decimal or 0x-hexadecimal.
bool parseOffset(const std::string& text, std::size_t& out) {
  try {
    bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || !std::isxdigit(static_cast<unsigned char>(digits[0]))) return false;
    std::size_t used = 0;
    unsigned long long v = std::stoull(digits, &used, hex ? 16 : 10);
    if (used != digits.size()) return false;
    out = static_cast<std::size_t>(v);
    return true;
  } catch (...) {
    return false;
  }
}

int patch(const std::string& path, std::size_t offset, const Bytes& bytes) {
  if (modifyPibFile(path, offset, bytes.data(), bytes.size()) == 0) return kExitOk;
  std::fprintf(stderr,
               "strandline-cli: %s: not changed (unreadable, not a sound block, or the bytes do "
               "not fit inside it)\n",
               path.c_str());
  return kExitFailure;
}

}  // namespace

int runPib(const Args& args) {
  CommonOptions options;
  Args rest;
  if (!parseCommonOptions(args, options, rest) || rest.size() < 2) return usage(kPibSynopsis);
  for (const std::string& a : rest)
    if (a.size() > 1 && a[0] == '-') return usage(kPibSynopsis);
  const std::string& verb = rest[0];
  const std::string& path = rest[1];
  if (verb == "patch") {
    std::size_t offset = 0;
    Bytes bytes;
    if (rest.size() != 4 || !parseOffset(rest[2], offset) || !parseHex(rest[3], bytes) ||
        bytes.empty())
      return usage(kPibSynopsis);
    return patch(path, offset, bytes);
  }
  if (rest.size() != 2) return usage(kPibSynopsis);
  if (verb == "check") return check(path);
  if (verb == "show") return show(path);
  if (verb == "read")
    return runToolCommand(options, [&](const ToolEnvironment& env) {
      return pibModify(env, PibAction::Read, 0, path) == 1;
    });
  if (verb == "write")
    return runToolCommand(options, [&](const ToolEnvironment& env) {
      return runOnToolChannel(env, [&](ToolSession& session) {
        // The final reset counts only when the device confirmed it.
        return writeBackParameterFile(session, env.prompter, path, true) == 1 &&
               deviceConfirmed(session);
      });
    });
  return usage(kPibSynopsis);
}

}  // namespace strandline::cli
