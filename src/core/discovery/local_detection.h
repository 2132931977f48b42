// Local adapter detection: on every card, the adapter plugged into it, its
// kind, MAC address, firmware, network key and the network name to show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

struct ProgramContext;

// Requests a detection probe sends on a card not probed before, or on one
// whose adapter answered that probe in the previous pass, before it takes the
// card for having no adapter of its kind. One lost answer is not absence:
// when a link loses 30 % of the answers, five requests miss a present adapter
// in fewer than 3 passes of 1000, where a single request misses it in 3 of 10.
// A card that had no such adapter last time is asked as few times as before,
// so cards without adapters do not slow every pass.
inline constexpr int kProbeAttempts = 5;

// "Adapter", "USB", "HomePlug Boost Device", "HomePlug 1.0 Device", "Powerline device".
std::string kindText(const ProgramContext& ctx, int card);
std::string kindTextFor(std::uint32_t kind);

// 1 when an adapter was found on any card.
int detectLocalAdapters(ProgramContext& ctx);
// Stops the scan, runs a detection pass and, when an adapter was found, starts
// the scan timer. Returns whether one was found.
bool startDiscovery(ProgramContext& ctx, std::int32_t ticksPerPhase, int missesTillDrop,
                    std::function<void(int)> notify, bool autoScan);

bool probeAvAdapters(ProgramContext& ctx);
bool probeBoostAdapters(ProgramContext& ctx);
bool probeHp1Adapters(ProgramContext& ctx);
// Reads the adapter's parameter block for its network membership key.
bool readAdapterNmk(ProgramContext& ctx, const MacAddress& adapterMac, Key16& key);

// The receive watcher: every frame received on `card`.
void onLocalFrame(ProgramContext& ctx, int card, ByteView frame);
// A HomePlug 1.0 local-parameter reply taken by the scan's receive path.
void takeLocalParams(ProgramContext& ctx, ByteView frame);

// True for the key derived from "HomePlug" and the configured further defaults.
bool isHp1DefaultKey(const ProgramContext& ctx, const std::uint8_t* key8);

}  // namespace strandline
