#include "core/device_ops/upgrade_decision.h"

#include "core/device_ops/av_upgrade.h"
#include "core/discovery/firmware_identity.h"
#include "core/program_context.h"

namespace strandline {

UpgradeDecision checkUpgradeCapability(ProgramContext& ctx) {
  UpgradeDecision decision;
  decision.adapterMac = ctx.currentAdapter().mac;
  if (ctx.kestrelMode) {
    decision.kind = UpgradeKind::HomePlug10;
    return decision;
  }
  if (!ctx.avMode) {
    ctx.prompter.show(kUpgradeNotCapable);
    return decision;
  }
  if (ctx.currentAdapter().kind == kKindAvTsc4000) {
    ctx.firmware.configBlockOk = true;
    ctx.firmware.firmwareTypeLetter = 'A';
  } else if (!queryFirmwareType(ctx)) {
    ctx.prompter.show(kUpgradeNoFirmwareType);
    return decision;
  }
  decision.kind = UpgradeKind::HomePlugAv;
  decision.options = avUpdateOptions(ctx.firmware.chipName, ctx.firmware.configBlockOk);
  return decision;
}

}  // namespace strandline
