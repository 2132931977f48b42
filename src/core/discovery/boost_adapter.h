// The private management requests of Boost HomePlug 1.0 adapters: finding the
// adapter, its identity and version string, network statistics with per-station
// rates, and its current network encryption key.
//
// Private request (entry 0x02), 35 bytes:
//   14 count 1 | 15 0x02 | 16 data length + 4 | 17..19 00 04 87 | 20 code | 21 data
// Private read request (entry 0x12), 272 bytes: 16 length 1 | 17 0x20 version, 0x21 key
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

struct ProgramContext;

inline constexpr std::uint8_t kBoostPrivateRequest = 0x02;
inline constexpr std::uint8_t kBoostReadRequest = 0x12;
inline constexpr std::uint8_t kBoostReadAnswer = 0x13;
inline constexpr std::uint8_t kBoostIdentity = 0x10;
inline constexpr std::uint8_t kBoostStatistics = 0x18;
inline constexpr std::uint8_t kBoostExtendedStatistics = 0x23;
inline constexpr std::uint8_t kBoostReadVersion = 0x20;
inline constexpr std::uint8_t kBoostReadKey = 0x21;
inline constexpr std::size_t kBoostPrivateRequestLength = 35;
inline constexpr std::size_t kBoostReadRequestLength = 272;

void sendPrivateRequest(ProgramContext& ctx, const MacAddress& destination, std::uint8_t code,
                        const std::uint8_t* data, std::size_t dataLength);
void requestIdentity(ProgramContext& ctx);
void requestStatistics(ProgramContext& ctx, const MacAddress& destination);
void requestVersionString(ProgramContext& ctx);
void requestCurrentKey(ProgramContext& ctx);

// Handles every waiting frame until none is left or an AV frame is met; the
// result is that of the last frame (1 for a Boost answer).
int processHp10Frames(ProgramContext& ctx, std::string* text);
// processHp10Frames for 100 ms, waking on frames.
int pollHp10(ProgramContext& ctx, std::string* text);
// Clears the found flag, asks for the identity and polls; the found flag.
bool probeBoostAdapter(ProgramContext& ctx);

double scaleHp10Rate(double raw);

// "Version 1.2", "Version 1.4" or "Version %d.%d" from an identity answer.
std::string boostVersionText(std::uint8_t form, std::uint8_t major, std::uint8_t minor);

}  // namespace strandline
