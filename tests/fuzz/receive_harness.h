// Fuzzing the system's own receive paths: a program context on one in-memory
// card, on virtual time, whose far end answers every frame the system sends
// with the next frames of the fuzz input.
//
// Input: a mode byte, read by each target as it says, then records: a 16-bit
// little-endian word (bits 0-10 the frame length, 11-14 a delay in 50 ms steps,
// bit 15 set when the next record belongs to the same burst) and the frame.
// The first burst is waiting before the code under test runs; each later burst
// answers one sent frame. A record cut short by the end of the input keeps the
// bytes that are there.
//
// The targets are plain functions, built into the fuzzers (fuzz_entry.cpp) and
// into the unit tests, which replay every kept input through them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/program_context.h"
#include "platform/clock.h"
#include "platform/memory_link.h"
#include "platform/prompter.h"

namespace strandline::fuzz {

inline constexpr MacAddress kCardMac{0x02, 0x46, 0x5A, 0x00, 0x00, 0x01};
inline constexpr MacAddress kAdapterMac{0x02, 0x46, 0x5A, 0x00, 0x00, 0x02};
// A remote station the table holds before the input arrives.
inline constexpr MacAddress kStationMac{0x02, 0x46, 0x5A, 0x00, 0x00, 0x03};

class ReceiveHarness {
 public:
  // An adapter of `kind` on the card as detection leaves it, kStationMac in
  // its station table, and the input's first burst waiting.
  ReceiveHarness(ByteView input, std::uint32_t kind);
  ReceiveHarness(const ReceiveHarness&) = delete;
  ReceiveHarness& operator=(const ReceiveHarness&) = delete;

  std::uint8_t mode() const { return mode_; }
  ProgramContext& ctx() { return ctx_; }
  VirtualClock& clock() { return clock_; }

 private:
  void scheduleBurst();

  VirtualClock clock_;
  MemoryLink link_{clock_};
  RecordingPrompter prompter_;
  ProgramContext ctx_{link_, clock_, prompter_};
  std::uint8_t mode_ = 0;
  ByteView rest_;
};

// Seeds: an input of the mode byte and the bursts given, in order.
Bytes seedInput(std::uint8_t mode, const std::vector<std::vector<Bytes>>& bursts);
// A HomePlug 1.0 frame with one entry, padded to 60 bytes. The local adapter
// sends its own answers to itself.
Bytes hp1Frame(const MacAddress& from, std::uint8_t type, const Bytes& data,
               const MacAddress& to = kCardMac);
// An AV frame to the card (version-0 header, or version-1 with `versionOne`).
Bytes avFrame(const MacAddress& from, std::uint16_t type, const Bytes& payload, std::size_t length,
              bool versionOne = false);

// Every valid station of the current card has a unicast address that is set.
bool stationsHaveOwnAddresses(ProgramContext& ctx);

struct ReceiveTarget {
  const char* name;  // the fuzzer's name, and the folder of its kept inputs
  int (*run)(ByteView input);
  std::vector<Bytes> (*seeds)();
};
const std::vector<ReceiveTarget>& receiveTargets();

int fuzzNetworkInfo(ByteView input);
std::vector<Bytes> networkInfoSeeds();
int fuzzHp10Scan(ByteView input);
std::vector<Bytes> hp10ScanSeeds();
int fuzzBoostAnswers(ByteView input);
std::vector<Bytes> boostAnswersSeeds();
int fuzzKeySetting(ByteView input);
std::vector<Bytes> keySettingSeeds();

}  // namespace strandline::fuzz
