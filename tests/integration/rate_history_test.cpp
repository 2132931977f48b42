// The rate history against the simulator on virtual time: what the scan sees
// reaches the file cycle by cycle, old samples are folded and dropped, and a
// damaged file is set aside without stopping anything.
#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "core/engine.h"
#include "core/history_recorder.h"
#include "integration/sim_fixture.h"
#include "unit/storage_test_util.h"

namespace strandline::testing {
namespace {

double avRate(int raw) {
  return std::trunc(raw * 200.0 / 151.0);
}

std::vector<HistorySample> readSamples(const std::string& path, const std::string& mac,
                                       std::int64_t since = 0) {
  RateHistory reader;
  Status s = reader.openForReading(path);
  EXPECT_TRUE(s.ok()) << s.message;
  std::vector<HistorySample> out;
  s = reader.samples(mac, since, out);
  EXPECT_TRUE(s.ok()) << s.message;
  return out;
}

class RateHistorySim : public SimFixture {
 protected:
  // Discovery on the home network, then every end-of-cycle snapshot goes to
  // the recorder the way the engine hands it to its listeners.
  void startRecording(HistoryRecorder& recorder) {
    loadFile("home.json");
    ASSERT_TRUE(discover(30));
    ctx->scan.notify = [this, &recorder](int phase) { recorder.take(takeSnapshot(*ctx, phase)); };
  }
  test::ScratchFolder folder;
  std::string path = folder.file(kHistoryFileName);
  std::vector<std::string> notices;
  HistoryRecorderOptions options() {
    return {path, {}, [this](const std::string& text) { notices.push_back(text); }, {}};
  }
};

TEST_F(RateHistorySim, ChangedRatesAndAThreeCycleDropOutReachTheHistory) {
  HistoryRecorder recorder(options());
  startRecording(recorder);
  runCycles(3);
  simulation->adapter(macOf("02:5A:00:00:01:02"))->defaultRate = {60, 45};
  runCycles(3);
  simulation->unplug(macOf("02:5A:00:00:01:03"));
  runCycles(3);
  simulation->replug(macOf("02:5A:00:00:01:03"));
  runCycles(2);
  // A redraw that repeats phase 7 between cycles (the window's) is no new cycle.
  recorder.take(takeSnapshot(*ctx, 7));
  recorder.flush();
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(recorder.cyclesStored(), 11u);

  std::vector<HistorySample> changed = readSamples(path, "02:5a:00:00:01:02");
  ASSERT_EQ(changed.size(), 11u);
  for (std::size_t i = 0; i < changed.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(changed[i].answered);
    EXPECT_EQ(changed[i].tx, i < 3 ? avRate(180) : avRate(60));
    EXPECT_EQ(changed[i].rx, i < 3 ? avRate(171) : avRate(45));
    EXPECT_EQ(changed[i].adapter, "02:5A:00:00:01:01");
    if (i > 0) {
      EXPECT_GT(changed[i].timeMs, changed[i - 1].timeMs);
    }
  }

  std::string answered;
  for (const HistorySample& h : readSamples(path, "02:5A:00:00:01:03"))
    answered += h.answered ? '+' : '-';
  EXPECT_EQ(answered, "++++++---++");

  // The local adapter is kept under its own MAC, one sample per cycle.
  EXPECT_EQ(readSamples(path, "02:5A:00:00:01:01").size(), 11u);
}

TEST_F(RateHistorySim, TheFileIsPrivateInWalModeAndHasOneWriter) {
  HistoryRecorder recorder(options());
  startRecording(recorder);
  runCycles(1);
  recorder.flush();
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((path + "-wal").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* q = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &q, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)), "wal");
  sqlite3_finalize(q);
  sqlite3_close(db);

  RateHistory second;
  Status s = second.openForWriting(path, {});
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message.find("another program"), std::string::npos) << s.message;
}

