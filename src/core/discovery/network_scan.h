// The periodic scan: phases 1 to 7 of a cycle fill the current card's station
// table from the replies, age out stations that stop answering, and rerun the
// local-adapter detection once a cycle.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "model/network_records.h"
#include "protocol/network_info.h"

namespace strandline {

struct ProgramContext;

enum class RateMode { HomePlug10 = 0, Boost = 1, Av = 2 };

struct RateSample {
  std::uint16_t raw = 0;
  std::uint16_t fails = 0;
  std::uint16_t drops = 0;
};

// The timer period for a scan interval: interval x 10 / 7 ms, integer division.
std::uint32_t scanTimerPeriodMs(std::int32_t ticksPerPhase);

void startScanTimer(ProgramContext& ctx);
void stopScanTimer(ProgramContext& ctx);
// Sets the pause flag to !enabled; returns the previous state (true = was enabled).
bool setAutoScan(ProgramContext& ctx, bool enabled);

// One timer tick.
void scanTick(ProgramContext& ctx);

void seeStation(ProgramContext& ctx, const MacAddress& mac);
StationRecord* findStation(ProgramContext& ctx, const MacAddress& mac);
void updateRate(RateStats& stats, RateSample sample, RateMode mode);
void ageStations(ProgramContext& ctx);
void scanAvNetwork(ProgramContext& ctx, const MacAddress& adapterMac);

// Marks the stations seen, asks each for its firmware and takes its rates.
void takeAvStations(ProgramContext& ctx, const std::vector<AvStationEntry>& entries,
                    bool versionOne);
// Plain HomePlug 1.0 frames of the scan; false when the type is left to the caller.
bool onHp1ScanFrame(ProgramContext& ctx, ByteView frame);
void hp1StationRates(ProgramContext& ctx, ByteView frame);
// Clears the current card's station table (count 0, every slot invalid).
void clearStationTable(AdapterNetwork& network);

}  // namespace strandline
