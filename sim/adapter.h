// One simulated powerline adapter: identity, keys, rates, device state and
// faults. Adapters holding the same network key form one network.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "sim/faults.h"

namespace strandline::sim {

enum class AdapterKind { Av, Hp10, Boost };

// What a device keeps of written modules and memory: requests beyond it are
// refused, so no sequence of frames can make a device grow without bound.
inline constexpr std::size_t kMaxModuleBytes = 1u << 20;
inline constexpr std::size_t kMaxMemoryChunks = 4096;

// Rates as the device reports them for one peer: AV in Mbit/s (the byte or
// word of the network-information answer); HomePlug 1.0 in Mbit/s, turned
// into the raw figures of its answers by the device code.
struct PeerRate {
  std::uint16_t tx = 0;
  std::uint16_t rx = 0;
};

// Boost HomePlug 1.0 loader fallback address.
inline constexpr MacAddress kLoaderFallbackMac{0x00, 0x04, 0x87, 0xFE, 0x11, 0x00};

struct Adapter {
  MacAddress mac{};
  AdapterKind kind = AdapterKind::Av;
  int deviceId = 2;     // AV chip family identifier, 1 to 5
  int deviceClass = 3;  // HomePlug 1.0 device class in network statistics
  std::string firmware;
  std::string password;
  Key16 deviceKey{};   // DAK (AV) or DEK in bytes 0..7 (HomePlug 1.0)
  Key16 networkKey{};  // NMK (AV) or NEK in bytes 0..7 (HomePlug 1.0)
  std::string card;    // the interface a local adapter sits on; empty for remote stations
  MacAddress bridged{};
  std::map<MacAddress, PeerRate> rates;
  PeerRate defaultRate{100, 100};
  FaultSettings faults;
  FaultRandom random;
  std::map<std::uint16_t, std::uint32_t> requestCounts;  // requests served, by type

  bool plugged = true;
  std::uint64_t downUntilMs = 0;

  // HomePlug AV device state.
  Bytes pib;
  Bytes factoryPib;
  Bytes firmwareImage;
  std::map<std::uint8_t, Bytes> staged;   // module id -> bytes written, not committed
  std::map<std::uint32_t, Bytes> memory;  // memory writes by address
  std::uint8_t ledState = 0;
  std::uint8_t firmwareType = 4;     // configuration block byte 47
  std::int64_t lastReadOffset = -1;  // offset of the last module-read request

  // HomePlug 1.0 device state: the 50-byte local-parameter image holds the
  // MAC (0..5), the key of key select 0 (6..13), the key select of the
  // network key (14), the network key (15..22) and the three option bytes
  // (23..25); byte 25 selects the key used for carried frames.
  std::array<std::uint8_t, 50> hp1Image{};

  // Boost HomePlug 1.0 state.
  std::string vendor = "Simulated";
  std::string product = "Boost HomePlug 1.0 adapter";
  std::uint8_t versionForm = 1;
  std::uint8_t versionMajor = 1;
  std::uint8_t versionMinor = 0x15;
  bool inLoader = false;
  bool loaderFallback = false;  // in the loader, answer only at the fallback address
  std::map<std::uint32_t, Bytes> modules;
  std::map<std::uint32_t, Bytes> stagedModules;

  bool isLocal() const { return !card.empty(); }
  bool isHp10Family() const { return kind != AdapterKind::Av; }
  // Rate this adapter reports towards a peer.
  PeerRate rateTo(const Adapter& peer) const;
};

std::string kindName(AdapterKind kind);

}  // namespace strandline::sim
