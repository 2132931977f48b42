#include "storage/device_database.h"
#include "platform/data_folder.h"
#include "storage/oem_prefs.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

#include "unit/storage_test_util.h"

namespace strandline {
namespace {

using test::FailingFileOps;
using test::readBytes;
using test::ScratchFolder;
using test::writeBytes;
using Status_ = DatabaseReadResult::Status;

MacAddress macOf(std::uint8_t a, std::uint8_t b) {
  return {0x00, 0x11, 0xAA, 0x00, a, b};
}

std::unique_ptr<DeviceDatabase> sampleDatabase(int devices, std::uint8_t variant = 0) {
  auto db = std::make_unique<DeviceDatabase>();
  resetDatabaseTables(*db);
  db->currentCard = 2;
  AdapterNetwork& a = db->adapters[2];
  a.present = 1;
  a.kind = 4;
  a.adapterMac = macOf(0xFE, variant);
  a.stationCount = 1;
  a.stations[0].valid = 1;
  a.stations[0].mac = macOf(0xEE, 1);
  a.stations[0].tx.current = 150.0;
  a.firmware.set("local firmware");
  for (int i = 0; i < devices; ++i) {
    int pos = addKnownDevice(
        db->known, macOf(static_cast<std::uint8_t>(i / 256), static_cast<std::uint8_t>(i % 256)));
    KnownDevice& d = db->known.at(pos);
    d.password.set("Not ABCD-EFGH-IJKL-" + std::to_string(i));
    d.networkName.set("HomePlugAV");
    d.networkKey.fill(static_cast<std::uint8_t>(i));
    d.lastSeen = 1700000000 + i + variant;
  }
  db->columns.order = {0, 1, 2, 3, 4};
  db->columns.widths = {200, 120, 90, 80, 111};
  db->sortToggle = 0;
  db->sortColumn = 3;
  return db;
}

std::int32_t i32At(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(ByteReader(b, at).u32le());
}

TEST(DeviceDatabase, WrittenFilesHoldTheLayout) {
  ScratchFolder dir;
  std::string path = dir.file("Strandline Utility.data");
  for (std::size_t n : {1u, 33u, 100u}) {
    SCOPED_TRACE(n);
    auto db = sampleDatabase(static_cast<int>(n));
    ASSERT_TRUE(writeDatabase(path, *db).ok());
    Bytes file = readBytes(path);
    ASSERT_EQ(file.size(), 140700u + 198u * n);
    const std::size_t card2 = 8 + 2 * 17580, last = 140652 + (n - 1) * 198, tail = last + 198;
    // version, current card, card 2 present and kind, count, last column order
    // entry, first width, sort toggle, sort column
    auto at = [&](std::size_t offset) { return i32At(file, offset); };
    EXPECT_EQ((std::vector{at(0), at(4), at(card2 + 6), at(card2 + 10), at(140648), at(tail + 16),
                           at(tail + 20), at(tail + 40), at(tail + 44)}),
              (std::vector{306, 2, 1, 4, static_cast<int>(n), 4, 200, 0, 3}));
    EXPECT_EQ(ByteReader(file, last).text(35), "Device " + std::to_string(n));
  }
}

// Found by fuzzing: NaN payloads and -0.0 survive a round trip (only the bytes
// can show it); later versions are read with this layout and saved as 306.
// The current card is kept within 0 to 7.
TEST(DeviceDatabase, DecodingKeepsOddValuesAndClampsTheCard) {
  Bytes image = encodeDatabase(*sampleDatabase(1));
  std::size_t lowest = 8 + 6 * 17580 + 45 + 26 * 542 + 420 + 16;
  ByteWriter(image, lowest).u64le(0x7FF8DEADBEEF0001);
  ByteWriter(image, lowest + 8).u64le(0x8000000000000000);
  ByteWriter(image, 0).u32le(2038038834);
  auto db = std::make_unique<DeviceDatabase>();
  ASSERT_TRUE(decodeDatabase(image, *db).ok());
  EXPECT_EQ(db->version, 2038038834);
  ByteWriter(image, 0).u32le(306);
  EXPECT_EQ(encodeDatabase(*db), image);

  for (auto [stored, loaded] : {std::pair{9, 7}, {8, 7}, {7, 7}, {0, 0}, {-3, 0}}) {
    ByteWriter(image, 4).u32le(static_cast<std::uint32_t>(stored));
    EXPECT_TRUE(decodeDatabase(image, *db).ok());
    EXPECT_EQ(db->currentCard, loaded) << "stored " << stored;
  }
}

TEST(DeviceDatabase, MissingFileResetsWithoutMessageAndCreatesNothing) {
  ScratchFolder dir;
  auto db = sampleDatabase(3);
  DatabaseReadResult r = readDatabase(dir.file("none.data"), *db);
  EXPECT_EQ(r.status, Status_::Missing);
  EXPECT_TRUE(r.tablesReset);
  EXPECT_FALSE(r.notice);
  auto expected = sampleDatabase(0);
  resetDatabaseTables(*expected);  // the layout and sort are not part of the reset
  EXPECT_EQ(*db, *expected);
  EXPECT_EQ(db->adapters[5].networkName.str(), "HomePlugAV");
  EXPECT_TRUE(dir.entries().empty());
}

// What a damaged file leaves in memory and on screen.
TEST(DeviceDatabase, MalformedFilesAreKeptAsideAndReadAsFarAsTheyGo) {
  constexpr std::size_t kWhole = SIZE_MAX;
  const std::size_t full = databaseSize(3);
  const struct {
    const char* name;
    std::size_t size;  // of the image of a 3-device database, cut
    std::size_t at;    // or a 32-bit field set to `value` (kWhole: none)
    std::int32_t value;
    std::string caption;  // of the notice, if one is shown
    bool reset;           // tables reset
    int knownLeft;        // known devices in memory afterwards (-1: those before)
    bool networksLoaded;  // card 2's record came from the file
  } cases[] = {
      {"empty file", 0, kWhole, 0, "", false, -1, false},
      {"three bytes", 3, kWhole, 0, "", false, -1, false},
      {"version 305", full, 0, 305, "Attention!", true, 0, false},
      {"negative version", full, 0, -306, "Attention!", true, 0, false},
      {"inside the network records", 5000, kWhole, 0, "", false, -1, false},
      {"before the count", 140650, kWhole, 0, "", false, -1, true},
      {"count 0", full, 140648, 0, "Problem Occurred", false, 0, true},
      {"count -1", full, 140648, -1, "Problem Occurred", false, 0, true},
      {"count 101", full, 140648, 101, "Problem Occurred", false, 0, true},
      {"count beyond the file", full, 140648, 50, "", false, 3, true},
      {"inside the third device", 140652 + 2 * 198 + 100, kWhole, 0, "", false, 2, true},
      {"inside the column layout", full - 20, kWhole, 0, "", false, 3, true},
      {"last byte missing", full - 1, kWhole, 0, "", false, 3, true},
  };
  const Bytes good = encodeDatabase(*sampleDatabase(3));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder dir;
    std::string path = dir.file("db.data");
    Bytes bad(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.size));
    if (c.at != kWhole) ByteWriter(bad, c.at).u32le(static_cast<std::uint32_t>(c.value));
    writeBytes(path, bad);

