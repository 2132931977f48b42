// The per-card network record, the station record and the rate statistics.
//
// These records are what the scan fills in and what the device database stores
// byte for byte: packed, little-endian, at fixed offsets. Text and reserved
// fields are kept as raw bytes so that a record read from a file is written
// back exactly as it was.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

// A fixed-size NUL-terminated 8-bit text field, kept byte for byte.
template <std::size_t N>
struct FixedText {
  std::array<char, N> bytes{};

  // The text up to the first NUL, at most N - 1 characters.
  std::string str() const {
    std::size_t len = 0;
    while (len < N - 1 && bytes[len] != '\0') ++len;
    return std::string(bytes.data(), len);
  }
  // Stores the text cut to N - 1 characters and zero-fills the rest.
  void set(std::string_view text) {
    bytes.fill('\0');
    text.copy(bytes.data(), std::min(text.size(), N - 1));
  }
  bool empty() const { return bytes[0] == '\0'; }
  bool operator==(const FixedText&) const = default;

  void serialize(ByteWriter& w) const {
    w.bytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), N);
  }
  void parse(ByteReader& r) { r.bytes(reinterpret_cast<std::uint8_t*>(bytes.data()), N); }
};

inline constexpr std::size_t kRateStatsSize = 33;
inline constexpr std::size_t kStationRecordSize = 542;
inline constexpr std::size_t kMaxStations = 32;
inline constexpr std::size_t kAdapterNetworkSize = 17580;

struct RateStats {
  std::uint32_t fails = 0;  // failure counter of HomePlug 1.0 stations, 0 for AV
  std::uint32_t drops = 0;  // drop counter of HomePlug 1.0 stations, 0 for AV
  double current = 0;       // Mbit/s, always a whole number
  double lowest = 0;
  double highest = 0;
  std::uint8_t changed = 0;  // set when a new value differs by more than 0.02

  bool operator==(const RateStats&) const = default;
  void serialize(ByteWriter& w) const;
  void parse(ByteReader& r);
};

struct StationRecord {
  std::uint32_t valid = 0;  // 1 while the station is in the table
  MacAddress mac{};         // all zero marks a free slot
  std::array<std::uint8_t, 50> reserved{};
  std::int8_t missesLeft = 0;  // scan cycles left before the station is dropped
  std::uint32_t kind = 0;      // 1 HomePlug 1.0, 2 Boost, 4 AV, 5 AV of the TSC4000 family
  FixedText<80> vendor;
  FixedText<80> product;
  FixedText<186> firmware;
  std::uint32_t sent = 0;    // times seen by a scan
  std::uint32_t misses = 0;  // grows by missesTillDrop each time the station is dropped
  std::uint8_t kindChanged = 0;
  RateStats tx;
  RateStats rx;
  Key16 networkKey{};
  FixedText<40> networkName;

  bool operator==(const StationRecord&) const = default;
  void serialize(ByteWriter& w) const;
  void parse(ByteReader& r);
};

struct AdapterNetwork {
  MacAddress cardMac{};
  std::uint32_t present = 0;
  std::uint32_t kind = 0;
  MacAddress adapterMac{};
  std::array<std::uint8_t, 25> reserved{};
  std::array<StationRecord, kMaxStations> stations{};
  RateStats localTx;
  RateStats localRx;
  FixedText<65> firmware;
  std::int32_t stationCount = 0;
  Key16 networkKey{};  // 16 bytes AV, first 8 bytes HomePlug 1.0
  FixedText<40> networkName;

  bool operator==(const AdapterNetwork&) const = default;
  void serialize(ByteWriter& w) const;
  void parse(ByteReader& r);
};

// Removes the station with this MAC from the table: later records move one
// place down and the last is cleared. False when no station has the MAC.
bool removeStation(AdapterNetwork& network, const MacAddress& mac);

}  // namespace strandline
