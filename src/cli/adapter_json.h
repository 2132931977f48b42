// The local adapters of a snapshot as JSON, the fields scan and monitor share.
#pragma once

#include <nlohmann/json.hpp>

#include "core/engine.h"

namespace strandline::cli {

// The adapter on `card` (card, interface, adapterMac, kind, firmware); the
// caller skips cards whose adapter is not present.
nlohmann::json adapterJson(const EngineSnapshot& s, int card);

}  // namespace strandline::cli
