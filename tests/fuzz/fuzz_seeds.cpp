// Writes the seed inputs of every receive-path target to DIR/<target>/seed-N,
// the corpus folders to start the fuzzers with.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "fuzz/receive_harness.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds DIR\n";
    return 2;
  }
  for (const strandline::fuzz::ReceiveTarget& target : strandline::fuzz::receiveTargets()) {
    std::filesystem::path folder = std::filesystem::path(argv[1]) / target.name;
    std::filesystem::create_directories(folder);
    int n = 0;
    for (const strandline::Bytes& seed : target.seeds()) {
      std::ofstream out(folder / ("seed-" + std::to_string(++n)), std::ios::binary);
      out.write(reinterpret_cast<const char*>(seed.data()), static_cast<long>(seed.size()));
      if (!out) {
        std::cerr << "cannot write " << (folder / ("seed-" + std::to_string(n))) << "\n";
        return 1;
      }
    }
  }
  return 0;
}
