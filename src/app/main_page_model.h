// The Main page's state and rules that run on the engine thread: start-up and
// restart of scanning, the refresh after each scan phase (naming new devices,
// noticing adapters that come and go), the database it keeps, and the texts of
// its status and connection lines.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/device_lists.h"
#include "core/program_context.h"
#include "storage/device_database.h"

namespace strandline::app {

inline constexpr const char* kNotDetectedLine = "HomePlug Adapter NOT DETECTED";
inline constexpr const char* kNotDetectedScanText =
    "The HomePlug Adapter was not detected.\nPlease check your computer cables.";
inline constexpr const char* kNotDetectedCaption = "HomePlug Adapter NOT DETECTED";
inline constexpr const char* kAdapterGoneCaption = "Problem Occurred";
inline constexpr const char* kScanErrorText = "Unknown Error occurred.";
inline constexpr const char* kScanErrorCaption = "SCAN NETWORK";

// " Scanning..." below phase 3, else " Autoscan On " / " Autoscan Off ";
// "Adding device. Please Wait..." while a device is being added.
std::string statusLine(bool adding, int phase, bool autoScan);
// "Network Type: Public" for the public network name of the mode, else "Private".
std::string networkTypeLine(const std::string& networkName, bool avMode);
// "%d Powerline Device detected:" for 1, "%d Powerline Devices detected:" otherwise.
std::string deviceCountLine(int count);
// "Connected to <kind text>" when the current adapter is present.
std::string connectionLine(const std::array<LocalAdapter, kMaxCards>& adapters, int currentCard);

// The local list: present adapters with a MAC, in card order.
std::vector<LocalRow> localRows(const std::array<LocalAdapter, kMaxCards>& adapters);
// The card of the present adapter at this list index, or -1 (the current card stays).
int cardForListIndex(const std::array<LocalAdapter, kMaxCards>& adapters, int index);

struct AdapterSnapshotEntry {
  bool present = false;
  std::uint32_t kind = 0;
  MacAddress mac{};
  bool operator==(const AdapterSnapshotEntry&) const = default;
};
using AdapterSnapshot = std::array<AdapterSnapshotEntry, kMaxCards>;
// Copies every difference into the snapshot; true when there was one.
bool takeAdapterChanges(AdapterSnapshot& snapshot,
                        const std::array<LocalAdapter, kMaxCards>& adapters);

// The window's state kept on the engine thread.
struct MainPageState {
  DatabaseFile databasePath;
  std::int32_t scanInterval = 30;
  bool autoScan = true;  // the autoscan setting (the About page toggles it)
  ColumnLayout columns;
  std::int32_t sortToggle = 1;
  std::int32_t sortColumn = 1;
  AdapterSnapshot adapterSnapshot{};
  bool adapterWarningShown = false;
  int selectedLocalIndex = 0;  // the local list row taken by selectAdapterFromList
  bool adding = false;         // a device is being added
  bool firstScanPending = true;
  bool rescanOnActivate = false;
  // Grows whenever the station table was cleared: the window empties its
  // remote list and rebuilds it.
  std::uint32_t listGeneration = 0;
  std::set<MacAddress> listed;  // stations shown since the list was last emptied
  int lastPhase = 5;
};

// The database image of the context and the window's layout.
DeviceDatabase databaseFrom(const ProgramContext& ctx, const MainPageState& state);
// Takes a database read at start-up into the context and the window's state.
void takeDatabase(ProgramContext& ctx, MainPageState& state, const DeviceDatabase& db);
// Reads the database file (messages through the context's prompter).
void loadDatabase(ProgramContext& ctx, MainPageState& state);
// Writes the database file; a database without known devices is not written.
void saveDatabase(ProgramContext& ctx, const MainPageState& state);

// Clears the current adapter's station table, removes empty known devices,
// writes the database and empties the remote list.
void clearStations(ProgramContext& ctx, MainPageState& state);
// Takes the remembered local list row as the current adapter.
void selectAdapterFromList(ProgramContext& ctx, MainPageState& state);
// Restarts scanning (step 10 of the page's creation); whether an adapter was found.
bool restartScanning(ProgramContext& ctx, MainPageState& state,
                     const std::function<void(int)>& notify);
// The scan command: a full rescan with the not-detected message.
bool scanNow(ProgramContext& ctx, MainPageState& state, const std::function<void(int)>& notify);
// The core of the refresh after a scan phase: names new stations, marks
// listed ones as seen, and on a change of the local adapters reselects and
// clears. Returns whether the adapters changed.
bool refreshAfterScan(ProgramContext& ctx, MainPageState& state, int phase, std::int64_t now);

// The page's creation after the database path is known: read the database,
// restart scanning, apply the autoscan setting, select the adapter, refresh.
void createMainPage(ProgramContext& ctx, MainPageState& state,
                    const std::function<void(int)>& notify, std::int64_t now);

}  // namespace strandline::app
