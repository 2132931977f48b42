// "LEDConfig.ini": the LED settings a device had while its LEDs were on, so
// that they can be written back when the LEDs are switched on again.
//
// A profile file with one section "ID"; the key of setting byte n (1 to 3N,
// in LED table order) is "ID" followed by n, and its value is the byte in
// decimal. The file is written whole and read whole, in that one form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "platform/file_ops.h"

namespace strandline {

inline constexpr const char* kLedConfigFileName = "LEDConfig.ini";
// Setting bytes hold 0 to 40 (the block's content rules).
inline constexpr std::uint8_t kMaxLedSettingValue = 40;

// The file's text for the given setting bytes, ID1 first.
std::string formatLedConfig(const std::vector<std::uint8_t>& values);

// The values of ID1 to ID<count> of section "ID" (section and key names in
// any case, blanks around names and values ignored). False when a key is
// missing or its value is not a decimal number from 0 to 40.
bool parseLedConfig(std::string_view text, std::size_t count, std::vector<std::uint8_t>& values);

// Replaces the file whole, owner read/write only.
Status saveLedConfig(const std::string& path, const std::vector<std::uint8_t>& values,
                     FileOps& ops = systemFileOps());

enum class LedConfigLoad { Ok, Missing, Unreadable, Incomplete };
LedConfigLoad loadLedConfig(const std::string& path, std::size_t count,
                            std::vector<std::uint8_t>& values, FileOps& ops = systemFileOps());

}  // namespace strandline
