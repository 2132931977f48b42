// The simulated powerline network as the computer meets it: frames sent on a
// card reach the local adapter attached to it, which answers itself or
// carries the request to the stations of its network. Answers are scheduled
// on the host's clock (the virtual clock in tests, real time in the daemon).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory_link.h"
#include "sim/device_context.h"
#include "sim/medium.h"

namespace strandline::sim {

struct SimHost {
  std::function<std::uint64_t()> now;
  std::function<void(std::uint64_t delayMs, std::function<void()>)> after;
  std::function<void(const std::string& card, ByteView frame)> emit;
};

// Answer delays: a local adapter answers after 2 ms, a remote station after 4.
inline constexpr std::uint64_t kLocalAnswerDelayMs = 2;
inline constexpr std::uint64_t kRemoteAnswerDelayMs = 4;

// Thread-safe: frames may be sent from several threads.
class Simulation final : private DeviceContext {
 public:
  explicit Simulation(Medium medium) : medium_(std::move(medium)) {}

  // Runs the simulation on a host; the first call schedules the configured
  // unplug/replug faults.
  void setHost(SimHost host);
  // Adds one card per local adapter to the link (named as in the network
  // file, MAC 02:5C:00:00:00:nn) and answers every frame sent on them.
  void attach(MemoryLink& link);

  // A frame the computer sent on `card`.
  void receive(const std::string& card, ByteView frame);

  void unplug(const MacAddress& mac);
  void replug(const MacAddress& mac);

  Medium& network() { return medium_; }
  Adapter* adapter(const MacAddress& mac) { return medium_.find(mac); }
  // The cards (interfaces) of the local adapters, in file order.
  std::vector<std::string> cards() const;
  // Called with a line for every frame answered (the daemon's --log).
  void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

 private:
  Medium& medium() override { return medium_; }
  std::uint64_t nowMs() override { return host_.now ? host_.now() : 0; }
  void reply(Adapter& from, Bytes frame, bool remote) override;
  void reboot(Adapter& adapter, std::uint32_t ms) override;

  Medium medium_;
  SimHost host_;
  std::string card_;  // the card of the request being handled
  bool faultsScheduled_ = false;
  std::function<void(const std::string&)> log_;
  // Frames may arrive from several threads (the engine and a worker).
  std::recursive_mutex mutex_;
};

// A one-line description of a frame for logs: card, addresses, type.
std::string describeFrame(ByteView frame);

}  // namespace strandline::sim
