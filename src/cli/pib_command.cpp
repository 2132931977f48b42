// strandline-cli pib read|write|check|show|patch: the local adapter's
// parameter block to and from a file, and block files on their own.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "cli/commands.h"
#include "cli/options.h"
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

void addPibCommand(CLI::App& app, Action& action) {
  CLI::App* pib = app.add_subcommand("pib", "the local adapter's parameter block, and block files");
  struct Options {
    CommonOptions common;
    std::string path, offset, bytes;
  };
  auto o = std::make_shared<Options>();
  auto fileArgument = [&](CLI::App& sub, const char* help) {
    sub.add_option("FILE", o->path, help)->required();
  };

  CLI::App* read = pib->add_subcommand("read", "the local adapter's parameter block into FILE");
  fileArgument(*read, "the block file to write");
  addCommonOptions(*read, o->common);
  onRun(*read, action, [o] {
    return runToolCommand(o->common, [o](const ToolEnvironment& env) {
      return pibModify(env, PibAction::Read, 0, o->path) == 1;
    });
  });

  CLI::App* write = pib->add_subcommand(
      "write", "FILE into the local adapter, committed, and the adapter restarted");
  fileArgument(*write, "the block file to send");
  addCommonOptions(*write, o->common);
  onRun(*write, action, [o] {
    return runToolCommand(o->common, [o](const ToolEnvironment& env) {
      return runOnToolChannel(env, [&](ToolSession& session) {
        // The final reset counts only when the device confirmed it.
        return writeBackParameterFile(session, env.prompter, o->path, true) == 1 &&
               deviceConfirmed(session);
      });
    });
  });

  CLI::App* checkFile = pib->add_subcommand("check", "check a block file");
  fileArgument(*checkFile, "the block file");
  onRun(*checkFile, action, [o] { return check(o->path); });

  CLI::App* showFile = pib->add_subcommand("show", "a block file's header and settings as JSON");
  fileArgument(*showFile, "the block file");
  onRun(*showFile, action, [o] { return show(o->path); });

  CLI::App* patchFile = pib->add_subcommand("patch", "change bytes of a block file and reseal it");
  fileArgument(*patchFile, "the block file");
  patchFile->add_option("OFFSET", o->offset, "where the bytes go, decimal or 0x hexadecimal")
      ->required();
  patchFile->add_option("HEXBYTES", o->bytes, "the new bytes as hex digits")->required();
  onRun(*patchFile, action, [o] {
    std::size_t offset = 0;
    Bytes bytes;
    if (!parseOffset(o->offset, offset) || !parseHex(o->bytes, bytes) || bytes.empty()) {
      std::fprintf(stderr,
                   "strandline-cli pib patch: OFFSET is a number (decimal or 0x hexadecimal) and "
                   "HEXBYTES at least one byte of hex digits\n");
      return kExitUsage;
    }
    return patch(o->path, offset, bytes);
  });
}

}  // namespace strandline::cli
