// strandline: the window.
#include <QApplication>
#include <cstdio>

#include "ui/entry_point.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  strandline::ui::EntryOptions options;
  std::string error;
  if (!strandline::ui::parseEntryOptions(args, options, error)) {
    std::fprintf(stderr, "strandline: %s\n", error.c_str());
    return 2;
  }
  return strandline::ui::entryPoint(options);
}
