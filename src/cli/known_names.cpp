#include "cli/known_names.h"

#include <cstdio>
#include <memory>

#include "platform/data_folder.h"
#include "storage/oem_prefs.h"

namespace strandline::cli {

std::string databaseIn(const std::string& folder) {
  OemSettings oem = readOemPrefs(findShippedFile(kOemPrefsFileName));
  return databasePath(folder, oem.prefs.appName);
}

KnownDeviceTable readKnownNames(const std::string& path) {
  ReadFileResult file = readWholeFile(systemFileOps(), path, databaseSize(kMaxKnownDevices));
  if (file.status != ReadFileResult::Status::Ok) return {};
  auto db = std::make_unique<DeviceDatabase>();
  if (!decodeDatabase(file.data, *db).ok()) {
    std::fprintf(stderr, "strandline-cli: %s is damaged; stations are shown without names\n",
                 path.c_str());
    return {};
  }
  return db->known;
}

}  // namespace strandline::cli
