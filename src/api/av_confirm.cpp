#include "api/av_confirm.h"

#include <array>

#include "api/management_frame.h"

namespace strandline {

bool ConfirmsRequest(int decodeResult, const ThpapiResult& result, std::uint16_t requestType) {
  if (decodeResult != 0 && result.status != 0) return false;
  std::uint16_t confirm = static_cast<std::uint16_t>(requestType | 1);
  return result.messageType == confirm || result.messageType == kMmCommitConfirm;
}

bool PollConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result) {
  int selector = wait.tsc4000Local && requestType == kMmNetworkInfoRequest ? kVersionSelectorV1 : 0;
  std::array<std::uint8_t, kFrameBufferSize> frame{};
  std::uint32_t length = 0;
  // PollCards leaves buffer and length alone for a frame of another ethertype;
  // reset the length so such a frame decodes as empty, never as the last one.
  while ((length = 0, PollCards(wait.cards, frame.data(), length))) {
    int rc = thpapi_DecodeFrame(wait.library, ByteView(frame.data(), length), result, selector);
    if (ConfirmsRequest(rc, result, requestType)) {
      wait.confirmSeen = true;
      return true;
    }
  }
  return false;
}

bool AwaitConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs) {
  std::uint64_t deadline = wait.clock.nowMs() + timeoutMs;
  for (;;) {
    if (PollConfirm(wait, requestType, result)) return true;
    std::uint64_t now = wait.clock.nowMs();
    if (now >= deadline) return false;
    WaitForCards(wait.cards, static_cast<int>(deadline - now));
  }
}

}  // namespace strandline
