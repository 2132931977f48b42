// A HomePlug AV device's parameter block, version 4.4 (15560 bytes), as the
// simulated device keeps it: identity fields at their fixed offsets, defaults
// that satisfy the content rules, and a valid checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "sim/keys.h"

namespace strandline::sim {

inline constexpr std::size_t kPibLength = 15560;
inline constexpr std::size_t kPibOffsetLength = 4;
inline constexpr std::size_t kPibOffsetChecksum = 8;
inline constexpr std::size_t kPibOffsetMac = 12;
inline constexpr std::size_t kPibOffsetDak = 18;
inline constexpr std::size_t kPibOffsetManufacturerHfid = 36;
inline constexpr std::size_t kPibOffsetNmk = 100;
inline constexpr std::size_t kPibOffsetUserHfid = 116;
inline constexpr std::size_t kPibOffsetNetworkHfid = 180;
inline constexpr std::size_t kPibOffsetNid = 248;
inline constexpr std::size_t kPibOffsetDefaultCap = 524;   // 4 x 1
inline constexpr std::size_t kPibOffsetTimeToLive = 528;   // 4 x 4, microseconds
inline constexpr std::size_t kPibOffsetVlanSwitch = 544;   // then the TOS switch
inline constexpr std::size_t kPibOffsetPriorityMap = 548;  // VLAN 0-3, 4-7, TOS 0-3, 4-7
inline constexpr std::size_t kPibOffsetHardwareMarker = 8200;
inline constexpr std::size_t kPibOffsetLedCount = 9406;
inline constexpr std::size_t kPibOffsetLedTable = 9407;
inline constexpr std::size_t kPibLedEntryLength = 11;
inline constexpr std::size_t kPibMaxLeds = 34;

// The three setting bytes of one LED entry (bytes 2 to 4 of the entry); 7 in
// all of them switches the LED off.
using LedSetting = std::array<std::uint8_t, 3>;

struct PibIdentity {
  MacAddress mac{};
  Key16 dak{};
  Key16 nmk{};
  std::string userHfid = "Simulated Device";
};

Bytes buildParameterBlock(const PibIdentity& identity);

// Writes the NMK and the NID derived from it (security level 0), then reseals.
void pibSetNmk(Bytes& pib, const Key16& nmk);
void pibReseal(Bytes& pib);
// Writes the LED table (at most 34 entries), then reseals.
void pibSetLeds(Bytes& pib, const std::vector<LedSetting>& leds);
std::vector<LedSetting> pibLeds(ByteView pib);

MacAddress pibMac(ByteView pib);
Key16 pibDak(ByteView pib);
Key16 pibNmk(ByteView pib);
Nid pibNid(ByteView pib);

enum class PibCheck { Ok, TooShort, BadVersion, BadLength, BadChecksum };
// The checks a device makes before it accepts a block: version 4.4, length
// field 15560 equal to the bytes given, checksum verifies.
PibCheck checkParameterBlock(ByteView pib);

}  // namespace strandline::sim