    // Memory holds an unrelated database before the read.
    auto db = sampleDatabase(7, 9);
    db->adapters[2].present = 0;
    DatabaseReadResult r = readDatabase(path, *db, systemFileOps(), 1700000000);

    EXPECT_EQ(r.status, Status_::Recovered);
    // The caller names the file; the problem says where it went, once.
    EXPECT_EQ(r.problem.find(path + ":"), std::string::npos) << r.problem;
    EXPECT_TRUE(r.problem.ends_with("; it was set aside as " + path + ".20231114-221320.damaged"))
        << r.problem;
    EXPECT_EQ(r.tablesReset, c.reset);
    Notice notice = r.notice.value_or(Notice{kDatabaseReadMessage, "", MessageIcon::Exclamation});
    EXPECT_EQ(notice.caption, c.caption);
    EXPECT_EQ(notice.text, kDatabaseReadMessage);
    EXPECT_EQ(notice.icon, MessageIcon::Exclamation);
    EXPECT_EQ(db->known.count(), static_cast<std::size_t>(c.knownLeft < 0 ? 7 : c.knownLeft));
    EXPECT_EQ(db->adapters[2].present, c.networksLoaded ? 1u : 0u);

    // The damaged file is kept whole under a new name; nothing else is left.
    EXPECT_EQ(r.keptAside, path + ".20231114-221320.damaged");
    EXPECT_EQ(readBytes(r.keptAside), bad);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"db.data.20231114-221320.damaged"});
  }
}

