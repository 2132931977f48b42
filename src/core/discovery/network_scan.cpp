#include "core/discovery/network_scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/discovery/boost_adapter.h"
#include "core/discovery/firmware_identity.h"
#include "core/discovery/local_detection.h"
#include "core/program_context.h"
#include "protocol/av_messages.h"
#include "protocol/hp10_requests.h"
#include "protocol/management_frame.h"
#include "protocol/network_info.h"

namespace strandline {

namespace {

void sendHp1(ProgramContext& ctx,
             std::size_t (*build)(std::uint8_t*, const MacAddress&, const MacAddress&),
             const MacAddress& destination) {
  std::uint8_t frame[kHp1RequestBuffer];
  std::size_t n = build(frame, ctx.currentCardMac(), destination);
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, static_cast<std::uint16_t>(n));
}

void sendLocalParamsRequest(ProgramContext& ctx, std::uint8_t select) {
  std::uint8_t frame[kHp1RequestBuffer];
  std::size_t n = buildLocalParamsRequest(frame, ctx.currentCardMac(), kBroadcastMac, select);
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, static_cast<std::uint16_t>(n));
}

// Runs the action of the current phase; true when the phase is done.
bool runPhase(ProgramContext& ctx) {
  LocalAdapter& adapter = ctx.currentAdapter();
  switch (ctx.scan.phase) {
    case 1:
      if (!ctx.kestrelMode) sendLocalParamsRequest(ctx, adapter.paramsValid ? 0 : 16);
      sendHp1(ctx, buildStationRequest, kBroadcastMac);
      if (ctx.scan.notify) ctx.scan.notify(1);
      return true;
    case 2:
      for (const StationRecord& station : ctx.currentNetwork().stations)
        if (station.valid) sendHp1(ctx, buildStationRequest, station.mac);
      return true;
    case 3:
      if (!macIsSet(ctx.currentCardMac().data())) return false;
      if (ctx.kestrelMode)
        requestStatistics(ctx, adapter.mac);
      else if (ctx.avMode)
        scanAvNetwork(ctx, adapter.mac);
      else
        sendHp1(ctx, buildNetworkStatsRequest, kBroadcastMac);
      return true;
    case 4:
      requestIdentity(ctx);
      if (!ctx.kestrelMode && adapter.paramsValid) sendLocalParamsRequest(ctx, 0);
      return true;
    case 5:
      if (!ctx.kestrelMode) sendLocalParamsRequest(ctx, 16);
      return true;
    default:
      return false;
  }
}

void storeKeyAndName(ProgramContext& ctx, StationRecord& station) {
  station.networkKey.fill(0);
  if (ctx.avMode) {
    station.networkKey = ctx.avNmk;
    station.networkName.set(ctx.avNetworkName);
  } else {
    std::memcpy(station.networkKey.data(), ctx.hp1Key.data(), 8);
    station.networkName.set(ctx.hp1NetworkName);
  }
}

}  // namespace

std::uint32_t scanTimerPeriodMs(std::int32_t ticksPerPhase) {
  // Only the low 16 bits of the interval take effect, as a signed number.
  auto interval = static_cast<std::int16_t>(ticksPerPhase & 0xFFFF);
  return static_cast<std::uint32_t>(std::max<int>(interval, 1) * 10 / 7);
}

void startScanTimer(ProgramContext& ctx) {
  ctx.scan.tick = 0;
  ctx.scan.phase = 1;
  ctx.scan.timerRunning = true;
}

void stopScanTimer(ProgramContext& ctx) {
  ctx.scan.timerRunning = false;
}

bool setAutoScan(ProgramContext& ctx, bool enabled) {
  bool wasEnabled = !ctx.scan.paused;
  ctx.scan.paused = !enabled;
  return wasEnabled;
}

