// Switching the local HomePlug AV device's LEDs off and on again. The LED
// table of the parameter block holds N entries (count at 9406), each with
// three setting bytes; the value 7 in all 3N of them means the LEDs are off.
// Switching off writes 7 into every setting byte; switching on writes back
// the values saved in "LEDConfig.ini" of the data folder while the LEDs were
// on. Every LED write also sets the hardware block marker (8200) to 0xC0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "core/device_ops/pib_modify.h"
#include "platform/prompter.h"

namespace strandline {

inline constexpr std::uint8_t kLedOffValue = 7;
// The LED button's texts: what a click does.
inline constexpr const char* kLedButtonSwitchOff = "LEDs:   OFF";
inline constexpr const char* kLedButtonSwitchOn = "LEDs:   ON";

// The 3N setting bytes in table order (entry 0 bytes 2, 3, 4, then entry 1
// ...). False when the block is too short for them or N is above 34.
bool ledSettings(ByteView block, std::vector<std::uint8_t>& values);
// Off when every setting byte is 7 (so also when there are none).
bool ledsAreOff(const std::vector<std::uint8_t>& values);

enum class LedState { Unknown, On, Off };
const char* ledButtonText(LedState state);  // Off: "LEDs:   ON", otherwise "LEDs:   OFF"

std::string ledConfigPath(const std::string& dataFolder);

// The LED state reader: the device's block into "userled.pib", the setting
// bytes counted; when the LEDs are on their values are saved into
// "LEDConfig.ini". Unknown, silently, when the block cannot be read (the
// file from an earlier read is not used for a state it may no longer have).
LedState readLedState(const ToolEnvironment& env, const std::string& dataFolder);

// The patches of kinds 2 (off) and 3 (on from the values saved in the
// configuration file at configPath). The on patch refuses, with
// kLedNoSavedSettings and nothing written; a failed
// write of the block file shows kPibNoPatch, when the file does not hold a
// value from 0 to 40 for every setting byte.
PibPatch ledsOffPatch();
PibPatch ledsOnPatch(std::string configPath);

// The LED button: reads the device's block into "userled.pib" again, then
// switches. Switching off first saves the settings of LEDs that are on, and
// refuses when they cannot be saved. 1 when the device took the block (and
// once it is back up after its restart), 0 after a message.
int switchLeds(const ToolEnvironment& env, const std::string& dataFolder, bool off);

inline const Notice kLedNoSavedSettings{
    "No saved LED settings: LEDConfig.ini in the data folder does not hold a value for every "
    "LED of this device, so the LEDs were left as they are. The settings are saved whenever the "
    "LEDs are seen on.",
    "Attention", MessageIcon::Exclamation};

}  // namespace strandline
