#include "api/program_context.h"

#include "api/local_detection.h"

namespace strandline {

void ProgramContext::Watcher::onLocalFrame(int card, ByteView frame) {
  OnLocalFrame(ctx, card, frame);
}

void ProgramContext::Watcher::clearLocalReply() {
  ctx.localReplySeen = false;
}

bool AwaitConfirm(ProgramContext& ctx, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs, Bytes* frame, const MacAddress* from) {
  ConfirmWait wait{ctx.cards, ctx.thpapi, ctx.clock, ctx.tsc4000Local >= 4};
  wait.frame = frame;
  wait.from = from;
  bool ok = AwaitConfirm(wait, requestType, result, timeoutMs);
  if (ok) ctx.confirmSeen = true;
  return ok;
}

}  // namespace strandline
