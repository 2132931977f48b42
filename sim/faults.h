// Faults a simulated adapter can be told to show. Every random choice comes
// from the adapter's own seeded generator, so a run repeats exactly.
#pragma once

#include <cstdint>
#include <map>

namespace strandline::sim {

struct FaultSettings {
  double lossRate = 0.0;         // share of answers that are lost, 0..1
  std::uint32_t seed = 1;        // for the loss decisions
  std::uint32_t delayMs = 0;     // added to every answer
  bool duplicate = false;        // every answer is sent twice
  bool corruptChecksum = false;  // module-read and module-checksum answers carry a wrong checksum
  bool wrongOui = false;         // AV answers carry the OUI 00 B0 53
  std::map<std::uint16_t, std::uint8_t> status;  // request type -> status code to answer with
  std::uint32_t rebootMs = 1500;  // how long the device is down after commit, reset, start
  // When a key sent under a DAK reaches no station: 0 = no answer at all, else
  // the local adapter answers with this status (0x13 "Remote Failure", say).
  std::uint8_t remoteKeyFailure = 0;
  // The adapter confirms a key set for itself but goes on using its own.
  bool keepsOwnKey = false;
  // A module-read answer at this offset carries a wrong checksum unless the
  // request before asked for the same offset: one bad chunk in every read,
  // good when asked for again at once. -1: never.
  std::int64_t corruptChecksumAt = -1;
  // Unplugging on a schedule (milliseconds from the start; 0 = never).
  std::uint64_t unplugAtMs = 0;
  std::uint64_t replugAtMs = 0;
  // Faults in the middle of a transfer, by request type; requests of a type
  // are counted from 1 for each adapter.
  std::map<std::uint16_t, std::uint32_t> loseAnswerNth;   // that request's answer is lost
  std::map<std::uint16_t, std::uint32_t> wrongOffsetNth;  // its module confirm: wrong offset
  // That module or memory write is refused with Bad Checksum and not kept.
  std::map<std::uint16_t, std::uint32_t> refuseNth;
  std::map<std::uint16_t, std::uint32_t> unplugAfterNth;  // unplugged after answering it
  bool neverGoesDown = false;  // commit and resets are answered, but the device stays up
  // Power fails as a commit arrives: no answer, nothing written to flash, the
  // device comes back after rebootMs with what it had before.
  bool powerLossOnCommit = false;
};

// xorshift32: small, fast and the same everywhere.
class FaultRandom {
 public:
  explicit FaultRandom(std::uint32_t seed = 1) : state_(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // true with the given probability.
  bool chance(double p) {
    if (p <= 0.0) return false;
    if (p >= 1.0) return true;
    return static_cast<double>(next()) / 4294967296.0 < p;
  }

 private:
  std::uint32_t state_;
};

}  // namespace strandline::sim
