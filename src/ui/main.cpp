// strandline: the window.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "ui/entry_point.h"

namespace ui = strandline::ui;

int main(int argc, char** argv) {
  // --help and --version need no display: answered before Qt starts.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("%s", ui::kUsage);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s\n", ui::versionLine().c_str());
      return 0;
    }
  }
  QApplication application(argc, argv);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  ui::EntryOptions options;
  std::string error;
  if (!ui::parseEntryOptions(args, options, error)) {
    std::fprintf(stderr, "strandline: %s%s", error.c_str(), error.ends_with('\n') ? "" : "\n");
    return 2;
  }
  return ui::entryPoint(options);
}
