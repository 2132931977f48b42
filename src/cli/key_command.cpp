// strandline-cli key: the keys a network name or device password stands for.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "base/keys.h"
#include "cli/commands.h"
#include "cli/options.h"

namespace strandline::cli {

namespace {

int printKey(const std::uint8_t* key, std::size_t n) {
  std::printf("%s\n", toHex(ByteView(key, n)).c_str());
  return kExitOk;
}

int runNid(const std::string& nmkText, const std::string& levelText) {
  Bytes nmk;
  if (!parseHex(nmkText, nmk) || nmk.size() != 16) {
    std::fprintf(stderr, "strandline-cli key nid: the key must be 16 bytes of hex\n");
    return kExitUsage;
  }
  if (levelText.size() != 1 || levelText[0] < '0' || levelText[0] > '3') {
    std::fprintf(stderr, "strandline-cli key nid: the security level must be 0 to 3\n");
    return kExitUsage;
  }
  Key16 key{};
  std::copy(nmk.begin(), nmk.end(), key.begin());
  Nid nid = deriveNid(key, static_cast<std::uint8_t>(levelText[0] - '0'));
  return printKey(nid.data(), nid.size());
}

}  // namespace

void addKeyCommand(CLI::App& app, Action& action) {
  CLI::App* key =
      app.add_subcommand("key", "the keys a network name or device password stands for");
  struct Kind {
    const char* name;
    const char* help;
    std::function<int(const std::string&)> print;
  };
  const Kind kinds[] = {
      {"nmk", "network membership key of a network name, as hex",
       [](const std::string& t) { return printKey(deriveNetworkKey(t).data(), kAvKeyWidth); }},
      {"dak", "device access key of a device password, as hex",
       [](const std::string& t) { return printKey(deriveDeviceKey(t).data(), kAvKeyWidth); }},
      {"nek", "HomePlug 1.0 network encryption key of a network name, as hex",
       [](const std::string& t) { return printKey(deriveHp10Key(t).data(), kHp1KeyWidth); }},
  };
  for (const Kind& kind : kinds) {
    auto text = std::make_shared<std::string>();
    CLI::App* sub = key->add_subcommand(kind.name, kind.help);
    sub->add_option("TEXT", *text, "the network name or password")->required();
    onRun(*sub, action, [text, print = kind.print] { return print(*text); });
  }
  auto nmk = std::make_shared<std::string>(), level = std::make_shared<std::string>();
  CLI::App* nid =
      key->add_subcommand("nid", "network identifier of a network key at a security level");
  nid->add_option("NMKHEX", *nmk, "the network membership key, 16 bytes of hex")->required();
  nid->add_option("LEVEL", *level, "the security level, 0 to 3")->required();
  onRun(*nid, action, [nmk, level] { return runNid(*nmk, *level); });
}

}  // namespace strandline::cli
