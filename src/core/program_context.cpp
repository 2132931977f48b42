#include "core/program_context.h"

#include "core/discovery/local_detection.h"

namespace strandline {

void ProgramContext::Watcher::onLocalFrame(int card, ByteView frame) {
  strandline::onLocalFrame(ctx, card, frame);
}

void ProgramContext::Watcher::clearLocalReply() {
  ctx.localReplySeen = false;
}

bool awaitConfirm(ProgramContext& ctx, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs, Bytes* frame, const MacAddress* from) {
  ConfirmWait wait{ctx.cards, ctx.thpapi, ctx.clock, ctx.tsc4000Local >= 4};
  wait.frame = frame;
  wait.from = from;
  bool ok = awaitConfirm(wait, requestType, result, timeoutMs);
  if (ok) ctx.confirmSeen = true;
  return ok;
}

}  // namespace strandline
