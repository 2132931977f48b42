// What a firmware upgrade tells the one who runs it while it goes, and how it
// is asked to stop. The callback runs on the upgrade's own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace strandline {

enum class UpgradeStep {
  WritingFirmware,
  WritingParameters,
  Committing,
  WaitingForRestart,
  FactoryReset,
  SavingDefaultPib,
  Finished,
};
const char* upgradeStepText(UpgradeStep step);

struct UpgradeProgress {
  UpgradeStep step = UpgradeStep::WritingFirmware;
  std::uint64_t bytesAcknowledged = 0;  // bytes the device confirmed
  std::uint64_t bytesTotal = 0;         // of all the upgrade sends
  int percent() const {
    return bytesTotal == 0 ? 0 : static_cast<int>(bytesAcknowledged * 100 / bytesTotal);
  }
};

struct UpgradeControl {
  std::function<void(const UpgradeProgress&)> progress;  // may be empty
  // Raised by whoever runs the upgrade: it stops at the next request boundary.
  const std::atomic<bool>* cancel = nullptr;

  void report(const UpgradeProgress& p) const {
    if (progress) progress(p);
  }
  bool cancelled() const { return cancel && cancel->load(); }
};

}  // namespace strandline
