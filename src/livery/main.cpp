// livery: the OEM preferences editor.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "livery/entry_point.h"

namespace livery = strandline::livery;

int main(int argc, char** argv) {
  // --help and --version need no display: answered before Qt starts.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("%s", livery::kUsage);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", livery::versionLine().c_str());
      return 0;
    }
  }
  QApplication application(argc, argv);  // takes Qt's own options out of argv
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  livery::Options options;
  std::string error;
  if (!livery::parseOptions(args, options, error)) {
    std::fprintf(stderr, "livery: %s", error.c_str());
    return 2;
  }
  return livery::entryPoint(options);
}
