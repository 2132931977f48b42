#include "livery/entry_point.h"

#include <QMessageBox>
#include <cstdio>

#include "livery/livery_sheet.h"
#include "livery/prefs_file.h"
#include "platform/single_instance.h"

namespace strandline::livery {

int entryPoint(const Options& options) {
  app::SingleInstance instance;
  std::string error;
  switch (instance.acquire(app::runtimeFolder(error), error, "livery")) {
    case app::SingleInstance::Result::AlreadyRunning:
      return 0;
    case app::SingleInstance::Result::Unavailable:
      std::fprintf(stderr, "livery: cannot check for another copy (%s)\n", error.c_str());
      break;
    case app::SingleInstance::Result::First:
      break;
  }
  // The record starts zeroed; a missing file leaves it so.
  OemPrefs prefs;
  Status loaded = loadPrefs(options.file, prefs);
  LiverySheet sheet(options.file, prefs);
  sheet.show();
  if (!loaded.ok()) QMessageBox::warning(&sheet, "Livery", QString::fromStdString(loaded.message));
  sheet.exec();
  return 0;
}

}  // namespace strandline::livery