// A week of two-minute cycles of 32 stations and the local adapter: the last
// 48 hours stay whole, older samples are one per ten minutes (the mean of the
// answered rates; a bucket nobody answered in stays a gap).
TEST(RateHistoryRetention, ASimulatedWeekIsFoldedAndBounded) {
  test::ScratchFolder folder;
  std::string path = folder.file(kHistoryFileName);
  RateHistory history;
  ASSERT_TRUE(history.openForWriting(path, {}).ok());
  const std::int64_t start = 1'800'000'000 - 1'800'000'000 % 600, step = 120;
  const std::int64_t end = start + 7 * 24 * 3600;
  const std::int64_t silentBucket = start + 24 * 3600;  // station 1 is away for ten minutes
  for (std::int64_t t = start; t < end; t += step) {
    HistoryCycle cycle{t * 1000, 0, "02:5C:00:00:00:01", "02:5A:00:00:00:00", {}};
    cycle.points.push_back({cycle.adapter, 0, 0, true});
    for (int i = 1; i <= 32; ++i) {
      char mac[18];
      std::snprintf(mac, sizeof mac, "02:5A:00:00:00:%02X", i);
      bool away = i == 1 && t >= silentBucket && t < silentBucket + 600;
      double rate = 100.0 + 50.0 * static_cast<double>((t / step) % 5);  // a mean of 200 per bucket
      cycle.points.push_back({mac, rate, rate / 2, !away});
    }
    ASSERT_TRUE(history.record(cycle).ok());
  }
  history.close();
  std::uintmax_t size = std::filesystem::file_size(path);
  if (std::filesystem::exists(path + "-wal")) size += std::filesystem::file_size(path + "-wal");
  std::printf("history after a simulated week of 32 stations: %ju bytes\n", size);
  EXPECT_LT(size, 16u << 20);

  std::vector<HistorySample> samples = readSamples(path, "02:5A:00:00:00:01");
  const std::int64_t foldedBefore = end - step - 48 * 3600 - (end - step - 48 * 3600) % 600;
  std::size_t folded = 0, whole = 0;
  for (const HistorySample& h : samples) {
    const std::int64_t time = h.timeMs / 1000;
    if (h.folded) {
      ++folded;
      EXPECT_LT(time, foldedBefore);
      EXPECT_EQ(h.timeMs % 600'000, 0);
      EXPECT_EQ(h.answered, time != silentBucket) << time;
      if (h.answered) {
        EXPECT_EQ(h.tx, 200);
      }
    } else {
      ++whole;
      EXPECT_GE(time, foldedBefore);
    }
  }
  EXPECT_EQ(folded, static_cast<std::size_t>((foldedBefore - start) / 600));
  EXPECT_EQ(whole, static_cast<std::size_t>((end - foldedBefore) / step));

  // Past the kept span nothing is left.
  HistoryRetention shortKeep;
  shortKeep.keepSeconds = 3 * 24 * 3600;
  ASSERT_TRUE(history.openForWriting(path, shortKeep).ok());
  ASSERT_TRUE(history.applyRetention(end * 1000).ok());
  history.close();
  samples = readSamples(path, "02:5A:00:00:00:01");
  ASSERT_FALSE(samples.empty());
  EXPECT_GE(samples.front().timeMs, (end - shortKeep.keepSeconds) * 1000);
}

// Whatever sits at the path and is not a history of ours is set aside with a
// message and a fresh file takes the samples; the scan goes on meanwhile.
enum class Damage { NotADatabase, Truncated, ScrambledPages };

class RateHistoryDamage : public RateHistorySim, public ::testing::WithParamInterface<Damage> {
 protected:
  Bytes damagedFile() {
    if (GetParam() == Damage::NotADatabase) return Bytes(5000, 'x');
    RateHistory h;
    EXPECT_TRUE(h.openForWriting(folder.file("valid.sqlite"), {}).ok());
    HistoryCycle c{1'000'000, 0, "02:5C:00:00:00:01", "02:5A:00:00:00:00", {}};
    c.points.push_back({"02:5A:00:00:00:01", 1, 1, true});
    for (int i = 0; i < 200; ++i, c.timeMs += 10'000) EXPECT_TRUE(h.record(c).ok());
    h.close();
    Bytes bytes = test::readBytes(folder.file("valid.sqlite"));
    if (GetParam() == Damage::Truncated) bytes.resize(4096 + 100);
    for (std::size_t i = 4096; i < bytes.size(); ++i) bytes[i] ^= 0x5A;
    return bytes;
  }
};

TEST_P(RateHistoryDamage, IsSetAsideAndAFreshFileStarted) {
  Bytes bytes = damagedFile();
  test::writeBytes(path, bytes);
  {
    HistoryRecorder recorder(options());
    startRecording(recorder);
    runCycles(2);
    recorder.flush();
    EXPECT_EQ(recorder.cyclesStored(), 2u);
  }
  ASSERT_EQ(notices.size(), 1u) << ::testing::PrintToString(notices);
  EXPECT_NE(notices[0].find("damaged; it was set aside as " + path + ".damaged-"),
            std::string::npos)
      << notices[0];
  std::string aside = notices[0].substr(notices[0].find(path + ".damaged-"));
  aside = aside.substr(0, aside.find(' '));
  EXPECT_EQ(test::readBytes(aside), bytes);
  EXPECT_EQ(readSamples(path, "02:5A:00:00:01:02").size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Files, RateHistoryDamage,
                         ::testing::Values(Damage::NotADatabase, Damage::Truncated,
                                           Damage::ScrambledPages));

}  // namespace
}  // namespace strandline::testing
