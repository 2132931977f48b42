#include "storage/rate_history.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace strandline {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS stations("
    " id INTEGER PRIMARY KEY, card INTEGER NOT NULL, card_mac TEXT NOT NULL,"
    " adapter TEXT NOT NULL, station TEXT NOT NULL, UNIQUE(card, adapter, station));"
    "CREATE INDEX IF NOT EXISTS stations_by_mac ON stations(station);"
    // Clustered by station and time: a station's samples are read in one range.
    "CREATE TABLE IF NOT EXISTS samples("
    " sid INTEGER NOT NULL, t INTEGER NOT NULL, folded INTEGER NOT NULL,"
    " tx REAL, rx REAL, answered INTEGER NOT NULL,"
    " PRIMARY KEY(sid, t, folded)) WITHOUT ROWID;";

bool isDamage(int code) {
  int primary = code & 0xFF;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// A free name beside the file for a damaged copy: PATH.damaged-YYYYmmdd-HHMMSS[-N].
std::string asideName(const std::string& path) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string base = path + ".damaged-" + stamp;
  std::string name = base;
  for (int n = 2; exists(name); ++n) name = base + "-" + std::to_string(n);
  return name;
}

}  // namespace

RateHistory::~RateHistory() {
  close();
}

void RateHistory::finalizeStatements() {
  for (sqlite3_stmt** s : {&insertSample_, &findStation_, &insertStation_}) {
    sqlite3_finalize(*s);
    *s = nullptr;
  }
}

void RateHistory::close() {
  finalizeStatements();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
}

Status RateHistory::exec(const char* sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  if (rc == SQLITE_OK) return {};
  Status s = Status::failure(std::string("rate history ") + path_ + ": " +
                             (error ? error : sqlite3_errstr(rc)));
  sqlite3_free(error);
  damaged_ = damaged_ || isDamage(rc);
  return s;
}

Status RateHistory::openFile(bool writing) {
  if (writing) {
    // Made owner read/write only before SQLite opens it; its WAL and shared
    // memory files take the same mode.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return Status::failure("cannot create the rate history " + path_);
    ::fchmod(fd, 0600);
    ::close(fd);
  } else if (!exists(path_)) {
    return Status::failure("no rate history at " + path_ + " yet");
  }
  int flags = writing ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    Status s = Status::failure("cannot open the rate history " + path_ + ": " +
                               (db_ ? sqlite3_errmsg(db_) : "out of memory"));
    sqlite3_close(db_);
    db_ = nullptr;
    return s;
  }
  sqlite3_busy_timeout(db_, 2000);
  return {};
}

// Sets the file up for writing and checks it; a damage code in the result
// means the file is not a usable history.
Status RateHistory::prepareSchema() {
  for (const char* sql : {"PRAGMA journal_mode=WAL;", "PRAGMA synchronous=NORMAL;", kSchema}) {
    Status s = exec(sql);
    if (!s.ok()) return s;
  }
  sqlite3_stmt* check = nullptr;
  int rc = sqlite3_prepare_v2(db_, "PRAGMA quick_check;", -1, &check, nullptr);
  bool good = rc == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW &&
              std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
  sqlite3_finalize(check);
  if (!good) {
    damaged_ = true;
    return Status::failure("rate history " + path_ + " fails its check");
  }
  const char* insertSample =
      "INSERT OR REPLACE INTO samples(sid, t, folded, tx, rx, answered) VALUES(?1, ?2, 0, ?3, ?4, "
      "?5)";
  const char* findStation =
      "SELECT id FROM stations WHERE card = ?1 AND adapter = ?2 AND station = ?3";
  const char* insertStation =
      "INSERT INTO stations(card, card_mac, adapter, station) VALUES(?1, ?2, ?3, ?4)";
  if (sqlite3_prepare_v2(db_, insertSample, -1, &insertSample_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db_, findStation, -1, &findStation_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db_, insertStation, -1, &insertStation_, nullptr) != SQLITE_OK) {
    // A database of another shape at our path: not a history this program can use.
    damaged_ = true;
    return Status::failure("rate history " + path_ + ": " + sqlite3_errmsg(db_));
  }
  return {};
}

