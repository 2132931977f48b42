#include "livery/options.h"

#include "base/version.h"
#include "storage/oem_prefs.h"

namespace strandline::livery {

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  options.file = kOemPrefsFileName;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--file" && i + 1 < args.size() && !args[i + 1].empty()) {
      options.file = args[++i];
    } else {
      error = (a == "--file" ? "--file needs a path" : "unknown option " + a) + "\n" + kUsage;
      return false;
    }
  }
  return true;
}

std::string versionLine() {
  return "livery " + std::string(kVersion);
}

}  // namespace strandline::livery
