// Every input that ever made a receive-path fuzz target fail is kept in
// tests/data/fuzz/<target>/ and replayed here through the target's own entry
// point, with the targets' seeds: a fault that comes back aborts or trips
// the sanitizers (in a sanitizer build) again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/receive_harness.h"

namespace strandline::fuzz {
namespace {

const std::filesystem::path kKept =
    std::filesystem::path(STRANDLINE_SOURCE_DIR) / "tests/data/fuzz";

TEST(FuzzRegressions, KeptInputsAndSeedsReplayThroughTheirTargets) {
  int replayed = 0;
  for (const ReceiveTarget& target : receiveTargets()) {
    for (const Bytes& seed : target.seeds()) EXPECT_EQ(target.run(seed), 0) << target.name;
    if (!std::filesystem::is_directory(kKept / target.name)) continue;
    for (const auto& file : std::filesystem::directory_iterator(kKept / target.name)) {
      std::ifstream in(file.path(), std::ios::binary);
      Bytes input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(target.run(input), 0) << file.path();
      ++replayed;
    }
  }
  // Every folder belongs to a target: a misnamed one would never be replayed.
  if (!std::filesystem::is_directory(kKept)) return;
  for (const auto& folder : std::filesystem::directory_iterator(kKept)) {
    bool known = false;
    for (const ReceiveTarget& target : receiveTargets())
      known |= folder.path().filename() == target.name;
    EXPECT_TRUE(known) << folder.path();
  }
  RecordProperty("replayed", replayed);
}

}  // namespace
}  // namespace strandline::fuzz
