// The folders of src/ and sim/ form layers: a file may include only from its
// own folder and the folders below it. This test reads every #include "..."
// and names each edge the table does not allow.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folder -> the folders its files may include (its own is always allowed).
const std::map<std::string, std::set<std::string>>& allowedIncludes() {
  static const std::map<std::string, std::set<std::string>> table = {
      {"base", {}},
      {"platform", {"base"}},
      {"protocol", {"base"}},
      {"firmware", {"base"}},
      {"model", {"base"}},
      {"storage", {"base", "platform", "model"}},
      {"core", {"base", "platform", "protocol", "firmware", "model", "storage"}},
      {"app", {"base", "platform", "protocol", "firmware", "model", "storage", "core", "sim"}},
      {"ui",
       {"base", "platform", "protocol", "firmware", "model", "storage", "core", "app", "sim"}},
      {"cli",
       {"base", "platform", "protocol", "firmware", "model", "storage", "core", "app", "sim"}},
      {"livery", {"base", "platform", "model", "storage"}},
      {"sim", {"base", "platform"}},
  };
  return table;
}

// The simulator shares only bytes, MAC addresses and the checksum with the
// system (and the release version its --version prints): its keys and frame
// layouts are its own.
const std::set<std::string> kSimBaseHeaders = {"base/bytes.h", "base/mac_address.h",
                                               "base/checksum.h", "base/version.h"};

// Livery shares the bitmap drawing class with the window, nothing else of it.
const std::set<std::string> kLiveryUiHeaders = {"ui/cbmp.h"};

// The layer a source file belongs to: "sim" or the first folder below src/.
std::string layerOf(const fs::path& relative) {
  auto it = relative.begin();
  if (it == relative.end()) return {};
  if (*it == "sim") return "sim";
  if (*it != "src" || ++it == relative.end()) return {};
  return it->string();
}

// Every disallowed include below root/src and root/sim, as "file:line: text".
std::vector<std::string> layerViolations(const fs::path& root) {
  static const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<std::string> found;
  for (const char* top : {"src", "sim"}) {
    if (!fs::exists(root / top)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const fs::path& path = entry.path();
      if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp"))
        continue;
      fs::path relative = fs::relative(path, root);
      std::string layer = layerOf(relative);
      auto rule = allowedIncludes().find(layer);
      std::ifstream in(path);
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        std::string target = m[1];
        std::string targetLayer = target.substr(0, target.find('/'));
        if (target.find('/') == std::string::npos) targetLayer = layer;  // a file beside it
        bool ok = rule != allowedIncludes().end() &&
                  (targetLayer == layer || rule->second.count(targetLayer) > 0);
        if (ok && layer == "sim" && targetLayer == "base") ok = kSimBaseHeaders.count(target) > 0;
        if (!ok && layer == "livery") ok = kLiveryUiHeaders.count(target) > 0;
        if (!ok)
          found.push_back(relative.string() + ":" + std::to_string(number) + ": " + layer +
                          " may not include \"" + target + "\"");
      }
    }
  }
  return found;
}

TEST(Layering, EveryIncludeFollowsTheLayerTable) {
  std::vector<std::string> violations = layerViolations(STRANDLINE_SOURCE_DIR);
  for (const std::string& v : violations) ADD_FAILURE() << v;
  EXPECT_TRUE(violations.empty());
}

// The checker itself: a tree with allowed edges and four forbidden ones.
TEST(Layering, NamesTheFileAndLineOfAWrongInclude) {
  fs::path root = fs::temp_directory_path() / ("layering_test_" + std::to_string(::getpid()));
  fs::remove_all(root);
  auto write = [&](const std::string& file, const std::string& text) {
    fs::create_directories((root / file).parent_path());
    std::ofstream(root / file) << text;
  };
  write("src/core/flow.cpp", "#include \"protocol/frame.h\"\n#include \"app/window.h\"\n");
  write("src/platform/link.h", "// the port\n#include \"core/program_context.h\"\n");
  write("sim/device.cpp", "#include \"base/bytes.h\"\n#include \"base/keys.h\"\n");
  write("src/livery/page.cpp", "#include \"ui/cbmp.h\"\n#include \"ui/about_page.h\"\n");

  std::vector<std::string> violations = layerViolations(root);
  std::sort(violations.begin(), violations.end());
  EXPECT_EQ(violations, (std::vector<std::string>{
                            "sim/device.cpp:2: sim may not include \"base/keys.h\"",
                            "src/core/flow.cpp:2: core may not include \"app/window.h\"",
                            "src/livery/page.cpp:2: livery may not include \"ui/about_page.h\"",
                            "src/platform/link.h:2: platform may not include "
                            "\"core/program_context.h\"",
                        }));
  fs::remove_all(root);
}

}  // namespace
