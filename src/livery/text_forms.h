// The text forms of the editor's boxes: how a field of the preferences record
// is shown in its box and read back from what was typed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strandline::livery {

// What a number box reads: at most this many characters of it.
inline constexpr std::size_t kMaxBoxText = 255;

// Decimal ("%ld"), as shown for every number field but the colour.
std::string showDecimal(std::int64_t value);
// Hexadecimal in lower case without prefix ("%x" of the 32 bits).
std::string showHex(std::int32_t value);
// "%02X:%02X:%02X".
std::string showOui(const std::array<std::uint8_t, 3>& oui);

// The number at the start of the text, read as "%ld" reads it: leading blanks,
// an optional sign, decimal digits; what follows them is ignored. A value out
// of range saturates. Nothing when the text does not start with a number.
std::optional<std::int64_t> readDecimal(std::string_view text);
// Likewise with "%x": an optional sign and "0x", hexadecimal digits; the low
// 32 bits of the value.
std::optional<std::uint32_t> readHex(std::string_view text);
// "%X:%X:%X", the low 8 bits of each number; nothing unless all three are there.
std::optional<std::array<std::uint8_t, 3>> readOui(std::string_view text);

// The text cut to fit a field of `width` bytes with its NUL: at most
// width - 1 bytes, never in the middle of a UTF-8 character.
std::string fitText(std::string_view text, std::size_t width);

}  // namespace strandline::livery