void scanTick(ProgramContext& ctx) {
  ScanState& scan = ctx.scan;
  if (scan.held || (scan.paused && !scan.forced)) return;
  processHp10Frames(ctx, nullptr);
  if (++scan.tick == scan.ticksPerPhase) {
    scan.tick = 0;
    ++scan.phase;
  }
  if (scan.phase == 7) {
    ageStations(ctx);
    detectLocalAdapters(ctx);
    if (scan.notify) scan.notify(7);
    scan.tick = 0;
    scan.phase = 0;
    scan.forced = false;
    ++scan.cyclesCompleted;
  }
  ctx.tsc4000Local = ctx.currentAdapter().kind >= kKindAvTsc4000 ? 4 : 0;
  if (!ctx.currentAdapter().present) return;
  std::uint64_t start = ctx.clock.nowMs();
  bool phase3 = scan.phase == 3;
  bool done = runPhase(ctx);
  if (phase3 && done) scan.lastPhase3Ms = ctx.clock.nowMs() - start;
  if (done) {
    scan.tick = 0;
    ++scan.phase;
  }
}

StationRecord* findStation(ProgramContext& ctx, const MacAddress& mac) {
  if (!macIsSet(mac.data())) return nullptr;
  for (StationRecord& station : ctx.currentNetwork().stations)
    if (station.mac == mac) return &station;
  return nullptr;
}

void seeStation(ProgramContext& ctx, const MacAddress& mac) {
  // A station has an address of its own: the all-zero address marks a free
  // slot, and a group address (broadcast, multicast) is no one's.
  if (mac == ctx.currentAdapter().mac || !macIsSet(mac.data()) || (mac[0] & 1)) return;
  StationRecord* station = findStation(ctx, mac);
  if (!station) {
    auto& stations = ctx.currentNetwork().stations;
    for (StationRecord& s : stations)
      if (!macIsSet(s.mac.data())) {
        station = &s;
        break;
      }
    if (!station) station = &stations[kMaxStations - 1];  // a full table reuses the last record
    station->mac = mac;
    station->kind = ctx.avMode ? std::uint32_t{kKindAv} : std::uint32_t{1};
  }
  station->valid = 1;
  station->missesLeft = static_cast<std::int8_t>(ctx.missesTillDrop);
  storeKeyAndName(ctx, *station);
  ++station->sent;
}

void updateRate(RateStats& stats, RateSample sample, RateMode mode) {
  double v = 0;
  switch (mode) {
    case RateMode::HomePlug10:
      v = 1.1434511434511434 * (sample.raw / 42.0) - 0.12978912978912938;
      break;
    case RateMode::Boost:
      v = scaleHp10Rate(sample.raw);
      break;
    case RateMode::Av:
      v = static_cast<double>((static_cast<std::uint32_t>(sample.raw) * 200) / 151);
      break;
  }
  if (std::fabs(stats.current - v) > 0.02) stats.changed = 1;
  stats.current = std::trunc(v);
  if (stats.lowest > stats.current || stats.lowest < 1.0) stats.lowest = stats.current;
  if (stats.highest < stats.current) stats.highest = stats.current;
  stats.fails = sample.fails;
  stats.drops = sample.drops;
}

void ageStations(ProgramContext& ctx) {
  if (ctx.loggingLevel >= 20 && ctx.hooks.writeScanLog) ctx.hooks.writeScanLog();
  AdapterNetwork& network = ctx.currentNetwork();
  network.stationCount = 0;
  for (StationRecord& station : network.stations) {
    if (!station.valid) continue;
    ++network.stationCount;
    if (station.missesLeft > 0) --station.missesLeft;
    if (station.missesLeft != 0) continue;
    station.valid = 0;
    station.tx.current = 0;
    station.misses += ctx.missesTillDrop;
    if (network.stationCount > 0) --network.stationCount;
  }
}

void scanAvNetwork(ProgramContext& ctx, const MacAddress& adapterMac) {
  bool versionOne = ctx.tsc4000Local >= 4;
  std::array<std::uint8_t, 1528> frame{};
  std::size_t n = thpapiEncodeNetworkInfoRequest(ctx.thpapi, ctx.currentCardMac(), adapterMac,
                                                 frame, versionOne);
  if (n == 0) {
    std::printf("something wrong in THAPI_GETVERSION \n");
    return;
  }
  sendFrame(ctx.cards, ctx.cards.currentCard, frame.data(), static_cast<std::uint16_t>(n));
  ThpapiResult info;
  Bytes infoFrame;
  if (!awaitConfirm(ctx, kMmNetworkInfoRequest, info, kConfirmWaitMs, &infoFrame)) return;
  takeAvStations(ctx, parseNetworkInfo(infoFrame, versionOne), versionOne);
}

