// strandline-sim: serves a simulated powerline network on network interfaces.
//
//   strandline-sim --network FILE [--log] [--help] [--version]
//
// Every local adapter of the file sits on its interface (libpcap, only those
// interfaces are opened). Prints "ready: IF..." once listening; --log prints
// a line for every frame answered. SIGINT and SIGTERM end it cleanly.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/version.h"
#include "platform/clock.h"
#include "platform/pcap_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"

namespace {

using namespace strandline;

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
  stopRequested = 1;
}

// Passes HomePlug 1.0 (0x887B) and HomePlug AV (0x88E1) frames, nothing else.
const FilterProgram kPowerlineFilter = {
    {0x28, 0, 0, 0x0C},   {0x15, 0, 1, 0x887B},     {0x06, 0, 0, 0xFFFFFFFF}, {0x28, 0, 0, 0x0C},
    {0x15, 0, 1, 0x88E1}, {0x06, 0, 0, 0xFFFFFFFF}, {0x06, 0, 0, 0},
};

// The frames this daemon sent in the last second: a capture on an interface
// also sees what was sent on it, and those copies are no requests.
class SentFrames {
 public:
  void add(std::uint64_t nowMs, ByteView frame) {
    expire(nowMs);
    frames_.emplace_back(nowMs + 1000, Bytes(frame.begin(), frame.end()));
  }
  // true (and forgets it) when the frame is one we sent.
  bool take(std::uint64_t nowMs, ByteView frame) {
    expire(nowMs);
    for (auto it = frames_.begin(); it != frames_.end(); ++it) {
      if (it->second.size() == frame.size() &&
          std::equal(frame.begin(), frame.end(), it->second.begin())) {
        frames_.erase(it);
        return true;
      }
    }
    return false;
  }

 private:
  void expire(std::uint64_t nowMs) {
    while (!frames_.empty() && frames_.front().first < nowMs) frames_.pop_front();
  }
  std::deque<std::pair<std::uint64_t, Bytes>> frames_;
};

// Events due at real times, run by the main loop.
class EventQueue {
 public:
  std::uint64_t now() { return clock_.nowMs(); }
  void after(std::uint64_t delayMs, std::function<void()> fn) {
    events_.emplace(std::make_pair(now() + delayMs, sequence_++), std::move(fn));
  }
  void runDue() {
    while (!events_.empty() && events_.begin()->first.first <= now()) {
      auto fn = std::move(events_.begin()->second);
      events_.erase(events_.begin());
      fn();
    }
  }
  // Milliseconds until the next event, at most `limit`.
  int timeout(int limit) {
    if (events_.empty()) return limit;
    std::uint64_t due = events_.begin()->first.first;
    std::uint64_t t = now();
    return due <= t ? 0 : static_cast<int>(std::min<std::uint64_t>(due - t, limit));
  }

 private:
  SystemClock clock_;
  std::multimap<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> events_;
  std::uint64_t sequence_ = 0;
};

constexpr const char* kUsage =
    "usage: strandline-sim --network FILE [--log] [--help] [--version]\n";

int usage() {
  std::fprintf(stderr, "%s", kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  bool log = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--network" && i + 1 < argc) {
      file = argv[++i];
    } else if (arg == "--log") {
      log = true;
    } else if (arg == "--help") {
      std::printf("%s", kUsage);
      return 0;
    } else if (arg == "--version") {
      std::printf("strandline-sim %s\n", std::string(kVersion).c_str());
      return 0;
    } else {
      return usage();
    }
  }
  if (file.empty()) return usage();

  sim::Medium medium;
  std::string error;
  if (!sim::loadNetworkFile(file, medium, error)) {
    std::fprintf(stderr, "strandline-sim: %s\n", error.c_str());
    return 1;
  }
  sim::Simulation simulation(std::move(medium));
  std::vector<std::string> cards = simulation.cards();

  PcapLink link(cards);
  std::map<std::string, std::unique_ptr<CardPort>> ports;
  std::vector<CardPort*> waitList;
  std::vector<std::string> waitCards;
  for (const std::string& card : cards) {
    Status status;
    auto port = link.open(card, {}, status);
    if (!port) {
      std::fprintf(stderr, "strandline-sim: %s: %s\n", card.c_str(), status.message.c_str());
      return 1;
    }
    status = port->setFilter(kPowerlineFilter);
    if (!status.ok()) {
      std::fprintf(stderr, "strandline-sim: %s: %s\n", card.c_str(), status.message.c_str());
      return 1;
    }
    waitList.push_back(port.get());
    waitCards.push_back(card);
    ports[card] = std::move(port);
  }

  EventQueue queue;
  SentFrames sent;
  simulation.setHost({[&queue] { return queue.now(); },
                      [&queue](std::uint64_t delay, std::function<void()> fn) {
                        queue.after(delay, std::move(fn));
                      },
                      [&ports, &sent, &queue](const std::string& card, ByteView frame) {
                        std::string sendError;
                        auto it = ports.find(card);
                        sent.add(queue.now(), frame);
                        if (it != ports.end() && !it->second->send(frame, sendError))
                          std::fprintf(stderr, "strandline-sim: %s: %s\n", card.c_str(),
                                       sendError.c_str());
                      }});
  if (log)
    simulation.setLog([](const std::string& line) {
      std::printf("answer %s\n", line.c_str());
      std::fflush(stdout);
    });

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::string names;
  for (const std::string& card : cards) names += (names.empty() ? "" : " ") + card;
  std::printf("ready: %s\n", names.c_str());
  std::fflush(stdout);

  while (!stopRequested) {
    queue.runDue();
    // A short wait keeps the stop flag and the answer schedule in view.
    link.wait(waitList, queue.timeout(50));
    for (std::size_t i = 0; i < waitList.size(); ++i) {
      Bytes frame;
      std::string receiveError;
      int got;
      while ((got = waitList[i]->receive(frame, receiveError)) == 1)
        if (!sent.take(queue.now(), frame)) simulation.receive(waitCards[i], frame);
      if (got < 0) {
        std::fprintf(stderr, "strandline-sim: %s: %s\n", waitCards[i].c_str(),
                     receiveError.c_str());
        return 1;
      }
    }
  }
  std::printf("stopped\n");
  return 0;
}
