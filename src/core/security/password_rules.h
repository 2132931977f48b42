// Rules for the texts a user types: network names (network passwords) and
// device passwords, and the device password variants used for HomePlug 1.0.
#pragma once

#include <array>
#include <iostream>
#include <optional>
#include <string>

#include "platform/prompter.h"

namespace strandline {

inline constexpr std::size_t kMinPasswordLength = 4;
inline constexpr std::size_t kMaxPasswordLength = 24;
inline constexpr std::size_t kDashedPasswordBuffer = 25;  // 24 characters and a terminator

inline constexpr const char* kInvalidEntryCaption = "Invalid Entry";
inline constexpr const char* kInvalidNetworkNameText =
    "The Network Name Entered is Invalid.\nPlease Enter a Network Name between 4 and 24 "
    "characters";
inline constexpr const char* kInvalidDevicePasswordText =
    "The Device Password Entered is Invalid.\nPlease check it and try again.";

// Length 4 to 24; otherwise shows the network-name error box and returns false.
bool checkNetworkName(Prompter& prompter, const std::string& text);

// Present, 4 to 24 long and every byte 0x20 to 0x7F. A refusal writes its
// diagnostic line to `out`; the caller shows the network-name box.
bool checkNetworkPassword(const std::optional<std::string>& text, std::ostream& out = std::cout);

// Length 4 to 24, any bytes; otherwise shows the device-password error box.
bool checkDevicePassword(Prompter& prompter, const std::string& text);

// Puts dashes at positions 4, 9 and 14 of the NUL-terminated text in buffer,
// moving the rest right; what is pushed past position 23 is dropped. Sixteen
// characters become the 19-character printed form; a dashed text is unchanged.
void dashPassword(std::array<char, kDashedPasswordBuffer>& buffer);
std::string dashPassword(const std::string& text);

// ASCII a to z become A to Z; nothing else changes.
std::string upperPassword(const std::string& text);

}  // namespace strandline
