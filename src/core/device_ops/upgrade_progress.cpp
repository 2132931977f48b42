#include "core/device_ops/upgrade_progress.h"

namespace strandline {

const char* upgradeStepText(UpgradeStep step) {
  switch (step) {
    case UpgradeStep::WritingFirmware:
      return "writing firmware";
    case UpgradeStep::WritingParameters:
      return "writing parameters";
    case UpgradeStep::Committing:
      return "committing";
    case UpgradeStep::WaitingForRestart:
      return "waiting for the restart";
    case UpgradeStep::FactoryReset:
      return "factory reset";
    case UpgradeStep::SavingDefaultPib:
      return "saving default.pib";
    case UpgradeStep::Finished:
      return "finished";
  }
  return "";
}

}  // namespace strandline
