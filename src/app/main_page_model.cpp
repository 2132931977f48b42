#include "app/main_page_model.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "storage/device_database.h"

namespace strandline::app {

std::string statusLine(bool adding, int phase, bool autoScan) {
  if (adding) return "Adding device. Please Wait...";
  if (phase < 3) return " Scanning...";
  return autoScan ? " Autoscan On " : " Autoscan Off ";
}

std::string networkTypeLine(const std::string& networkName, bool avMode) {
  bool isPublic = networkName == (avMode ? "HomePlugAV" : "HomePlug");
  return std::string("Network Type: ") + (isPublic ? "Public" : "Private");
}

std::string deviceCountLine(int count) {
  char text[80];
  std::snprintf(text, sizeof text, "%d %s:", count,
                count == 1 ? "Powerline Device detected" : "Powerline Devices detected");
  return text;
}

std::string connectionLine(const std::array<LocalAdapter, kMaxCards>& adapters, int currentCard) {
  if (currentCard < 0 || currentCard >= kMaxCards) return kNotDetectedLine;
  const LocalAdapter& adapter = adapters[static_cast<std::size_t>(currentCard)];
  if (!adapter.present) return kNotDetectedLine;
  return "Connected to " + kindTextFor(adapter.kind);
}

std::vector<LocalRow> localRows(const std::array<LocalAdapter, kMaxCards>& adapters) {
  std::vector<LocalRow> rows;
  for (int card = 0; card < kMaxCards; ++card) {
    const LocalAdapter& adapter = adapters[static_cast<std::size_t>(card)];
    if (!adapter.present || !macIsSet(adapter.mac.data())) continue;
    rows.push_back({card, kindTextFor(adapter.kind), macToText(adapter.mac)});
  }
  return rows;
}

int cardForListIndex(const std::array<LocalAdapter, kMaxCards>& adapters, int index) {
  int counted = 0;
  for (int card = 0; card < kMaxCards; ++card) {
    if (!adapters[static_cast<std::size_t>(card)].present) continue;
    if (counted == index) return card;
    ++counted;
  }
  return -1;
}

bool takeAdapterChanges(AdapterSnapshot& snapshot,
                        const std::array<LocalAdapter, kMaxCards>& adapters) {
  bool changed = false;
  for (std::size_t i = 0; i < kMaxCards; ++i) {
    AdapterSnapshotEntry now{adapters[i].present != 0, adapters[i].kind, adapters[i].mac};
    if (snapshot[i] == now) continue;
    snapshot[i] = now;
    changed = true;
  }
  return changed;
}

DeviceDatabase databaseFrom(const ProgramContext& ctx, const MainPageState& state) {
  DeviceDatabase db;
  db.currentCard = ctx.cards.currentCard;
  db.adapters = ctx.networks;
  db.known = ctx.known;
  db.columns = state.columns;
  db.sortToggle = state.sortToggle;
  db.sortColumn = state.sortColumn;
  return db;
}

void takeDatabase(ProgramContext& ctx, MainPageState& state, const DeviceDatabase& db) {
  ctx.cards.currentCard = std::clamp(db.currentCard, 0, kMaxCards - 1);
  ctx.networks = db.adapters;
  ctx.known = db.known;
  state.columns = db.columns;
  state.sortToggle = db.sortToggle ? 1 : 0;
  state.sortColumn = std::clamp(db.sortColumn, 0, static_cast<std::int32_t>(kListColumns) - 1);
}

void loadDatabase(ProgramContext& ctx, MainPageState& state) {
  DeviceDatabase db = databaseFrom(ctx, state);
  DatabaseReadResult read =
      readDatabase(state.databasePath, db, systemFileOps(), ctx.clock.wallSeconds());
  if (read.notice) ctx.prompter.show(*read.notice);
  takeDatabase(ctx, state, db);
}

void saveDatabase(ProgramContext& ctx, const MainPageState& state) {
  if (state.databasePath.empty()) return;
  if (!writeDatabase(state.databasePath, databaseFrom(ctx, state)).ok())
    ctx.prompter.show(kDatabaseWriteFailed);
}

void clearStations(ProgramContext& ctx, MainPageState& state) {
  clearStationTable(ctx.currentNetwork());
  purgeEmptyKnownDevices(ctx.known);
  saveDatabase(ctx, state);
  ++state.listGeneration;
  state.listed.clear();
}

void selectAdapterFromList(ProgramContext& ctx, MainPageState& state) {
  int card = cardForListIndex(ctx.adapters, state.selectedLocalIndex);
  if (card < 0) return;
  ctx.cards.currentCard = card;
  ctx.kestrelMode = ctx.networks[static_cast<std::size_t>(card)].kind == kKindBoost;
}

namespace {

// Whether a missing adapter is reported: not while it restarts after a Set
// Local; seeing it again ends that.
bool reportMissing(ProgramContext& ctx, bool present) {
  if (present) ctx.keyFlow.suppressNotDetected = false;
  return !present && !ctx.keyFlow.suppressNotDetected;
}

}  // namespace

bool restartScanning(ProgramContext& ctx, MainPageState& state,
                     const std::function<void(int)>& notify) {
  clearStations(ctx, state);
  return startDiscovery(ctx, state.scanInterval, 3, notify, state.autoScan);
}

bool scanNow(ProgramContext& ctx, MainPageState& state, const std::function<void(int)>& notify) {
  try {
    ctx.scan.forced = true;
    state.firstScanPending = false;
    bool found = restartScanning(ctx, state, notify);
    if (reportMissing(ctx, found)) {
      ctx.prompter.messageBox(kNotDetectedScanText, kNotDetectedCaption, MessageIcon::Error,
                              MessageButtons::Ok);
      closeAllCards(ctx.cards);
    }
    takeAdapterChanges(state.adapterSnapshot, ctx.adapters);
    clearStations(ctx, state);
    return found;
  } catch (const std::exception&) {
    ctx.prompter.messageBox(kScanErrorText, kScanErrorCaption, MessageIcon::Error,
                            MessageButtons::Ok);
    return false;
  }
}

bool refreshAfterScan(ProgramContext& ctx, MainPageState& state, int phase, std::int64_t now) {
  state.lastPhase = phase;
  if (ctx.currentAdapter().present) {
    AdapterNetwork& network = ctx.currentNetwork();
    for (const StationRecord& station : network.stations) {
      if (!macIsSet(station.mac.data()) || !station.valid) continue;
      int position = findKnownByMac(ctx.known, station.mac);
      if (position == 0) position = addKnownDevice(ctx.known, station.mac);
      if (position == 0 || station.mac == ctx.currentAdapter().mac) continue;
      // A station entering the list is marked as seen on the current network.
      if (!state.listed.insert(station.mac).second) continue;
      KnownDevice& device = ctx.known.at(position);
      device.networkName.set(network.networkName.str());
      device.lastSeen = now;
    }
  }
  if (!takeAdapterChanges(state.adapterSnapshot, ctx.adapters)) return false;
  if (reportMissing(ctx, ctx.currentAdapter().present) && !state.adapterWarningShown) {
    state.adapterWarningShown = true;
    ctx.prompter.messageBox(kNotDetectedLine, kAdapterGoneCaption, MessageIcon::Error,
                            MessageButtons::Ok);
    state.adapterWarningShown = false;
  }
  selectAdapterFromList(ctx, state);
  clearStations(ctx, state);
  return true;
}

void createMainPage(ProgramContext& ctx, MainPageState& state,
                    const std::function<void(int)>& notify, std::int64_t now) {
  state.rescanOnActivate = false;
  loadDatabase(ctx, state);
  restartScanning(ctx, state, notify);
  setAutoScan(ctx, state.autoScan);
  selectAdapterFromList(ctx, state);
  refreshAfterScan(ctx, state, 5, now);
}

}  // namespace strandline::app
