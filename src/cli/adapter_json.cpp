#include "cli/adapter_json.h"

#include "core/discovery/local_detection.h"

namespace strandline::cli {

nlohmann::json adapterJson(const EngineSnapshot& s, int card) {
  const auto at = static_cast<std::size_t>(card);
  const LocalAdapter& a = s.adapters[at];
  return {{"card", card},
          {"interface", s.cardNames[at]},
          {"adapterMac", macToText(a.mac)},
          {"kind", kindTextFor(a.kind)},
          {"firmware", s.networks[at].firmware.str()}};
}

}  // namespace strandline::cli