// Anything at the path that is not a regular file the program may read is left
// where it is, with a message that says why, and no save replaces it. Reading
// never waits on a FIFO.
TEST(DeviceDatabase, WhatCannotBeReadIsLeftInPlaceAndNeverSavedOver) {
  auto aFile = [](const char* p) {
    writeBytes(p, encodeDatabase(*sampleDatabase(1)));
    return 0;
  };
  const struct {
    const char* name;
    int (*make)(const char* path);
    int openError, readError;  // injected: root may read any file
    const char* reason;
  } cases[] = {
      {"FIFO", [](const char* p) { return mkfifo(p, 0600); }, 0, 0,
       "not a regular file but a FIFO"},
      {"folder", [](const char* p) { return mkdir(p, 0700); }, 0, 0,
       "not a regular file but a folder"},
      {"link loop", [](const char* p) { return symlink(p, p); }, 0, 0,
       "Too many levels of symbolic links"},
      {"unreadable file", aFile, EACCES, 0, "Permission denied"},
      {"read error", aFile, 0, EIO, "Input/output error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder dir;
    std::string path = dir.file("db.data");
    ASSERT_EQ(c.make(path.c_str()), 0);
    struct stat before;
    ASSERT_EQ(lstat(path.c_str(), &before), 0);
    FailingFileOps ops;
    ops.failOpenForReading = c.openError;
    ops.failRead = c.readError;

    EXPECT_NE(readWholeFile(ops, path, 10).error.find(c.reason), std::string::npos);
    EXPECT_NE(readOemPrefs(path, ops).problem.find(c.reason), std::string::npos);
    DatabaseFile file(path);
    auto db = sampleDatabase(2);
    DatabaseReadResult r = readDatabase(file, *db, ops, 1700000000);
    EXPECT_EQ(r.status, Status_::Unreadable);
    EXPECT_TRUE(r.tablesReset);
    EXPECT_EQ(db->known.count(), 0u);
    EXPECT_EQ(r.problem, std::string("cannot be read (") + c.reason +
                             "); it is left as it is and nothing is saved to it");
    EXPECT_EQ(r.notice.value_or(Notice{}).text,
              "The device database " + path + " cannot be read (" + c.reason +
                  "). It is left as it is, and nothing is saved to it.");
    EXPECT_EQ(r.notice.value_or(Notice{}).caption, "Problem Occurred");
    EXPECT_TRUE(r.keptAside.empty());

    EXPECT_TRUE(writeDatabase(file, *sampleDatabase(3), ops).ok());
    struct stat after;
    ASSERT_EQ(lstat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"db.data"});
  }
}

TEST(DeviceDatabase, KeepingAsideNeverOverwritesAnEarlierCopy) {
  ScratchFolder dir;
  std::string path = dir.file("db.data");
  std::vector<std::string> kept;
  for (std::uint8_t i = 0; i < 3; ++i) {
    writeBytes(path, Bytes{i});
    KeepAsideResult k = keepAside(systemFileOps(), path, 0);
    ASSERT_TRUE(k.error.empty()) << k.error;
    kept.push_back(k.path);
  }
  EXPECT_EQ(kept[1], path + ".19700101-000000-2.damaged");
  for (std::uint8_t i = 0; i < 3; ++i) EXPECT_EQ(readBytes(kept[i]), Bytes{i});
}

// A database path that is a symbolic link (here a chain: absolute, then
// relative, at first dangling) stays one: saves replace the file it leads to,
// and a damaged one is set aside there.
TEST(DeviceDatabase, ALinkAtThePathStaysALinkToTheSavedFile) {
  ScratchFolder dir;
  std::string path = dir.file("db.data"), target = dir.file("real/db.data");
  ASSERT_EQ(mkdir(dir.file("real").c_str(), 0700), 0);
  ASSERT_EQ(symlink("real/db.data", dir.file("link").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("link").c_str(), path.c_str()), 0);
  for (int devices : {1, 2}) {
    ASSERT_TRUE(writeDatabase(path, *sampleDatabase(devices)).ok());
    EXPECT_EQ(readBytes(target), encodeDatabase(*sampleDatabase(devices)));
  }
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"db.data", "link", "real"}));

  writeBytes(target, Bytes{1, 2});
  auto db = sampleDatabase(0);
  DatabaseReadResult r = readDatabase(path, *db, systemFileOps(), 1700000000);
  EXPECT_EQ(r.keptAside, target + ".20231114-221320.damaged");
  EXPECT_TRUE(std::filesystem::is_symlink(path));
}

