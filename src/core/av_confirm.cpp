#include "core/av_confirm.h"

#include <array>

#include "protocol/management_frame.h"

namespace strandline {

bool confirmsRequest(int decodeResult, const ThpapiResult& result, std::uint16_t requestType) {
  if (decodeResult != 0 && result.status != 0) return false;
  std::uint16_t confirm = static_cast<std::uint16_t>(requestType | 1);
  return result.messageType == confirm || result.messageType == kMmCommitConfirm;
}

bool pollConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result) {
  int selector = wait.tsc4000Local && requestType == kMmNetworkInfoRequest ? kVersionSelectorV1 : 0;
  std::array<std::uint8_t, kFrameBufferSize> frame{};
  std::uint32_t length = 0;
  // pollCards leaves buffer and length alone for a frame of another ethertype;
  // reset the length so such a frame decodes as empty, never as the last one.
  while ((length = 0, pollCards(wait.cards, frame.data(), length))) {
    int rc = thpapiDecodeFrame(wait.library, ByteView(frame.data(), length), result, selector);
    if (confirmsRequest(rc, result, requestType)) {
      if (wait.from && result.source != *wait.from) continue;
      if (wait.except && result.source == *wait.except) continue;
      if (wait.frame) wait.frame->assign(frame.begin(), frame.begin() + length);
      wait.confirmSeen = true;
      return true;
    }
  }
  return false;
}

bool awaitConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs) {
  std::uint64_t deadline = wait.clock.nowMs() + timeoutMs;
  for (;;) {
    if (pollConfirm(wait, requestType, result)) return true;
    std::uint64_t now = wait.clock.nowMs();
    if (now >= deadline) return false;
    waitForCards(wait.cards, static_cast<int>(deadline - now));
  }
}

}  // namespace strandline
