// strandline-cli db show [FILE]: the device database as JSON.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "cli/commands.h"
#include "platform/data_folder.h"
#include "storage/device_database.h"
#include "storage/oem_prefs.h"

namespace strandline::cli {

using json = nlohmann::ordered_json;

static const char* kDbSynopsis = "db show [FILE]";

static json ratesJson(const RateStats& r) {
  return {{"current", r.current},
          {"lowest", r.lowest},
          {"highest", r.highest},
          {"fails", r.fails},
          {"drops", r.drops}};
}

static json stationJson(const StationRecord& s) {
  return {{"mac", macToText(s.mac)},
          {"kind", s.kind},
          {"firmware", s.firmware.str()},
          {"networkName", s.networkName.str()},
          {"networkKey", toHex(s.networkKey)},
          {"missesLeft", s.missesLeft},
          {"sent", s.sent},
          {"misses", s.misses},
          {"tx", ratesJson(s.tx)},
          {"rx", ratesJson(s.rx)}};
}

static json adapterJson(std::size_t card, const AdapterNetwork& a) {
  json stations = json::array();
  for (const StationRecord& s : a.stations)
    if (s.valid) stations.push_back(stationJson(s));
  return {{"card", card},
          {"cardMac", macToText(a.cardMac)},
          {"present", a.present},
          {"kind", a.kind},
          {"adapterMac", macToText(a.adapterMac)},
          {"firmware", a.firmware.str()},
          {"stationCount", a.stationCount},
          {"networkName", a.networkName.str()},
          {"networkKey", toHex(a.networkKey)},
          {"stations", stations}};
}

static json databaseJson(const DeviceDatabase& db) {
  json known = json::array();
  for (const KnownDevice& d : db.known.devices)
    known.push_back({{"name", d.name.str()},
                     {"mac", macToText(d.mac)},
                     {"password", d.password.str()},
                     {"networkName", d.networkName.str()},
                     {"networkKey", toHex(d.networkKey)},
                     {"lastSeen", d.lastSeen}});
  json adapters = json::array();
  for (std::size_t i = 0; i < db.adapters.size(); ++i)
    adapters.push_back(adapterJson(i, db.adapters[i]));
  return {{"version", db.version},           {"currentCard", db.currentCard},
          {"knownDevices", known},           {"adapters", adapters},
          {"columnOrder", db.columns.order}, {"columnWidths", db.columns.widths},
          {"sortToggle", db.sortToggle},     {"sortColumn", db.sortColumn}};
}

// The database the program would open: the data folder and the OEM application name.
static std::string defaultDatabasePath() {
  OemSettings oem = readOemPrefs(findShippedFile(kOemPrefsFileName));
  return databasePath(defaultDataFolder(), oem.prefs.appName);
}

int runDb(const Args& args) {
  if (args.empty() || args[0] != "show" || args.size() > 2) return usage(kDbSynopsis);
  std::string path = args.size() == 2 ? args[1] : defaultDatabasePath();

  ReadFileResult file = readWholeFile(systemFileOps(), path, databaseSize(kMaxKnownDevices));
  if (file.status == ReadFileResult::Status::Missing) {
    std::fprintf(stderr, "strandline-cli: no database at %s\n", path.c_str());
    return kExitFailure;
  }
  if (file.status == ReadFileResult::Status::Failed) {
    std::fprintf(stderr, "strandline-cli: %s\n", file.error.c_str());
    return kExitFailure;
  }
  auto db = std::make_unique<DeviceDatabase>();
  DecodeResult decoded = decodeDatabase(file.data, *db);
  if (!decoded.ok()) {
    std::fprintf(stderr, "strandline-cli: %s is damaged: %s\n", path.c_str(),
                 decoded.problem.c_str());
    return kExitFailure;
  }
  // Names and passwords are 8-bit text of any encoding: show bad UTF-8 as U+FFFD.
  std::printf("%s\n",
              databaseJson(*db).dump(2, ' ', false, json::error_handler_t::replace).c_str());
  return kExitOk;
}

}  // namespace strandline::cli
