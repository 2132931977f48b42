#include "platform/memory_link.h"

#include <algorithm>

namespace strandline {

class MemoryLink::Port final : public CardPort {
 public:
  Port(MemoryLink& link, std::string card) : link_(link), card_(std::move(card)) {}
  ~Port() override { link_.closed(this); }

  Status setFilter(const FilterProgram& program) override {
    std::lock_guard lock(link_.mutex_);
    filter_ = program;
    return {};
  }

  bool send(ByteView frame, std::string& error) override {
    {
      std::lock_guard lock(link_.mutex_);
      auto& failing = link_.failSend_;
      auto it = std::find(failing.begin(), failing.end(), card_);
      if (it != failing.end()) {
        failing.erase(it);
        error = "send: simulated library fault";
        return false;
      }
    }
    link_.sent(card_, frame);
    return true;
  }

  int receive(Bytes& frame, std::string& error) override {
    std::lock_guard lock(link_.mutex_);
    auto& failing = link_.failReceive_;
    auto it = std::find(failing.begin(), failing.end(), card_);
    if (it != failing.end()) {
      failing.erase(it);
      error = "read: simulated library fault";
      return -1;
    }
    if (queue_.empty()) return 0;
    frame = std::move(queue_.front());
    queue_.pop_front();
    return 1;
  }

  void offer(const std::string& card, ByteView frame) {
    if (card != card_) return;
    if (!filter_.empty() && runFilter(filter_, frame) == 0) return;
    queue_.emplace_back(frame.begin(), frame.end());
  }
  bool readable() const { return !queue_.empty(); }

 private:
  MemoryLink& link_;
  std::string card_;
  FilterProgram filter_;
  std::deque<Bytes> queue_;
};

MemoryLink::~MemoryLink() = default;

void MemoryLink::addCard(const CardInfo& card) {
  std::lock_guard lock(mutex_);
  cards_.push_back(card);
}

bool MemoryLink::listCards(std::vector<CardInfo>& cards, std::string&) {
  std::lock_guard lock(mutex_);
  cards = cards_;
  return true;
}

std::unique_ptr<CardPort> MemoryLink::open(const std::string& name, const OpenOptions&,
                                           Status& status) {
  std::lock_guard lock(mutex_);
  bool known =
      std::any_of(cards_.begin(), cards_.end(), [&](const CardInfo& c) { return c.name == name; });
  if (!known) {
    status = {StatusCode::NoSuchDevice, name + ": No such device exists"};
    return nullptr;
  }
  if (std::find(denied_.begin(), denied_.end(), name) != denied_.end()) {
    status = {StatusCode::PermissionDenied, name + ": Operation not permitted"};
    return nullptr;
  }
  auto port = std::make_unique<Port>(*this, name);
  ports_.push_back(port.get());
  status = {};
  return port;
}

void MemoryLink::closed(Port* port) {
  std::lock_guard lock(mutex_);
  ports_.erase(std::remove(ports_.begin(), ports_.end(), port), ports_.end());
}

void MemoryLink::sent(const std::string& card, ByteView frame) {
  FarEnd farEnd;
  {
    std::lock_guard lock(mutex_);
    sentLog_.emplace_back(card, Bytes(frame.begin(), frame.end()));
    farEnd = farEnd_;
  }
  if (farEnd) farEnd(card, frame);
}

void MemoryLink::deliver(const std::string& card, ByteView frame) {
  {
    std::lock_guard lock(mutex_);
    for (Port* port : ports_) port->offer(card, frame);
  }
  clock_.wake();
}

std::vector<std::pair<std::string, Bytes>> MemoryLink::sentFrames() {
  std::lock_guard lock(mutex_);
  return sentLog_;
}

bool MemoryLink::wait(std::span<CardPort* const> ports, int timeoutMs) {
  auto anyReadable = [&] {
    std::lock_guard lock(mutex_);
    for (CardPort* p : ports)
      if (p && static_cast<Port*>(p)->readable()) return true;
    return false;
  };
  std::uint64_t deadline = clock_.nowMs() + static_cast<std::uint64_t>(std::max(timeoutMs, 0));
  return clock_.waitUntil(deadline, anyReadable);
}

}  // namespace strandline
