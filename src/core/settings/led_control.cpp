#include "core/settings/led_control.h"

#include "core/device_ops/modify_pib_file.h"
#include "core/settings/settings_block.h"
#include "firmware/parameter_block.h"
#include "platform/file_ops.h"
#include "storage/led_config.h"

namespace strandline {

namespace {

constexpr std::size_t kMaxBlockFile = 0x10000;

bool readLedFile(const std::string& path, std::vector<std::uint8_t>& values) {
  ReadFileResult file = readWholeFile(systemFileOps(), path, kMaxBlockFile);
  return file.status == ReadFileResult::Status::Ok && ledSettings(file.data, values);
}

// Writes the setting bytes entry by entry (three adjacent bytes each), then
// the hardware block marker.
bool writeLedSettings(const std::string& path, const std::vector<std::uint8_t>& values,
                      Prompter& prompter) {
  bool ok = true;
  for (std::size_t i = 0; ok && i * 3 < values.size(); ++i)
    ok = modifyPibFile(path, pib::ledSettingOffset(i, 0), values.data() + 3 * i, 3) == 0;
  const std::uint8_t marker = pib::kHardwareMarker;
  if (ok) ok = modifyPibFile(path, pib::kOffsetHardwareMarker, &marker, 1) == 0;
  if (!ok) prompter.show(kPibNoPatch);
  return ok;
}

}  // namespace

bool ledSettings(ByteView block, std::vector<std::uint8_t>& values) {
  ByteReader r(block, pib::kOffsetLedCount);
  std::size_t count = r.u8();
  if (!r.ok() || count > pib::kMaxLedEntries) return false;
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < count; ++i) {
    r.seek(pib::ledSettingOffset(i, 0));
    for (std::size_t k = 0; k < pib::kLedSettingBytes; ++k) out.push_back(r.u8());
  }
  if (!r.ok()) return false;
  values = std::move(out);
  return true;
}

bool ledsAreOff(const std::vector<std::uint8_t>& values) {
  for (std::uint8_t v : values)
    if (v != kLedOffValue) return false;
  return true;
}

const char* ledButtonText(LedState state) {
  return state == LedState::Off ? kLedButtonSwitchOn : kLedButtonSwitchOff;
}

std::string ledConfigPath(const std::string& dataFolder) {
  return dataFolder + "/" + kLedConfigFileName;
}

LedState readLedState(const ToolEnvironment& env, const std::string& dataFolder) {
  std::string path = pibFilePath(dataFolder, PibFile::UserLed);
  std::vector<std::uint8_t> values;
  if (!readDeviceBlock(env, path) || !readLedFile(path, values)) return LedState::Unknown;
  if (ledsAreOff(values)) return LedState::Off;
  // A failed save shows nowhere here: switching off saves again and says so.
  saveLedConfig(ledConfigPath(dataFolder), values);
  return LedState::On;
}

PibPatch ledsOffPatch() {
  return [](const std::string& path, Prompter& prompter) {
    std::vector<std::uint8_t> values;
    if (!readLedFile(path, values)) {
      prompter.show(kPibNoPatch);
      return false;
    }
    std::fill(values.begin(), values.end(), kLedOffValue);
    return writeLedSettings(path, values, prompter);
  };
}

PibPatch ledsOnPatch(std::string configPath) {
  return [configPath = std::move(configPath)](const std::string& path, Prompter& prompter) {
    std::vector<std::uint8_t> values;
    if (!readLedFile(path, values)) {
      prompter.show(kPibNoPatch);
      return false;
    }
    if (loadLedConfig(configPath, values.size(), values) != LedConfigLoad::Ok) {
      prompter.show(kLedNoSavedSettings);
      return false;
    }
    return writeLedSettings(path, values, prompter);
  };
}

int switchLeds(const ToolEnvironment& env, const std::string& dataFolder, bool off) {
  std::string path = pibFilePath(dataFolder, PibFile::UserLed);
  std::string config = ledConfigPath(dataFolder);
  std::vector<std::uint8_t> values;
  if (!readDeviceBlock(env, path) || !readLedFile(path, values)) {
    env.prompter.show(kSettingsReadFailed);
    return 0;
  }
  if (off && !ledsAreOff(values)) {
    Status saved = saveLedConfig(config, values);
    if (!saved.ok()) {
      env.prompter.show(
          {"The LED settings could not be saved, so the LEDs were left on: " + saved.message,
           "Attention", MessageIcon::Exclamation});
      return 0;
    }
  }
  PibPatchRegistry patches;
  patches.set(kPatchLedsOff, ledsOffPatch());
  patches.set(kPatchLedsOn, ledsOnPatch(config));
  ToolEnvironment withPatches = env;
  withPatches.patches = &patches;
  int kind = off ? kPatchLedsOff : kPatchLedsOn;
  if (pibModify(withPatches, PibAction::PatchAndWrite, kind, path) != 1) return 0;
  awaitDeviceRestart(env);
  return 1;
}

}  // namespace strandline
