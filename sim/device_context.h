// What a simulated device may do while it handles one request: look at the
// medium, answer the computer, go down for a while.
#pragma once

#include <cstdint>

#include "base/bytes.h"
#include "sim/medium.h"

namespace strandline::sim {

class DeviceContext {
 public:
  virtual ~DeviceContext() = default;
  virtual Medium& medium() = 0;
  virtual std::uint64_t nowMs() = 0;
  // Sends an answer from `from` to the computer on the card the request came
  // from. A remote station's answer crosses the medium first (a little later).
  // The sender's faults apply: loss, delay, duplicates, wrong OUI.
  virtual void reply(Adapter& from, Bytes frame, bool remote) = 0;
  // Takes the adapter down for `ms`: it answers nothing and carries nothing.
  virtual void reboot(Adapter& adapter, std::uint32_t ms) = 0;
};

}  // namespace strandline::sim
