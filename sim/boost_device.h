// The private protocol of Boost HomePlug 1.0 adapters: vendor requests (entry
// 0x02 with the vendor identifier 00 04 87), host requests (0x12, answered
// with 0x13) and the loader commands of a firmware upgrade (0x10).
#pragma once

#include "sim/hp10_device.h"

namespace strandline::sim {

enum BoostCode : std::uint8_t {
  kBoostIdentity = 0x10,
  kBoostStatistics = 0x18,
  kBoostReadVersion = 0x20,
  kBoostReadKey = 0x21,
  kBoostEnterLoader = 0x67,
  kLoaderWrite = 0x81,
  kLoaderCommit = 0x82,
  kLoaderChecksum = 0x83,
  kLoaderVerify = 0x84,
  kLoaderReset = 0x7F,
};

inline constexpr std::uint8_t kBoostVendorId[3] = {0x00, 0x04, 0x87};

// Raw statistics rate for a rate in Mbit/s (the inverse of the adapter's scale).
std::uint16_t boostRawRate(double mbps);

// Handles one private, host-request or loader entry addressed to `station`;
// false when the entry is none of those. A remote station answers only the
// identity request.
bool handleBoostEntry(DeviceContext& ctx, Adapter& station, const MacAddress& requester,
                      const Hp1Entry& entry, bool remote);

}  // namespace strandline::sim
