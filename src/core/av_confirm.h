// Waiting for an AV confirmation on the card table.
//
// Frames are polled from every open card and decoded; the first that confirms
// the request ends the wait. Between frames the wait sleeps in waitForCards,
// which wakes as soon as a frame arrives.
#pragma once

#include <cstdint>

#include "core/card_table.h"
#include "platform/clock.h"
#include "protocol/av_decode.h"

namespace strandline {

inline constexpr std::uint32_t kConfirmTimeoutMs = 100;

struct ConfirmWait {
  CardTable& cards;
  ThpapiContext& library;
  Clock& clock;
  // The current local adapter is of the TSC4000 family: network-information
  // confirmations then carry the version-1 header.
  bool tsc4000Local = false;
  // Set whenever a confirmation was taken.
  bool confirmSeen = false;
  // When set, only a confirmation from this station counts (others are dropped).
  const MacAddress* from = nullptr;
  // When set, a confirmation from this station is dropped.
  const MacAddress* except = nullptr;
  // When set, receives the whole confirming frame.
  Bytes* frame = nullptr;
};

// A frame confirms `requestType` when it decoded (or reports status 0) and its
// type is requestType | 1, or the commit confirmation 0xA029.
bool confirmsRequest(int decodeResult, const ThpapiResult& result, std::uint16_t requestType);

// One pass over the frames already waiting, without waiting for more: true
// with the confirmation in result; non-matching frames are dropped.
bool pollConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result);

// Waits up to timeoutMs for the confirmation of requestType, from any station.
bool awaitConfirm(ConfirmWait& wait, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs = kConfirmTimeoutMs);

}  // namespace strandline
