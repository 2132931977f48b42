// Setting network keys on the local adapter and on remote devices.
//
// AV adapters take keys by set-key requests to the local adapter (selector 15
// for itself, selector 0 to carry the key under a station's DAK). Boost
// HomePlug 1.0 adapters take entry 0x04 and carry keys with entry 0x14 under
// the DEK. Standard HomePlug 1.0 adapters take entries 0x04 and 0x1F; their
// local key is checked by reading the local parameters back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/mac_address.h"
#include "core/discovery/network_scan.h"

namespace strandline {

struct ProgramContext;

// Raises the scan pause flag for its lifetime and puts back what it was.
class ScanPause {
 public:
  explicit ScanPause(ProgramContext& ctx) : ctx_(ctx), wasEnabled_(setAutoScan(ctx, false)) {}
  ~ScanPause() { setAutoScan(ctx_, wasEnabled_); }
  ScanPause(const ScanPause&) = delete;
  ScanPause& operator=(const ScanPause&) = delete;

 private:
  ProgramContext& ctx_;
  bool wasEnabled_;
};

enum class AdapterFamily { Av, Boost, Standard };
AdapterFamily currentFamily(const ProgramContext& ctx);

// One remote device to give a key.
struct KeyTarget {
  std::string password;  // device password as typed (at most 24 characters)
  MacAddress mac{};      // in broadcast mode replaced by the answering device's address
  bool added = false;    // the device took the key
};

// Results of setRemoteKey.
inline constexpr int kRemoteNothingHeard = 0;
inline constexpr int kRemotePresent = 1;  // no confirmation, but heard on the key just sent
inline constexpr int kRemoteHp10Confirmed = 2;
inline constexpr int kRemoteAvConfirmed = 4;

inline constexpr std::uint32_t kRemoteConfirmWaitMs = 3700;
inline constexpr std::uint32_t kPresenceWaitMs = 200;
inline constexpr const char* kReadbackLogTag = "**SETNEK**";
inline constexpr const char* kUnknownNetworkName = "Unknown Networkname";

// Puts the local adapter on `key` (16 bytes AV, first 8 HomePlug 1.0). With
// cardMac the card of that address becomes the current one first. Nonzero
// when the adapter took the key.
int setLocalNEK(ProgramContext& ctx, const MacAddress* cardMac, const Key16& key);

// The key setting of standard HomePlug 1.0 adapters.
struct Hp1KeySetting {
  std::uint8_t keySelect = 1;
  const std::uint8_t* key = nullptr;  // 8 bytes
  MacAddress destination = kBroadcastMac;
  bool optionsEntry = true;
  std::uint8_t thirdOption = 1;
  bool keepOptions = false;
};
// 1 when the local parameters read back show the key; 0 otherwise (and
// always for key select 0 or a single destination, which are not read back).
int setHp1StandardKey(ProgramContext& ctx, const Hp1KeySetting& setting);

// Carries networkKey to the device holding deviceKey (DAK or DEK). One of the
// kRemote results; deviceMac is updated from the answer.
int setRemoteKey(ProgramContext& ctx, const Key16& deviceKey, const Key16& networkKey,
                 MacAddress& deviceMac, bool broadcast, bool useGivenAddress);

// Gives the target the key of `name`, or a random key (also set on the local
// adapter of a HomePlug 1.0 network) when name is absent. True when added.
bool setNetworkKeyOnDevice(ProgramContext& ctx, KeyTarget& target,
                           const std::optional<std::string>& name, bool broadcast);

// Puts the local adapter on the key of the current card's network name (a
// Boost adapter is given back the key it holds), or on the key of `name`
// when one is given; the name is then kept once the adapter took its key.
// True when the adapter took the key.
bool applyLocalNetworkKey(ProgramContext& ctx,
                          const std::optional<std::string>& name = std::nullopt);

// The local adapter took the key of `name`: the name and key become the
// current card's, the adapter's database entries take them, and the next
// detection pass names the network after them.
void keepLocalNetworkName(ProgramContext& ctx, const std::string& name, const Key16& key);

// A random key for a short-lived network; never the same twice in a run,
// even when drawn twice within one second.
Key16 drawRandomKey(ProgramContext& ctx);

}  // namespace strandline
