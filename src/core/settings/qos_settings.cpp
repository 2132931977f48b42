#include "core/settings/qos_settings.h"

#include <charconv>

#include "core/device_ops/modify_pib_file.h"
#include "core/settings/settings_block.h"
#include "firmware/parameter_block.h"
#include "platform/file_ops.h"

namespace strandline {

namespace {

// Larger than any length field can state.
constexpr std::size_t kMaxBlockFile = 0x10000;

void unpackCaps(std::uint8_t byte, std::uint8_t* caps) {
  for (int p = 0; p < 4; ++p) caps[p] = (byte >> (2 * p)) & 3;
}

}  // namespace

std::uint8_t capOfStoredValue(std::uint8_t value) {
  if (value <= 3) return value;
  char first = std::to_string(value)[0];
  return first == '1' ? 1 : first == '2' ? 2 : 3;
}

std::uint8_t packCaps(const std::uint8_t* caps) {
  std::uint8_t byte = 0;
  for (int p = 0; p < 4; ++p) byte = static_cast<std::uint8_t>(byte | (caps[p] & 3) << (2 * p));
  return byte;
}

bool loadQosSettings(ByteView block, QosSettings& s) {
  ByteReader r(block, pib::kOffsetDefaultCap);
  for (std::uint8_t& cap : s.defaultCap) {
    std::uint8_t value = r.u8();
    if (!r.ok()) return false;
    cap = capOfStoredValue(value);
  }
  for (std::uint32_t& ttl : s.timeToLiveUs) {
    std::uint32_t value = r.u32le();
    if (!r.ok()) return false;
    ttl = value;
  }
  for (bool* flag : {&s.vlanTags, &s.tosBits}) {
    std::uint8_t value = r.u8();
    if (!r.ok()) return false;
    *flag = value != 0;
  }
  r.seek(pib::kOffsetPriorityMap);
  std::uint8_t* maps[4] = {&s.vlanCap[0], &s.vlanCap[4], &s.tosCap[0], &s.tosCap[4]};
  for (std::uint8_t* caps : maps) {
    std::uint8_t value = r.u8();
    if (!r.ok()) return false;
    unpackCaps(value, caps);
  }
  return true;
}

std::string timeToLiveText(std::uint32_t microseconds) {
  return std::to_string(microseconds / 1000);
}

bool timeToLiveFromText(std::string_view text, std::uint32_t& microseconds) {
  std::uint64_t ms = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, ms);
  if (text.empty() || text.size() > 7 || error != std::errc() || stop != end) return false;
  if (ms * 1000 < pib::kMinTimeToLive || ms * 1000 > pib::kMaxTimeToLive) return false;
  microseconds = static_cast<std::uint32_t>(ms * 1000);
  return true;
}

std::vector<PibField> qosPatchFields(const QosSettings& s) {
  std::vector<PibField> fields;
  for (std::size_t i = 0; i < 4; ++i)
    fields.push_back({pib::kOffsetDefaultCap + i, {s.defaultCap[i]}});
  for (std::size_t i = 0; i < 4; ++i) {
    Bytes le(4);
    for (int b = 0; b < 4; ++b) le[b] = static_cast<std::uint8_t>(s.timeToLiveUs[i] >> (8 * b));
    fields.push_back({pib::kOffsetTimeToLive + 4 * i, le});
  }
  fields.push_back({pib::kOffsetVlanSwitch, {std::uint8_t{s.vlanTags}}});
  fields.push_back({pib::kOffsetTosSwitch, {std::uint8_t{s.tosBits}}});
  const std::uint8_t* maps[4] = {&s.vlanCap[0], &s.vlanCap[4], &s.tosCap[0], &s.tosCap[4]};
  for (std::size_t i = 0; i < 4; ++i)
    fields.push_back({pib::kOffsetPriorityMap + i, {packCaps(maps[i])}});
  fields.push_back({pib::kOffsetQosFlag, {1}});
  return fields;
}

PibPatch qosPatch(const QosSettings& settings) {
  return [fields = qosPatchFields(settings)](const std::string& path, Prompter& prompter) {
    for (const PibField& f : fields) {
      if (modifyPibFile(path, f.offset, f.bytes.data(), f.bytes.size()) != 0) {
        prompter.show(kQosModifyFailed);
        return false;
      }
    }
    return true;
  };
}

bool readQosSettings(const ToolEnvironment& env, const std::string& pibPath,
                     QosSettings& settings) {
  ReadFileResult file;
  if (readDeviceBlock(env, pibPath)) file = readWholeFile(systemFileOps(), pibPath, kMaxBlockFile);
  if (file.status != ReadFileResult::Status::Ok) {
    env.prompter.show(kSettingsReadFailed);
    return false;
  }
  loadQosSettings(file.data, settings);
  return true;
}

int writeQosSettings(const ToolEnvironment& env, const std::string& pibPath,
                     const QosSettings& settings) {
  PibPatchRegistry patches;
  patches.set(kPatchQos, qosPatch(settings));
  ToolEnvironment withPatch = env;
  withPatch.patches = &patches;
  if (pibModify(withPatch, PibAction::PatchAndWrite, kPatchQos, pibPath) != 1) return 0;
  awaitDeviceRestart(env);
  return 1;
}

}  // namespace strandline