Status RateHistory::openForWriting(const std::string& path, const HistoryRetention& retention,
                                   std::string* notice) {
  close();
  path_ = path;
  retention_ = retention;
  lastRetention_ = 0;
  lockFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return Status::failure("cannot create the rate history lock " + path + ".lock");
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lockFd_);
    lockFd_ = -1;
    return Status::failure("the rate history " + path +
                           " is being written by another program; this one does not record");
  }
  damaged_ = false;
  Status s = openFile(true);
  if (s.ok()) s = prepareSchema();
  if (damaged_) s = setAside(notice);
  if (!s.ok()) close();
  return s;
}

Status RateHistory::openForReading(const std::string& path) {
  close();
  path_ = path;
  Status s = openFile(false);
  if (!s.ok()) return s;
  // A file that was never written has no tables yet; reading it is an error.
  sqlite3_stmt* probe = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT 1 FROM samples LIMIT 1", -1, &probe, nullptr) != SQLITE_OK) {
    s = Status::failure("rate history " + path + ": " + sqlite3_errmsg(db_));
    close();
  }
  sqlite3_finalize(probe);
  return s;
}

Status RateHistory::setAside(std::string* notice) {
  int lockFd = lockFd_;
  lockFd_ = -1;  // the lock is kept while the file is replaced
  close();
  lockFd_ = lockFd;
  std::string aside = asideName(path_);
  if (std::rename(path_.c_str(), aside.c_str()) != 0)
    return Status::failure("the damaged rate history " + path_ + " cannot be set aside");
  // The WAL of the damaged file must not be replayed into the new one.
  for (const char* suffix : {"-wal", "-shm"})
    if (exists(path_ + suffix)) std::rename((path_ + suffix).c_str(), (aside + suffix).c_str());
  if (notice)
    *notice = "The rate history " + path_ + " was damaged; it was set aside as " + aside +
              " and a new one started.";
  damaged_ = false;
  Status s = openFile(true);
  if (s.ok()) s = prepareSchema();
  return s;
}

