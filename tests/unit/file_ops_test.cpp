#include "platform/file_ops.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace strandline {
namespace {

// Every step succeeds without touching the disk; the names of the temporary
// files asked for are kept.
class NamingFileOps : public FileOps {
 public:
  explicit NamingFileOps(std::size_t capacity) : names(capacity) {}
  int open(const char* path, int flags, mode_t) override {
    if (flags & O_CREAT) names.at(count++) = path;
    return 1000;
  }
  ssize_t write(int, const void*, std::size_t n) override { return static_cast<ssize_t>(n); }
  int fchmod(int, mode_t) override { return 0; }
  int fsync(int) override { return 0; }
  int close(int) override { return 0; }
  int rename(const char*, const char*) override { return 0; }

  std::vector<std::string> names;
  std::atomic<std::size_t> count{0};
};

// Writers on several threads never draw the same temporary name.
TEST(FileOps, TemporaryNamesAreUniqueAcrossThreads) {
  constexpr int kThreads = 4, kWrites = 50000;
  NamingFileOps ops(kThreads * kWrites);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&ops] {
      for (int i = 0; i < kWrites; ++i) writeFileAtomically(ops, "/nowhere/db.data", Bytes{1});
    });
  for (std::thread& t : threads) t.join();
  ASSERT_EQ(ops.count, std::size_t{kThreads * kWrites});
  EXPECT_EQ(std::set<std::string>(ops.names.begin(), ops.names.end()).size(), ops.names.size());
}

}  // namespace
}  // namespace strandline
