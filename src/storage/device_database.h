// The device database: the network record of every card, the known devices,
// the selected card and the remote list's column layout and sort settings.
//
// The file is one little-endian image (140700 + 198 N bytes for N known
// devices, version 306), read once at start and replaced whole after every
// change. Writes never leave a half-written file behind, and a file that was
// read but does not decode is kept aside under a ".damaged" name, never
// emptied. Whatever else is at the path and cannot be read is left alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "model/known_device.h"
#include "model/network_records.h"
#include "platform/clock.h"
#include "platform/file_ops.h"
#include "platform/prompter.h"

namespace strandline {

inline constexpr std::int32_t kDatabaseVersion = 306;
inline constexpr std::size_t kDatabaseCards = 8;
inline constexpr std::size_t kListColumns = 5;
// Offset of the known-device count: version, current card, the 8 network records.
inline constexpr std::size_t kKnownCountOffset = 8 + kDatabaseCards * kAdapterNetworkSize;
inline constexpr std::size_t databaseSize(std::size_t knownCount) {
  return kKnownCountOffset + 4 + kKnownDeviceSize * knownCount + 4 * (2 * kListColumns + 2);
}
static_assert(kKnownCountOffset == 140648);
static_assert(databaseSize(0) == 140700 && databaseSize(1) == 140898);

inline constexpr const char* kDatabaseReadMessage =
    "Unexpected condition reading database. Attempting to recover.";
// What the user is shown when a write fails.
inline const Notice kDatabaseWriteFailed{
    "Unexpected condition writing database. Attempting to recover.", "Problem Occurred",
    MessageIcon::Error};

// The remote list's layout: the column index shown at each display position,
// and the width of each column in insertion order. The defaults are those of a
// fresh list with all five columns. The window copies its current layout here
// before each write.
struct ColumnLayout {
  std::array<std::int32_t, kListColumns> order{0, 4, 3, 2, 1};
  std::array<std::int32_t, kListColumns> widths{140, 120, 90, 80, 110};
  bool operator==(const ColumnLayout&) const = default;
};

struct DeviceDatabase {
  std::int32_t version = kDatabaseVersion;  // as read; always written as 306
  std::int32_t currentCard = 0;
  std::array<AdapterNetwork, kDatabaseCards> adapters{};
  KnownDeviceTable known;
  ColumnLayout columns;
  std::int32_t sortToggle = 1;
  std::int32_t sortColumn = 1;
  bool operator==(const DeviceDatabase&) const = default;
};

// Zeroes the network records (network name "HomePlugAV"), empties the known
// devices and selects card 0. The column layout and sort settings stay.
void resetDatabaseTables(DeviceDatabase& db);

// The file image of the database.
Bytes encodeDatabase(const DeviceDatabase& db);

enum class DecodeStatus {
  Ok,
  NoVersion,      // fewer than 4 bytes
  OldVersion,     // version below 306
  BadKnownCount,  // known-device count outside 1 to 100
  Truncated,      // the file ends before its last field
};
struct DecodeResult {
  DecodeStatus status = DecodeStatus::Ok;
  std::string problem;  // what was wrong, for a message or a log
  bool ok() const { return status == DecodeStatus::Ok; }
};

// Reads the image into db field group by field group. On failure the groups
// read before the damage stay in db (a record cut short is not taken), except
// that a bad known-device count leaves the known devices empty. A current card
// above 7 is read as 7 and one below 0 as 0.
DecodeResult decodeDatabase(ByteView data, DeviceDatabase& db);

struct DatabaseReadResult {
  // Unreadable: something is at the path that could not be read (not a
  // regular file, permission denied, an I/O error); it is left in place.
  enum class Status { Loaded, Missing, Recovered, Unreadable };
  Status status = Status::Missing;
  // Why the file was not loaded whole and what became of it; without the path,
  // which the caller names.
  std::string problem;
  std::string keptAside;  // where the damaged file was moved, if it was
  // The network records were reset: the caller enumerates and opens the cards again.
  bool tablesReset = false;
  std::optional<Notice> notice;  // the box the caller shows the user, if any
};

// The device database file as one program uses it: its path, and what the
// program knows of the file from its last read or save, which lets a save keep
// what another program saved meanwhile. Copies share that knowledge (they are
// the same program's use of the file); assigning a path starts afresh. It
// converts from and to the path, so callers keep it where they kept the path.
class DatabaseFile {
 public:
  struct Knowledge;  // kept by readDatabase and writeDatabase

  DatabaseFile() : DatabaseFile(std::string()) {}
  DatabaseFile(std::string path);  // NOLINT(google-explicit-constructor)
  DatabaseFile(const char* path) : DatabaseFile(std::string(path)) {}  // NOLINT
  const std::string& path() const { return path_; }
  operator const std::string&() const { return path_; }  // NOLINT
  const char* c_str() const { return path_.c_str(); }
  bool empty() const { return path_.empty(); }
  Knowledge& knowledge() const { return *knowledge_; }

 private:
  std::string path_;
  std::shared_ptr<Knowledge> knowledge_;
};

// Reads the database file into db. A missing file resets the tables. A file
// that was read but does not decode is moved aside (keepAside, named after
// `now`) and the result carries the notice for the user: an old version resets
// the tables ("Attention!"), a bad known-device count leaves the known devices
// empty ("Problem Occurred"), a short file keeps what was read before its end.
// Anything at the path that cannot be read (not a regular file, no permission,
// an I/O error) resets the tables and is Unreadable, with a notice; it stays
// where it is and no later save through this DatabaseFile replaces it.
DatabaseReadResult readDatabase(const DatabaseFile& file, DeviceDatabase& db,
                                FileOps& ops = systemFileOps(),
                                std::time_t now = systemWallSeconds());

// Saves db, owner read/write only. Under a lock on "<file>.lock" beside it
// (other programs' saves wait), the file is read again and db merged by MAC
// with what other programs saved since this DatabaseFile last read or saved
// it (the rule is beside the code), and the result replaces the file whole.
// A database without known devices is not written, nor one whose last read
// was Unreadable. On failure the old file stays as it was and the reason is
// returned; the caller shows kDatabaseWriteFailed. db itself is not changed:
// what others saved reaches this program on its next read.
Status writeDatabase(const DatabaseFile& file, const DeviceDatabase& db,
                     FileOps& ops = systemFileOps());
// "<folder>/<appName>.data"; a '/' in the application name becomes '_'.
std::string databasePath(const std::string& folder, const std::string& appName);

}  // namespace strandline
