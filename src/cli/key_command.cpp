// strandline-cli key: the keys a network name or device password stands for.
#include <cstdio>
#include <string>

#include "base/bytes.h"
#include "base/keys.h"
#include "cli/commands.h"

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
    return usage(kKeySynopsis);
  }
  if (levelText.size() != 1 || levelText[0] < '0' || levelText[0] > '3') {
    std::fprintf(stderr, "strandline-cli key nid: the security level must be 0 to 3\n");
    return usage(kKeySynopsis);
  }
  Key16 key{};
  std::copy(nmk.begin(), nmk.end(), key.begin());
  Nid nid = deriveNid(key, static_cast<std::uint8_t>(levelText[0] - '0'));
  return printKey(nid.data(), nid.size());
}

}  // namespace

int runKey(const Args& args) {
  if (args.size() == 3 && args[0] == "nid") return runNid(args[1], args[2]);
  if (args.size() != 2) return usage(kKeySynopsis);
  const std::string& kind = args[0];
  const std::string& text = args[1];
  if (kind == "nmk") return printKey(deriveNetworkKey(text).data(), kAvKeyWidth);
  if (kind == "dak") return printKey(deriveDeviceKey(text).data(), kAvKeyWidth);
  if (kind == "nek") return printKey(deriveHp10Key(text).data(), kHp1KeyWidth);
  return usage(kKeySynopsis);
}

}  // namespace strandline::cli
