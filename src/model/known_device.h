// The known-device table: every device the utility has met, with the name the
// user gave it, its password, and the network it was last placed in.
//
// Positions are 1-based as the callers use them; 0 means "not found".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "model/network_records.h"

namespace strandline {

inline constexpr std::size_t kKnownDeviceSize = 198;
inline constexpr std::size_t kMaxKnownDevices = 100;
inline constexpr std::size_t kMaxDeviceNameLength = 31;

struct KnownDevice {
  FixedText<35> name;  // at most 31 characters are stored
  MacAddress mac{};    // the record's key; all zero marks an unused record
  // As typed, optionally preceded by "CHECK " (not checked) or "Not " (rejected).
  FixedText<56> password;
  FixedText<52> networkName;
  Key16 networkKey{};  // 16 bytes AV, first 8 bytes HomePlug 1.0
  std::array<std::uint8_t, 25> reserved{};
  std::int64_t lastSeen = 0;  // seconds since 1970-01-01 UTC

  bool operator==(const KnownDevice&) const = default;
  void serialize(ByteWriter& w) const;
  void parse(ByteReader& r);
};

// Records 0 to size()-1 are in use; the table never holds more than kMaxKnownDevices.
struct KnownDeviceTable {
  std::vector<KnownDevice> devices;

  std::size_t count() const { return devices.size(); }
  bool full() const { return devices.size() >= kMaxKnownDevices; }
  // The record at a 1-based position (which must be valid).
  KnownDevice& at(int position) { return devices.at(static_cast<std::size_t>(position - 1)); }
  const KnownDevice& at(int position) const {
    return devices.at(static_cast<std::size_t>(position - 1));
  }
  bool operator==(const KnownDeviceTable&) const = default;
};

int findKnownByMac(const KnownDeviceTable& table, const MacAddress& mac);
// Compares each record's MAC in the "%02X:%02X:%02X:%02X:%02X:%02X" form with the text.
int findKnownByMacText(const KnownDeviceTable& table, std::string_view text);
int findKnownByName(const KnownDeviceTable& table, std::string_view name);

// Removes the record at position and the station with its MAC from the current
// adapter's station table (when one is given). False for a position not in use.
bool deleteKnownDevice(KnownDeviceTable& table, int position,
                       AdapterNetwork* currentAdapter = nullptr);
void purgeEmptyKnownDevices(KnownDeviceTable& table);

// "Device N" with N = count + 1; when that name is taken, the first free one of
// "Device 1", "Device 2", ...
std::string automaticName(const KnownDeviceTable& table);

// Appends a zeroed record with this MAC and name (cut to 31 characters) and
// password. Returns its position, or 0 when the table is full.
int addKnownDevice(KnownDeviceTable& table, const MacAddress& mac, std::string_view name,
                   std::string_view password = {});
// The same with the automatic name.
int addKnownDevice(KnownDeviceTable& table, const MacAddress& mac);

// Renames the record at position. Refused (false) when the name is empty, when
// any record already has that name, or when the name cut to 31 characters
// would equal another record's name; otherwise the cut name is stored.
bool renameKnownDevice(KnownDeviceTable& table, int position, std::string_view name);

}  // namespace strandline
