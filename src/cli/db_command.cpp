// strandline-cli db show [FILE]: the device database as JSON.
// strandline-cli db delete MAC [--db FILE] [--yes]: removes a known device and
// its station record, as the Diagnostics page's Delete does.
#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "platform/data_folder.h"
#include "storage/device_database.h"
#include "storage/oem_prefs.h"

#include "app/diagnostics_actions.h"

namespace strandline::cli {

using json = nlohmann::ordered_json;

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

// Asks on the terminal; only "y" or "yes" agrees.
static bool confirmed(const std::string& question) {
  std::fprintf(stderr, "%s [y/N] ", question.c_str());
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return answer == "y" || answer == "yes";
}

struct DeleteOptions {
  std::string macText, path;
  bool yes = false;
};

static int runDelete(const DeleteOptions& o) {
  const std::string& macText = o.macText;
  const std::string& path = o.path;
  const bool yes = o.yes;
  MacAddress mac{};
  if (!parseMac(macText, mac)) {
    std::fprintf(stderr, "strandline-cli: '%s' is not a MAC address\n", macText.c_str());
    return kExitUsage;
  }
  DatabaseFile file(path.empty() ? defaultDatabasePath() : path);
  auto db = std::make_unique<DeviceDatabase>();
  DatabaseReadResult read = readDatabase(file, *db);
  if (read.status != DatabaseReadResult::Status::Loaded) {
    std::fprintf(stderr, "strandline-cli: %s: %s\n", file.c_str(),
                 read.status == DatabaseReadResult::Status::Missing ? "no database there"
                                                                    : read.problem.c_str());
    return kExitFailure;
  }
  int position = findKnownByMac(db->known, mac);
  if (position == 0) {
    std::fprintf(stderr, "strandline-cli: %s holds no device %s\n", file.c_str(),
                 macToText(mac).c_str());
    return kExitFailure;
  }
  const KnownDevice device = db->known.at(position);
  // A database without devices is never written, so the last one would come back.
  if (db->known.count() == 1) {
    std::fprintf(stderr,
                 "strandline-cli: %s is the only device in %s; a database without devices is not "
                 "written, so it is kept\n",
                 macToText(mac).c_str(), file.c_str());
    return kExitFailure;
  }
  if (!device.password.empty() && !yes) {
    std::string question = app::kDeletePasswordQuestion;
    std::erase(question, '\n');
    if (!confirmed(question)) {
      std::fprintf(stderr, "strandline-cli: %s kept\n", macToText(mac).c_str());
      return kExitFailure;
    }
  }
  std::size_t card = static_cast<std::size_t>(db->currentCard);
  deleteKnownDevice(db->known, position,
                    card < db->adapters.size() ? &db->adapters[card] : nullptr);
  Status written = writeDatabase(file, *db);
  if (!written.ok()) {
    std::fprintf(stderr, "strandline-cli: %s could not be written: %s\n", file.c_str(),
                 written.message.c_str());
    return kExitFailure;
  }
  std::printf("deleted \"%s\" %s\n", device.name.str().c_str(), macToText(mac).c_str());
  return kExitOk;
}

static int runShow(const std::string& given) {
  std::string path = given.empty() ? defaultDatabasePath() : given;

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

void addDbCommand(CLI::App& app, Action& action) {
  CLI::App* db = app.add_subcommand("db", "the device database");

  auto showPath = std::make_shared<std::string>();
  CLI::App* show = db->add_subcommand("show", "the device database as JSON");
  show->add_option("FILE", *showPath, "the database file (default: the window's)");
  onRun(*show, action, [showPath] { return runShow(*showPath); });

  auto o = std::make_shared<DeleteOptions>();
  CLI::App* remove = db->add_subcommand(
      "delete",
      "remove a device from the database (a device with a password only after a yes, or with "
      "--yes)");
  remove->add_option("MAC", o->macText, "the device")->required();
  addDatabaseOption(*remove, o->path, "the database file (default: the window's)");
  remove->add_flag("--yes", o->yes, "do not ask before removing a device with a password");
  onRun(*remove, action, [o] { return runDelete(*o); });
}

}  // namespace strandline::cli
