#include "platform/data_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace strandline {

static std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

std::string defaultDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/SLU";
  return homeFolder() + "/.local/share/SLU";
}

DataFolderChoice chooseDataFolder(FileOps& ops) {
  std::string folder = defaultDataFolder();
  // It holds device passwords: owner only.
  if (makePrivateFolder(ops, folder).ok()) return {folder, std::nullopt};
  std::string fallback = homeFolder() + "/.SLU";
  makePrivateFolder(ops, fallback);
  return {fallback, Notice{"Unable to create Strandline Utility.data file at location: " + folder +
                               ", Creating Strandline Utility.data file at location: " + fallback,
                           "Information", MessageIcon::Information}};
}

}  // namespace strandline