// Two programs that read the same file and save in turn: each save keeps what
// the other saved meanwhile, merged by MAC; where both changed the same thing,
// the later save wins, except that an automatic name never beats a given one.
TEST(DeviceDatabase, SavesKeepWhatAnotherProgramSavedMeanwhile) {
  ScratchFolder dir;
  std::string path = dir.file("db.data");
  ASSERT_TRUE(writeDatabase(path, *sampleDatabase(4)).ok());  // devices 0 to 3
  DatabaseFile fileX(path), fileY(path);
  auto x = sampleDatabase(0), y = sampleDatabase(0);
  readDatabase(fileX, *x);
  readDatabase(fileY, *y);
  auto device = [](DeviceDatabase& db, int n) -> KnownDevice& {
    return db.known.at(findKnownByMac(db.known, macOf(0, static_cast<std::uint8_t>(n))));
  };

  device(*x, 0).password.set("X-PASSWORD");
  device(*x, 1).name.set("X name");
  device(*x, 1).lastSeen += 100;
  deleteKnownDevice(x->known, findKnownByMac(x->known, macOf(0, 2)));
  addKnownDevice(x->known, macOf(0, 4), "Porch");
  addKnownDevice(x->known, macOf(0, 6));  // "Device 5"
  x->currentCard = 5;
  ASSERT_TRUE(writeDatabase(fileX, *x).ok());

  device(*y, 0).name.set("Hall");
  device(*y, 1).name.set("Y name");
  device(*y, 1).password.set("Y-PASSWORD");
  device(*y, 2).name.set("Y keeps it");  // deleted by X, changed here: kept
  deleteKnownDevice(y->known, findKnownByMac(y->known, macOf(0, 3)));
  addKnownDevice(y->known, macOf(0, 4));  // also new here: a given name beats "Device 4"
  addKnownDevice(y->known, macOf(0, 5));  // "Device 5" too: X's gets a free number
  y->columns.widths[0] = 333;
  ASSERT_TRUE(writeDatabase(fileY, *y).ok());
  // X saves again without having read: Y's name for device 1 stays.
  device(*x, 0).networkName.set("X network");
  ASSERT_TRUE(writeDatabase(fileX, *x).ok());

  auto back = sampleDatabase(0);
  ASSERT_EQ(readDatabase(path, *back).status, Status_::Loaded);
  std::vector<std::string> rows;
  for (const KnownDevice& d : back->known.devices)
    rows.push_back(macToText(d.mac).substr(12) + " " + d.name.str() + " / " + d.password.str() +
                   " / " + d.networkName.str() + " / " + std::to_string(d.lastSeen));
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "00:00 Hall / X-PASSWORD / X network / 1700000000",
                      "00:01 Y name / Y-PASSWORD / HomePlugAV / 1700000101",
                      "00:04 Porch /  /  / 0",
                      "00:06 Device 7 /  /  / 0",
                      "00:02 Y keeps it / Not ABCD-EFGH-IJKL-2 / HomePlugAV / 1700000002",
                      "00:05 Device 5 /  /  / 0",
                  }));
  EXPECT_EQ(back->currentCard, 5);
  EXPECT_EQ(back->columns.widths[0], 333);
}

// The file is owner read/write only; a table without devices is not written.
TEST(DeviceDatabase, WritesArePrivateAndSkipAnEmptyTable) {
  ScratchFolder dir;
  std::string path = dir.file("db.data");
  writeBytes(path, Bytes{1, 2, 3});
  chmod(path.c_str(), 0666);
  mode_t old = umask(0);
  auto db = sampleDatabase(1);
  Status status = writeDatabase(path, *db);
  umask(old);
  ASSERT_TRUE(status.ok()) << status.message;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  Bytes before = readBytes(path);
  deleteKnownDevice(db->known, 1, &db->adapters[db->currentCard]);
  EXPECT_TRUE(writeDatabase(path, *db).ok());
  EXPECT_EQ(readBytes(path), before);
}