void takeAvStations(ProgramContext& ctx, const std::vector<AvStationEntry>& entries,
                    bool versionOne) {
  std::array<std::uint8_t, 1528> frame{};
  for (const AvStationEntry& entry : entries) {
    if (entry.mac == ctx.currentAdapter().mac || entry.mac == kBroadcastMac) continue;
    seeStation(ctx, entry.mac);
    StationRecord* station = findStation(ctx, entry.mac);
    if (!station) continue;
    std::size_t n = thpapiEncodeVersionRequest(ctx.thpapi, ctx.currentCardMac(), entry.mac, frame);
    if (n == 0) continue;
    sendFrame(ctx.cards, ctx.cards.currentCard, frame.data(), static_cast<std::uint16_t>(n));
    ThpapiResult version;
    // Only the station's own answer counts: a late answer of another station
    // must not give this one its firmware.
    if (!awaitConfirm(ctx, kMmVersionRequest, version, kConfirmWaitMs, nullptr, &entry.mac))
      continue;
    FirmwareIdentity identity = identifyFirmware(version, 186);
    station->firmware.set(identity.version);
    if (versionOne && version.data[0] == 4) station->kind = kKindAvTsc4000;
    updateRate(station->tx, {entry.tx, 0, 0}, RateMode::Av);
    updateRate(station->rx, {entry.rx, 0, 0}, RateMode::Av);
  }
}

bool onHp1ScanFrame(ProgramContext& ctx, ByteView frame) {
  if (frame.size() < 18) return false;
  std::uint8_t type = frame[15];
  switch (type) {
    case 6:
      return true;
    case kHp1StationReply: {
      MacAddress source;
      std::memcpy(source.data(), frame.data() + 6, 6);
      seeStation(ctx, source);
      return true;
    }
    case kHp1LocalParams:
      if (frame[16] != 0x33) return false;
      takeLocalParams(ctx, frame);
      return true;
    case kHp1NetworkStats:
      if (frame[17] == 0x80) return false;
      hp1StationRates(ctx, frame);
      if (ctx.scan.notify) ctx.scan.notify(ctx.scan.phase);
      return true;
    default:
      return false;
  }
}

void hp1StationRates(ProgramContext& ctx, ByteView frame) {
  if (ctx.kestrelMode) return;  // Boost stations report through their own statistics answer
  struct Entry {
    MacAddress mac;
    RateSample sample;
  };
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < 15; ++i) {
    ByteReader r(frame, 24 + 12 * i);
    if (!r.has(12)) break;
    Entry e;
    e.mac = r.array<6>();
    e.mac[0] &= 0xFE;
    e.sample.raw = r.u16le();
    e.sample.fails = r.u16le();
    e.sample.drops = r.u16le();
    entries.push_back(e);
  }
  AdapterNetwork& network = ctx.currentNetwork();
  for (StationRecord& station : network.stations) {
    if (!station.valid) continue;
    for (Entry e : entries) {
      if (e.mac != station.mac) continue;
      if (station.kind == kKindBoost)
        e.sample.raw = static_cast<std::uint16_t>(std::min<int>(e.sample.raw, 519) * 85 / 14);
      updateRate(station.tx, e.sample, RateMode::HomePlug10);
      updateRate(station.rx, e.sample, RateMode::HomePlug10);
      break;
    }
  }
  double sum = 0;
  int counted = 0;
  for (const StationRecord& station : network.stations) {
    if (!station.valid || station.tx.current == 0) break;
    sum += station.tx.current;
    ++counted;
  }
  // The mean back as a raw rate. A station that reports more than the raw
  // range holds (a damaged or forged frame) saturates it instead of wrapping.
  double mean = counted ? std::trunc(sum * 42.0 / counted) : 0;
  auto raw = static_cast<std::uint16_t>(mean >= 0 ? std::min(mean, 65535.0) : 0);
  updateRate(network.localTx, {raw, 0, 0}, RateMode::HomePlug10);
  updateRate(network.localRx, {raw, 0, 0}, RateMode::HomePlug10);
}

void clearStationTable(AdapterNetwork& network) {
  network.stationCount = 0;
  for (StationRecord& station : network.stations) {
    station.valid = 0;
    station.tx.current = 0;
    station.missesLeft = 0;
  }
}

}  // namespace strandline
