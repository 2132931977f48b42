#include "core/history_recorder.h"

namespace strandline {

HistoryCycle historyCycleOf(const EngineSnapshot& s,
                            std::map<std::pair<int, MacAddress>, std::uint32_t>& lastSent) {
  HistoryCycle cycle;
  const auto card = static_cast<std::size_t>(s.currentCard);
  if (card >= kMaxCards || !s.adapters[card].present) return cycle;
  const AdapterNetwork& network = s.networks[card];
  cycle.timeMs = s.wallMs;
  cycle.card = s.currentCard;
  cycle.cardMac = macToText(network.cardMac);
  cycle.adapter = macToText(s.adapters[card].mac);
  cycle.points.push_back({cycle.adapter, network.localTx.current, network.localRx.current, true});
  for (const StationRecord& st : network.stations) {
    if (!macIsSet(st.mac.data())) continue;
    auto key = std::make_pair(s.currentCard, st.mac);
    auto last = lastSent.find(key);
    // Seen in the cycle that just ended: its miss count was reset and then aged once.
    bool answered = last != lastSent.end()
                        ? st.sent != last->second
                        : st.valid && st.missesLeft + 1 >= static_cast<int>(s.missesTillDrop);
    lastSent[key] = st.sent;
    cycle.points.push_back({macToText(st.mac), st.tx.current, st.rx.current, answered});
  }
  return cycle;
}

HistoryRecorder::HistoryRecorder(HistoryRecorderOptions options) : options_(std::move(options)) {
  writer_ = std::thread([this] { run(); });
}

HistoryRecorder::~HistoryRecorder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  writer_.join();
}

void HistoryRecorder::take(const EngineSnapshot& snapshot) {
  // The window publishes phase 7 again on redraws; only the scan's own
  // end-of-cycle snapshot counts, once (a refresh during it repeats the count).
  if (!endsScanCycle(snapshot)) return;
  if (haveLastCycle_ && snapshot.cyclesCompleted == lastCycle_) return;
  haveLastCycle_ = true;
  lastCycle_ = snapshot.cyclesCompleted;
  HistoryCycle cycle = historyCycleOf(snapshot, lastSent_);
  if (!cycle.points.empty()) queue(std::move(cycle));
}

void HistoryRecorder::queue(HistoryCycle cycle) {
  {
    std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxQueued) {
      queue_.pop_front();
      ++dropped_;
    }
    queue_.push_back(std::move(cycle));
  }
  wake_.notify_one();
}

void HistoryRecorder::flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

std::uint64_t HistoryRecorder::cyclesStored() {
  std::lock_guard lock(mutex_);
  return stored_;
}

std::uint64_t HistoryRecorder::cyclesDropped() {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void HistoryRecorder::run() {
  auto tell = [this](const std::string& text) {
    if (options_.notice && !text.empty()) options_.notice(text);
  };
  RateHistory history;
  std::string notice;
  Status opened = history.openForWriting(options_.path, options_.retention, &notice);
  tell(notice);
  notice.clear();
  if (!opened.ok()) tell(opened.message);
  bool writeFailureTold = false;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) break;  // stopping with nothing left
    HistoryCycle cycle = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    Status s = opened.ok() ? history.record(cycle, &notice) : opened;
    if (opened.ok()) {
      tell(notice);
      notice.clear();
      // One message for a run of failed writes, not one per cycle.
      if (!s.ok() && !writeFailureTold) tell(s.message);
      writeFailureTold = !s.ok();
    }
    if (s.ok() && options_.written) options_.written();
    lock.lock();
    busy_ = false;
    if (s.ok())
      ++stored_;
    else
      ++dropped_;
    if (queue_.empty()) idle_.notify_all();
  }
  idle_.notify_all();
}

}  // namespace strandline