// A write that fails at any step or stops after any byte leaves the previous
// database readable and whole, and no temporary file.
TEST(DeviceDatabase, FailedWritesLeaveTheOldFileIntact) {
  ScratchFolder dir;
  std::string path = dir.file("db.data");
  auto oldDb = sampleDatabase(33);  // more than 32 devices read back too
  ASSERT_TRUE(writeDatabase(path, *oldDb).ok());
  const Bytes oldFile = readBytes(path);
  auto newDb = sampleDatabase(60, 1);
  const std::size_t newSize = databaseSize(60);

  std::mt19937 rng(7);
  std::vector<std::size_t> stops = {0, 1, 4, 8, 140647, 140652, newSize - 1};
  for (int i = 0; i < 60; ++i) stops.push_back(rng() % newSize);
  for (std::size_t i = 0; i < 4 + stops.size(); ++i) {
    FailingFileOps ops;
    ops.failFchmod = i == 0;
    ops.failFsync = i == 1;
    ops.failClose = i == 2;
    ops.failRename = i == 3;
    if (i >= 4) ops.failAfter = stops[i - 4], ops.maxChunk = 4096;
    SCOPED_TRACE(i < 4 ? "step " + std::to_string(i)
                       : "stop after " + std::to_string(ops.failAfter));
    Status status = writeDatabase(path, *newDb, ops);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.message.empty());
    EXPECT_TRUE(i < 4 || status.message.find("No space left") != std::string::npos)
        << status.message;
    ASSERT_EQ(readBytes(path), oldFile);
    ASSERT_EQ(dir.entries(), (std::vector<std::string>{"db.data", "db.data.lock"}));
  }
  auto back = std::make_unique<DeviceDatabase>();
  DatabaseReadResult read = readDatabase(path, *back);
  EXPECT_EQ(read.status, Status_::Loaded);
  EXPECT_FALSE(read.tablesReset || read.notice);
  EXPECT_EQ(*back, *oldDb);

  // Short writes are carried on until all is written.
  FailingFileOps trickle;
  trickle.maxChunk = 777;
  ASSERT_TRUE(writeDatabase(path, *newDb, trickle).ok());
  EXPECT_EQ(readBytes(path), encodeDatabase(*newDb));
}

// A writer that dies midway leaves its temporary file; the next read clears it.
TEST(DeviceDatabase, TheNextReadClearsTheTemporaryOfAWriterThatDied) {
  struct DiesMidWrite : FileOps {
    ssize_t write(int, const void*, std::size_t) override { _exit(0); }
  };
  ScratchFolder dir;
  std::string path = dir.file("db.data");
  ASSERT_TRUE(writeDatabase(path, *sampleDatabase(3)).ok());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DiesMidWrite ops;
    writeDatabase(path, *sampleDatabase(90), ops);
    _exit(1);
  }
  waitpid(child, nullptr, 0);
  ASSERT_EQ(dir.entries().size(), 3u);
  auto back = std::make_unique<DeviceDatabase>();
  EXPECT_EQ(readDatabase(path, *back).status, Status_::Loaded);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"db.data", "db.data.lock"}));
}

TEST(DeviceDatabase, PathAndDataFolder) {
  EXPECT_EQ(databasePath("/d", ""), "/d/.data");
  EXPECT_EQ(databasePath("/d", "../../etc/x"), "/d/.._.._etc_x.data");

  std::vector<std::pair<std::string, std::string>> saved;
  for (const char* name : {"XDG_DATA_HOME", "HOME"})
    if (const char* v = getenv(name)) saved.emplace_back(name, v);
  ScratchFolder dir;
  setenv("HOME", dir.path().c_str(), 1);
  setenv("XDG_DATA_HOME", "relative/path", 1);
  EXPECT_EQ(defaultDataFolder(), dir.path() + "/.local/share/SLU");

  // A file where the folder should be: ~/.SLU, and the user is told.
  writeBytes(dir.file("blocker"), Bytes{1});
  setenv("XDG_DATA_HOME", dir.file("blocker").c_str(), 1);
  DataFolderChoice choice = chooseDataFolder();
  EXPECT_EQ(choice.folder, dir.path() + "/.SLU");
  EXPECT_TRUE(std::filesystem::is_directory(choice.folder));
  EXPECT_EQ(choice.notice.value_or(Notice{}).caption, "Information");
  EXPECT_EQ(choice.notice.value_or(Notice{}).text,
            "Unable to create Strandline Utility.data file at location: " + dir.path() +
                "/blocker/SLU, Creating Strandline Utility.data file at location: " + dir.path() +
                "/.SLU");

  // The data folder holds passwords: one that exists open to others is
  // narrowed to its owner, as a new one is made; the folders above stay.
  std::string share = dir.file("share");
  for (const std::string& folder : {share, share + "/SLU"}) {
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  }
  setenv("XDG_DATA_HOME", share.c_str(), 1);
  EXPECT_EQ(chooseDataFolder().folder, share + "/SLU");
  EXPECT_EQ(std::filesystem::status(share + "/SLU").permissions(),
            std::filesystem::perms::owner_all);
  EXPECT_EQ(std::filesystem::status(share).permissions() & std::filesystem::perms::others_read,
            std::filesystem::perms::others_read);

  unsetenv("XDG_DATA_HOME");
  for (auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace
}  // namespace strandline