std::int64_t RateHistory::stationId(const HistoryCycle& cycle, const HistoryPoint& point,
                                    Status& status) {
  std::string adapter = upper(cycle.adapter), station = upper(point.station);
  sqlite3_reset(findStation_);
  sqlite3_bind_int(findStation_, 1, cycle.card);
  sqlite3_bind_text(findStation_, 2, adapter.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(findStation_, 3, station.c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(findStation_);
  if (rc == SQLITE_ROW) return sqlite3_column_int64(findStation_, 0);
  if (rc != SQLITE_DONE) {
    status =
        Status::failure(std::string("rate history: ") + sqlite3_errmsg(db_), StatusCode::Failed);
    damaged_ = damaged_ || isDamage(rc);
    return -1;
  }
  sqlite3_reset(insertStation_);
  sqlite3_bind_int(insertStation_, 1, cycle.card);
  sqlite3_bind_text(insertStation_, 2, upper(cycle.cardMac).c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(insertStation_, 3, adapter.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(insertStation_, 4, station.c_str(), -1, SQLITE_TRANSIENT);
  rc = sqlite3_step(insertStation_);
  if (rc != SQLITE_DONE) {
    status =
        Status::failure(std::string("rate history: ") + sqlite3_errmsg(db_), StatusCode::Failed);
    damaged_ = damaged_ || isDamage(rc);
    return -1;
  }
  return sqlite3_last_insert_rowid(db_);
}

Status RateHistory::writeCycle(const HistoryCycle& cycle) {
  Status s = exec("BEGIN IMMEDIATE;");
  if (!s.ok()) return s;
  for (const HistoryPoint& point : cycle.points) {
    std::int64_t id = stationId(cycle, point, s);
    if (!s.ok()) break;
    sqlite3_reset(insertSample_);
    sqlite3_bind_int64(insertSample_, 1, id);
    sqlite3_bind_int64(insertSample_, 2, cycle.timeMs);
    sqlite3_bind_double(insertSample_, 3, point.tx);
    sqlite3_bind_double(insertSample_, 4, point.rx);
    sqlite3_bind_int(insertSample_, 5, point.answered ? 1 : 0);
    int rc = sqlite3_step(insertSample_);
    if (rc != SQLITE_DONE) {
      s = Status::failure(std::string("rate history: ") + sqlite3_errmsg(db_), StatusCode::Failed);
      damaged_ = damaged_ || isDamage(rc);
      break;
    }
  }
  if (!s.ok()) {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return s;
  }
  return exec("COMMIT;");
}

Status RateHistory::record(const HistoryCycle& cycle, std::string* notice) {
  if (!db_) return Status::failure("the rate history is not open");
  damaged_ = false;
  Status s = writeCycle(cycle);
  if (damaged_) {
    s = setAside(notice);
    if (s.ok()) s = writeCycle(cycle);
  }
  if (!s.ok()) return s;
  if (cycle.timeMs - lastRetention_ >= retention_.bucketSeconds * 1000) {
    lastRetention_ = cycle.timeMs;
    return applyRetention(cycle.timeMs);
  }
  return {};
}

Status RateHistory::applyRetention(std::int64_t nowMs) {
  if (!db_) return Status::failure("the rate history is not open");
  const std::int64_t bucket = std::max<std::int64_t>(retention_.bucketSeconds, 1) * 1000;
  // Whole buckets only: a bucket is folded once, when all its samples are old.
  std::int64_t foldBefore = nowMs - retention_.fullSeconds * 1000;
  foldBefore -= foldBefore % bucket;
  std::int64_t dropBefore = nowMs - retention_.keepSeconds * 1000;
  std::string b = std::to_string(bucket);
  std::string fold =
      "INSERT OR REPLACE INTO samples(sid, t, folded, tx, rx, answered)"
      " SELECT sid, t - t % " +
      b +
      ", 1, avg(CASE WHEN answered THEN tx END),"
      " avg(CASE WHEN answered THEN rx END), max(answered) FROM samples"
      " WHERE sid IN (SELECT id FROM stations) AND t < " +
      std::to_string(foldBefore) + " AND folded = 0 GROUP BY sid, t - t % " + b +
      ";"
      "DELETE FROM samples WHERE sid IN (SELECT id FROM stations) AND t < " +
      std::to_string(foldBefore) +
      " AND folded = 0;"
      "DELETE FROM samples WHERE sid IN (SELECT id FROM stations) AND t < " +
      std::to_string(dropBefore) + ";";
  Status s = exec("BEGIN IMMEDIATE;");
  if (s.ok()) s = exec(fold.c_str());
  if (!s.ok()) {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    return s;
  }
  s = exec("COMMIT;");
  if (s.ok()) sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  return s;
}

Status RateHistory::samples(const std::string& station, std::int64_t sinceMs,
                            std::vector<HistorySample>& out) {
  out.clear();
  if (!db_) return Status::failure("the rate history is not open");
  sqlite3_stmt* q = nullptr;
  const char* sql =
      "SELECT s.t, st.card, st.adapter, st.station, s.tx, s.rx, s.answered, s.folded"
      " FROM samples s JOIN stations st ON st.id = s.sid"
      " WHERE st.station = ?1 AND s.t >= ?2 ORDER BY s.t, st.card, st.adapter, s.folded DESC";
  if (sqlite3_prepare_v2(db_, sql, -1, &q, nullptr) != SQLITE_OK)
    return Status::failure(std::string("rate history: ") + sqlite3_errmsg(db_));
  sqlite3_bind_text(q, 1, upper(station).c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(q, 2, sinceMs);
  int rc;
  while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
    HistorySample h;
    h.timeMs = sqlite3_column_int64(q, 0);
    h.card = sqlite3_column_int(q, 1);
    h.adapter = reinterpret_cast<const char*>(sqlite3_column_text(q, 2));
    h.station = reinterpret_cast<const char*>(sqlite3_column_text(q, 3));
    h.tx = sqlite3_column_double(q, 4);  // NULL (a bucket nobody answered in) reads as 0
    h.rx = sqlite3_column_double(q, 5);
    h.answered = sqlite3_column_int(q, 6) != 0;
    h.folded = sqlite3_column_int(q, 7) != 0;
    out.push_back(std::move(h));
  }
  Status s;
  if (rc != SQLITE_DONE) s = Status::failure(std::string("rate history: ") + sqlite3_errmsg(db_));
  sqlite3_finalize(q);
  return s;
}

}  // namespace strandline
