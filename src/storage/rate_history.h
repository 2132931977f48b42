// The rate history: per card and station, the time, TX and RX rate of every
// scan cycle and whether the station answered, in an SQLite file of its own
// beside the device database.
//
// One process writes (an exclusive lock on a side file keeps a second one
// out); any number read. The file is in WAL mode, owner read/write only.
// Samples are kept at full resolution for a while, then folded into one per
// bucket (the mean of the answered rates), then dropped. A file that SQLite
// finds damaged is set aside under a ".damaged-TIME" name and a new one is
// started.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace strandline {

inline constexpr const char* kHistoryFileName = "history.sqlite";

struct HistoryRetention {
  std::int64_t fullSeconds = 48 * 3600;       // every sample
  std::int64_t bucketSeconds = 600;           // then one sample per bucket
  std::int64_t keepSeconds = 90 * 24 * 3600;  // then nothing
};

// One station (or the local adapter, whose station MAC is its own) in one cycle.
struct HistoryPoint {
  std::string station;  // MAC text, upper case with colons
  double tx = 0;        // Mbit/s
  double rx = 0;
  bool answered = false;
};

// What one scan cycle saw on one card.
struct HistoryCycle {
  std::int64_t timeMs = 0;  // ms since 1970
  int card = 0;
  std::string cardMac;
  std::string adapter;  // the local adapter's MAC text
  std::vector<HistoryPoint> points;
};

struct HistorySample {
  std::int64_t timeMs = 0;
  int card = 0;
  std::string adapter;
  std::string station;
  double tx = 0;
  double rx = 0;
  bool answered = false;
  bool folded = false;  // one sample standing for a bucket
};

class RateHistory {
 public:
  RateHistory() = default;
  ~RateHistory();
  RateHistory(const RateHistory&) = delete;
  RateHistory& operator=(const RateHistory&) = delete;

  // Opens (creating when missing) the file for writing. A damaged file is set
  // aside and a fresh one started; `notice` then says so. Fails when another
  // process writes the file or it cannot be made.
  Status openForWriting(const std::string& path, const HistoryRetention& retention,
                        std::string* notice = nullptr);
  // Opens an existing file for reading only.
  Status openForReading(const std::string& path);
  void close();
  bool isOpen() const { return db_ != nullptr; }

  // Stores one cycle in one transaction; folds and drops old samples when a
  // bucket has passed since the last time. A file found damaged now is set
  // aside, a fresh one started and the cycle written there (`notice` says so).
  Status record(const HistoryCycle& cycle, std::string* notice = nullptr);
  // Folds samples older than the full-resolution span and drops those past the
  // kept span, as seen from `nowMs`.
  Status applyRetention(std::int64_t nowMs);

  // The samples of a station (MAC text, any case) from `sinceMs` on, oldest first.
  Status samples(const std::string& station, std::int64_t sinceMs, std::vector<HistorySample>& out);

  const std::string& path() const { return path_; }

 private:
  Status openFile(bool writing);
  Status prepareSchema();
  Status setAside(std::string* notice);
  Status writeCycle(const HistoryCycle& cycle);
  Status exec(const char* sql);
  std::int64_t stationId(const HistoryCycle& cycle, const HistoryPoint& point, Status& status);
  void finalizeStatements();

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insertSample_ = nullptr;
  sqlite3_stmt* findStation_ = nullptr;
  sqlite3_stmt* insertStation_ = nullptr;
  std::string path_;
  HistoryRetention retention_;
  int lockFd_ = -1;
  std::int64_t lastRetention_ = 0;
  bool damaged_ = false;  // SQLite found the file damaged since the flag was cleared
};

}  // namespace strandline
