// In-process cards for tests and the built-in simulated network.
//
// Each card has a far end: a handler that receives every frame the system
// sends on the card (the simulator). The far end answers by deliver(), usually
// from an event scheduled on the VirtualClock. Received frames pass through the
// port's filter program exactly as libpcap's kernel filter would apply it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/clock.h"
#include "platform/frame_link.h"

namespace strandline {

class MemoryLink final : public FrameLink {
 public:
  using FarEnd = std::function<void(const std::string& card, ByteView frame)>;

  explicit MemoryLink(VirtualClock& clock) : clock_(clock) {}
  ~MemoryLink() override;

  void addCard(const CardInfo& card);
  void setFarEnd(FarEnd farEnd) { farEnd_ = std::move(farEnd); }
  // Makes opening this card fail as libpcap does without CAP_NET_RAW.
  void denyPermission(const std::string& card) { denied_.push_back(card); }
  // Makes the next send on this card fail as a library fault would.
  void failNextSend(const std::string& card) { failSend_.push_back(card); }
  // Makes the next receive on this card fail as a library fault would.
  void failNextReceive(const std::string& card) { failReceive_.push_back(card); }

  // Hands a frame to every open port of the card (subject to its filter).
  void deliver(const std::string& card, ByteView frame);
  // Every frame the system sent, in order, with its card.
  std::vector<std::pair<std::string, Bytes>> sentFrames();

  bool listCards(std::vector<CardInfo>& cards, std::string& error) override;
  std::unique_ptr<CardPort> open(const std::string& name, const OpenOptions& options,
                                 Status& status) override;
  bool wait(std::span<CardPort* const> ports, int timeoutMs) override;

  VirtualClock& clock() { return clock_; }

 private:
  class Port;
  friend class Port;
  void sent(const std::string& card, ByteView frame);
  void closed(Port* port);

  VirtualClock& clock_;
  std::vector<CardInfo> cards_;
  std::vector<std::string> denied_;
  std::vector<std::string> failSend_;
  std::vector<std::string> failReceive_;
  std::vector<Port*> ports_;
  std::vector<std::pair<std::string, Bytes>> sentLog_;
  FarEnd farEnd_;
  std::recursive_mutex mutex_;
};

}  // namespace strandline
