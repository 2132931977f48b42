#include "storage/device_database.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <string_view>

#include "base/keys.h"
#include "base/mac_address.h"

namespace strandline {

void resetDatabaseTables(DeviceDatabase& db) {
  for (AdapterNetwork& a : db.adapters) {
    a = AdapterNetwork{};
    a.networkName.set(kDefaultAvNetworkName);
  }
  db.known.devices.clear();
  db.currentCard = 0;
}

Bytes encodeDatabase(const DeviceDatabase& db) {
  std::size_t count = std::min(db.known.count(), kMaxKnownDevices);
  Bytes out(databaseSize(count));
  ByteWriter w(out);
  w.u32le(static_cast<std::uint32_t>(kDatabaseVersion));
  w.u32le(static_cast<std::uint32_t>(db.currentCard));
  for (const AdapterNetwork& a : db.adapters) a.serialize(w);
  w.u32le(static_cast<std::uint32_t>(count));
  for (std::size_t i = 0; i < count; ++i) db.known.devices[i].serialize(w);
  for (std::int32_t v : db.columns.order) w.u32le(static_cast<std::uint32_t>(v));
  for (std::int32_t v : db.columns.widths) w.u32le(static_cast<std::uint32_t>(v));
  w.u32le(static_cast<std::uint32_t>(db.sortToggle));
  w.u32le(static_cast<std::uint32_t>(db.sortColumn));
  return out;
}

static DecodeResult fail(DecodeStatus status, std::string problem) {
  return {status, std::move(problem)};
}

static DecodeResult truncatedAt(const char* where, std::size_t size) {
  return fail(DecodeStatus::Truncated, "the file ends inside " + std::string(where) + " (" +
                                           std::to_string(size) + " bytes)");
}

static std::int32_t readI32(ByteReader& r) {
  return static_cast<std::int32_t>(r.u32le());
}

DecodeResult decodeDatabase(ByteView data, DeviceDatabase& db) {
  ByteReader r(data);
  std::int32_t version = readI32(r);
  if (!r.ok()) return fail(DecodeStatus::NoVersion, "the file is too short to hold a version");
  if (version < kDatabaseVersion)
    return fail(DecodeStatus::OldVersion, "version " + std::to_string(version) + " is older than " +
                                              std::to_string(kDatabaseVersion));
  db.version = version;

  std::int32_t card = readI32(r);
  if (!r.ok()) return truncatedAt("the current card", data.size());
  db.currentCard = std::clamp(card, 0, static_cast<std::int32_t>(kDatabaseCards - 1));

  for (std::size_t i = 0; i < kDatabaseCards; ++i) {
    AdapterNetwork record;
    record.parse(r);
    if (!r.ok()) return truncatedAt("the network records", data.size());
    db.adapters[i] = record;
  }

  std::int32_t count = readI32(r);
  if (!r.ok()) return truncatedAt("the known-device count", data.size());
  db.known.devices.clear();
  if (count < 1 || count > static_cast<std::int32_t>(kMaxKnownDevices))
    return fail(DecodeStatus::BadKnownCount,
                "the known-device count " + std::to_string(count) + " is outside 1 to 100");
  for (std::int32_t i = 0; i < count; ++i) {
    KnownDevice device;
    device.parse(r);
    if (!r.ok()) return truncatedAt("the known devices", data.size());
    db.known.devices.push_back(device);
  }

  ColumnLayout columns;
  for (std::int32_t& v : columns.order) v = readI32(r);
  for (std::int32_t& v : columns.widths) v = readI32(r);
  if (!r.ok()) return truncatedAt("the column layout", data.size());
  db.columns = columns;

  std::int32_t toggle = readI32(r);
  std::int32_t column = readI32(r);
  if (!r.ok()) return truncatedAt("the sort settings", data.size());
  db.sortToggle = toggle;
  db.sortColumn = column;
  return {};
}

struct DatabaseFile::Knowledge {
  std::mutex mutex;  // one read or save at a time through the copies of a DatabaseFile
  // Set when the last read found something it could not read: it stays as it is.
  bool leaveAlone = false;
  // The database as this program last had it in common with the file: as
  // loaded, then as handed to each save (before that save's merge). Null when
  // there was no file. What differs from it in the file another program changed.
  std::unique_ptr<DeviceDatabase> base;
};

DatabaseFile::DatabaseFile(std::string path)
    : path_(std::move(path)), knowledge_(std::make_shared<Knowledge>()) {}

DatabaseReadResult readDatabase(const DatabaseFile& databaseFile, DeviceDatabase& db, FileOps& ops,
                                std::time_t now) {
  const std::string& path = databaseFile.path();
  DatabaseFile::Knowledge& knowledge = databaseFile.knowledge();
  std::lock_guard lock(knowledge.mutex);
  knowledge.leaveAlone = false;
  knowledge.base.reset();
  DatabaseReadResult result;
  // Saves replace the file a link at the path leads to, and leave their
  // temporary files beside it; a damaged one is set aside there too, and the
  // link stays for the next save.
  ResolvedPath resolved = resolveLinks(ops, path);
  const std::string& filePath = resolved.error.empty() ? resolved.path : path;
  removeStaleTemporaries(filePath);
  ReadFileResult file = readWholeFile(ops, path, databaseSize(kMaxKnownDevices));
  if (file.status == ReadFileResult::Status::Missing) {
    resetDatabaseTables(db);
    result.tablesReset = true;
    return result;
  }
  // Only a file that was read and did not decode is damaged. Anything else
  // (a folder, a FIFO, a file the user may not read, an I/O error) is left
  // where it is, and no save replaces it: it may well hold the devices.
  if (file.status == ReadFileResult::Status::Failed) {
    resetDatabaseTables(db);
    result.tablesReset = true;
    result.status = DatabaseReadResult::Status::Unreadable;
    result.problem =
        "cannot be read (" + file.reason + "); it is left as it is and nothing is saved to it";
    result.notice = Notice{"The device database " + path + " cannot be read (" + file.reason +
                               "). It is left as it is, and nothing is saved to it.",
                           "Problem Occurred", MessageIcon::Exclamation};
    knowledge.leaveAlone = true;
    return result;
  }

  DecodeResult decoded = decodeDatabase(file.data, db);
  if (decoded.ok()) {
    result.status = DatabaseReadResult::Status::Loaded;
    knowledge.base = std::make_unique<DeviceDatabase>(db);
    return result;
  }

  result.status = DatabaseReadResult::Status::Recovered;
  result.problem = decoded.problem;
  KeepAsideResult aside = keepAside(ops, filePath, now);
  result.keptAside = aside.path;
  if (aside.error.empty()) {
    result.problem += "; it was set aside as " + aside.path;
  } else {
    // A damaged file that could not be moved is not saved over either.
    result.problem += "; " + aside.error + ", so it is left as it is";
    knowledge.leaveAlone = true;
  }

  if (decoded.status == DecodeStatus::OldVersion) {
    resetDatabaseTables(db);
    result.tablesReset = true;
    result.notice = Notice{kDatabaseReadMessage, "Attention!", MessageIcon::Exclamation};
  }
  if (decoded.status == DecodeStatus::BadKnownCount)
    result.notice = Notice{kDatabaseReadMessage, "Problem Occurred", MessageIcon::Exclamation};
  return result;
}

namespace {

// The three-way choice for one group of fields: this program's value when it
// changed it since `base`, else the file's (which another program may have changed).
template <class T>
const T& pick(const T& base, const T& ours, const T& theirs) {
  return ours != base ? ours : theirs;
}

const KnownDevice* findByMac(const KnownDeviceTable& table, const MacAddress& mac) {
  int position = findKnownByMac(table, mac);
  return position ? &table.at(position) : nullptr;
}

// What the user sets on a device (the rest follows the scans).
bool sameUserFields(const KnownDevice& a, const KnownDevice& b) {
  return a.name == b.name && a.password == b.password;
}

// A name the program gave by itself ("Device 12"), not the user.
bool isAutomaticName(const std::string& name) {
  constexpr std::string_view kWord = "Device ";
  return name.size() > kWord.size() && name.starts_with(kWord) &&
         std::all_of(name.begin() + kWord.size(), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

KnownDevice mergeDevice(const KnownDevice* base, const KnownDevice& ours,
                        const KnownDevice& theirs) {
  // A device new to both: every field ours set counts as a change, but for
  // an automatic name, which was given without knowing theirs.
  KnownDevice none;
  none.mac = ours.mac;
  if (isAutomaticName(ours.name.str()) && !theirs.name.str().empty()) none.name = ours.name;
  const KnownDevice& b = base ? *base : none;
  KnownDevice out = ours;
  out.name = pick(b.name, ours.name, theirs.name);
  out.password = pick(b.password, ours.password, theirs.password);
  // A network name goes with its key.
  bool oursNetwork = ours.networkName != b.networkName || ours.networkKey != b.networkKey;
  out.networkName = oursNetwork ? ours.networkName : theirs.networkName;
  out.networkKey = oursNetwork ? ours.networkKey : theirs.networkKey;
  out.reserved = pick(b.reserved, ours.reserved, theirs.reserved);
  out.lastSeen = std::max(ours.lastSeen, theirs.lastSeen);
  return out;
}

// How a save combines this program's database (ours) with the file as it is
// now (theirs), given what this program last had in common with the file
// (base), so that another program's save since then is not lost:
//  - Known devices are matched by MAC. Of a device both have, each field group
//    (name; password; network name with its key; reserved bytes) is ours
//    when this program changed it since base, else theirs; when both changed
//    it, ours wins (the later save). A device that both added since base
//    counts as changed in every field ours set, except an automatic name
//    ("Device N"), which never beats theirs. lastSeen is the later of the two.
//  - A device only one side has is kept when that side added it (it is not in
//    base). When the other side deleted it, it stays deleted unless the side
//    that still has it changed its name or password since base.
//  - Our devices come first in our order, then theirs in theirs, at most 100.
//    A device whose automatic name an earlier one has already gets the next
//    free automatic name (both sides numbered their new devices alike).
//  - The selected card, each card's network record, the column layout and
//    the sort settings are groups chosen the same way.
std::unique_ptr<DeviceDatabase> mergeDatabases(const DeviceDatabase& base,
                                               const DeviceDatabase& ours,
                                               const DeviceDatabase& theirs) {
  auto out = std::make_unique<DeviceDatabase>(ours);
  out->currentCard = pick(base.currentCard, ours.currentCard, theirs.currentCard);
  for (std::size_t i = 0; i < kDatabaseCards; ++i)
    out->adapters[i] = pick(base.adapters[i], ours.adapters[i], theirs.adapters[i]);
  out->columns = pick(base.columns, ours.columns, theirs.columns);
  if (ours.sortToggle == base.sortToggle && ours.sortColumn == base.sortColumn) {
    out->sortToggle = theirs.sortToggle;
    out->sortColumn = theirs.sortColumn;
  }

  std::vector<KnownDevice>& devices = out->known.devices;
  devices.clear();
  for (const KnownDevice& o : ours.known.devices) {
    const KnownDevice* b = findByMac(base.known, o.mac);
    if (const KnownDevice* t = findByMac(theirs.known, o.mac))
      devices.push_back(mergeDevice(b, o, *t));
    else if (!b || !sameUserFields(*b, o))
      devices.push_back(o);
  }
  for (const KnownDevice& t : theirs.known.devices) {
    if (findByMac(ours.known, t.mac) || !macIsSet(t.mac.data())) continue;
    const KnownDevice* b = findByMac(base.known, t.mac);
    if (!b || !sameUserFields(*b, t)) devices.push_back(t);
  }
  if (devices.size() > kMaxKnownDevices) devices.resize(kMaxKnownDevices);
  std::set<std::string> names;
  for (KnownDevice& d : devices)
    if (!names.insert(d.name.str()).second && isAutomaticName(d.name.str())) {
      d.name.set(automaticName(out->known));
      names.insert(d.name.str());
    }
  return out;
}

}  // namespace

Status writeDatabase(const DatabaseFile& databaseFile, const DeviceDatabase& db, FileOps& ops) {
  const std::string& path = databaseFile.path();
  DatabaseFile::Knowledge& knowledge = databaseFile.knowledge();
  std::lock_guard lock(knowledge.mutex);
  // The reader told the user that nothing is saved over what it found.
  if (knowledge.leaveAlone) return {};
  if (db.known.count() == 0) return {};

  // Other programs saving the same file wait while this one reads, merges and
  // replaces it, and then merge with what this one wrote.
  ResolvedPath target = resolveLinks(ops, path);
  if (!target.error.empty()) return Status::failure("cannot replace " + path + ": " + target.error);
  FileLock fileLock(ops, target.path);
  if (!fileLock.status().ok()) return fileLock.status();

  std::unique_ptr<DeviceDatabase> merged;
  ReadFileResult now = readWholeFile(ops, target.path, databaseSize(kMaxKnownDevices));
  if (now.status == ReadFileResult::Status::Failed)
    return Status::failure(now.error + "; it is not saved over");
  if (now.status == ReadFileResult::Status::Ok) {
    auto theirs = std::make_unique<DeviceDatabase>();
    DecodeResult decoded = decodeDatabase(now.data, *theirs);
    if (decoded.ok()) {
      auto empty = std::make_unique<DeviceDatabase>();
      resetDatabaseTables(*empty);
      merged = mergeDatabases(knowledge.base ? *knowledge.base : *empty, db, *theirs);
      if (merged->known.count() == 0) return {};
    } else {
      // Damaged since it was read (not by a program of ours: they replace
      // files whole): set aside as on reading, then written as if missing.
      KeepAsideResult aside = keepAside(ops, target.path, systemWallSeconds());
      if (!aside.error.empty())
        return Status::failure(path + " is damaged (" + decoded.problem + "); " + aside.error);
    }
  }
  Status written =
      writeFileAtomically(ops, target.path, encodeDatabase(merged ? *merged : db), 0600);
  if (written.ok()) knowledge.base = std::make_unique<DeviceDatabase>(db);
  return written;
}

std::string databasePath(const std::string& folder, const std::string& appName) {
  std::string name = appName;
  std::replace(name.begin(), name.end(), '/', '_');
  return folder + "/" + name + ".data";
}

}  // namespace strandline
