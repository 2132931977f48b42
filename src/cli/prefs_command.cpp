// strandline-cli prefs show [FILE]: the OEM preferences as JSON.
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/bytes.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "storage/oem_prefs.h"

namespace strandline::cli {

using json = nlohmann::ordered_json;

static json prefsJson(const OemSettings& s, const std::string& path) {
  const OemPrefs& p = s.prefs;
  return {{"file", s.fromFile ? json(path) : json(nullptr)},
          {"scanInterval", p.scanInterval},
          {"qualityType", p.qualityType},
          {"color", p.color},
          {"iconSize", p.iconSize},
          {"diagnosticsLevel", p.diagnosticsLevel},
          {"showOnlyActive", p.showOnlyActive},
          {"autoScan", p.autoScan},
          {"smLogoLeft", p.smLogoLeft},
          {"smLogoTop", p.smLogoTop},
          {"lgLogoLeft", p.lgLogoLeft},
          {"lgLogoTop", p.lgLogoTop},
          {"showRate", p.showRate},
          {"showQuality", p.showQuality},
          {"ampm", p.ampm},
          {"upgradeCapability", p.upgradeCapability},
          {"webAddress", p.webAddress},
          {"appName", p.appName},
          {"oui", toHex(p.oui)},
          {"vendorName", p.vendorName},
          {"copyright", p.copyright},
          {"gridLines", s.gridLines},
          {"timerInterval", s.timerInterval}};
}

static int runShow(const std::string& file, bool named) {
  std::string path = named ? file : findShippedFile(kOemPrefsFileName);
  OemSettings settings = readOemPrefs(path);
  // Without a file the defaults apply; a file that was asked for must be there.
  if (!settings.problem.empty() || (named && !settings.fromFile)) {
    std::fprintf(stderr, "strandline-cli: %s\n",
                 settings.problem.empty() ? ("no preferences file at " + path).c_str()
                                          : settings.problem.c_str());
    return kExitFailure;
  }
  std::printf(
      "%s\n",
      prefsJson(settings, path).dump(2, ' ', false, json::error_handler_t::replace).c_str());
  return kExitOk;
}

void addPrefsCommand(CLI::App& app, Action& action) {
  CLI::App* prefs = app.add_subcommand("prefs", "the OEM preferences");
  auto file = std::make_shared<std::string>();
  CLI::App* show = prefs->add_subcommand("show", "the OEM preferences as JSON");
  CLI::Option* given =
      show->add_option("FILE", *file, "the preferences file (default: the one the window reads)");
  show->callback([&action, file, given] {
    bool named = given->count() > 0;
    action = [file, named] { return runShow(*file, named); };
  });
}

}  // namespace strandline::cli
