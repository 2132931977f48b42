// strandline-cli key: the keys a network name or device password stands for.
#include <cstdio>
#include <string>

#include "api/bytes.h"
#include "api/keys.h"
#include "cli/commands.h"

namespace strandline::cli {

namespace {

int PrintKey(const std::uint8_t* key, std::size_t n) {
  std::printf("%s\n", ToHex(ByteView(key, n)).c_str());
  return kExitOk;
}

int RunNid(const std::string& nmkText, const std::string& levelText) {
  Bytes nmk;
  if (!ParseHex(nmkText, nmk) || nmk.size() != 16) {
    std::fprintf(stderr, "strandline-cli key nid: the key must be 16 bytes of hex\n");
    return Usage(kKeySynopsis);
  }
  if (levelText.size() != 1 || levelText[0] < '0' || levelText[0] > '3') {
    std::fprintf(stderr, "strandline-cli key nid: the security level must be 0 to 3\n");
    return Usage(kKeySynopsis);
  }
  Key16 key{};
  std::copy(nmk.begin(), nmk.end(), key.begin());
  Nid nid = deriveNid(key, static_cast<std::uint8_t>(levelText[0] - '0'));
  return PrintKey(nid.data(), nid.size());
}

}  // namespace

int RunKey(const Args& args) {
  if (args.size() == 3 && args[0] == "nid") return RunNid(args[1], args[2]);
  if (args.size() != 2) return Usage(kKeySynopsis);
  const std::string& kind = args[0];
  const std::string& text = args[1];
  if (kind == "nmk") return PrintKey(deriveNetworkKey(text).data(), kAvKeyWidth);
  if (kind == "dak") return PrintKey(deriveDeviceKey(text).data(), kAvKeyWidth);
  if (kind == "nek") return PrintKey(deriveHp10Key(text).data(), kHp1KeyWidth);
  return Usage(kKeySynopsis);
}

}  // namespace strandline::cli
