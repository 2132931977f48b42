#include "sim/simulation.h"

#include <cstdio>

#include "sim/av_device.h"
#include "sim/frame_header.h"
#include "sim/hp10_device.h"

namespace strandline::sim {

void Simulation::setHost(SimHost host) {
  host_ = std::move(host);
  if (faultsScheduled_) return;  // attach after setHost must not unplug twice
  faultsScheduled_ = true;
  for (auto& a : medium_.adapters()) {
    MacAddress mac = a->mac;
    if (a->faults.unplugAtMs) host_.after(a->faults.unplugAtMs, [this, mac] { unplug(mac); });
    if (a->faults.replugAtMs) host_.after(a->faults.replugAtMs, [this, mac] { replug(mac); });
  }
}

void Simulation::attach(MemoryLink& link) {
  std::uint8_t n = 0;
  for (const std::string& card : cards()) {
    CardInfo info;
    info.name = card;
    info.description = "Simulated Ethernet card";
    info.mac = {0x02, 0x5C, 0x00, 0x00, 0x00, ++n};
    link.addCard(info);
  }
  VirtualClock& clock = link.clock();
  setHost({[&clock] { return clock.nowMs(); },
           [&clock](std::uint64_t delay, std::function<void()> fn) {
             clock.scheduleIn(delay, std::move(fn));
           },
           [&link](const std::string& card, ByteView frame) { link.deliver(card, frame); }});
  link.setFarEnd([this](const std::string& card, ByteView frame) { receive(card, frame); });
}

std::vector<std::string> Simulation::cards() const {
  std::vector<std::string> out;
  for (const auto& a : medium_.adapters())
    if (a->isLocal()) out.push_back(a->card);
  return out;
}

void Simulation::receive(const std::string& card, ByteView frame) {
  std::lock_guard lock(mutex_);
  Adapter* local = medium_.localOn(card);
  if (!local || !Medium::up(*local, nowMs())) return;
  card_ = card;
  std::uint16_t type = frameEtherType(frame);
  if (type == kEtherTypeAv && local->kind == AdapterKind::Av)
    handleAvFrame(*this, *local, frame);
  else if (type == kEtherTypeHp10 && local->isHp10Family())
    handleHp10Frame(*this, *local, frame);
}

void Simulation::reply(Adapter& from, Bytes frame, bool remote) {
  if (frame.size() < kMinFrameLength) frame.resize(kMinFrameLength, 0);
  if (from.faults.wrongOui && frameEtherType(frame) == kEtherTypeAv) {
    frame[avOuiAt(frame[kAvVersionAt]) + 2] = 0x53;
  }
  if (from.random.chance(from.faults.lossRate)) return;
  if (!host_.after) return;
  std::uint64_t delay = (remote ? kRemoteAnswerDelayMs : kLocalAnswerDelayMs) + from.faults.delayMs;
  int copies = from.faults.duplicate ? 2 : 1;
  for (int i = 0; i < copies; ++i) {
    host_.after(delay + static_cast<std::uint64_t>(i), [this, card = card_, frame] {
      if (log_) log_(card + " " + describeFrame(frame));
      host_.emit(card, frame);
    });
  }
}

void Simulation::reboot(Adapter& adapter, std::uint32_t ms) {
  adapter.downUntilMs = nowMs() + ms;
  adapter.staged.clear();
  adapter.memory.clear();
}

void Simulation::unplug(const MacAddress& mac) {
  std::lock_guard lock(mutex_);
  if (Adapter* a = medium_.find(mac)) a->plugged = false;
}

void Simulation::replug(const MacAddress& mac) {
  std::lock_guard lock(mutex_);
  if (Adapter* a = medium_.find(mac)) a->plugged = true;
}

std::string describeFrame(ByteView frame) {
  ByteReader r(frame);
  MacAddress dst = r.array<6>();
  MacAddress src = r.array<6>();
  std::uint16_t type = r.u16be();
  char text[96];
  if (type == kEtherTypeAv) {
    r.skip(1);
    std::uint16_t mmtype = r.u16le();
    std::snprintf(text, sizeof text, "AV 0x%04X", mmtype);
  } else {
    r.skip(1);
    std::uint8_t entry = r.u8();
    std::snprintf(text, sizeof text, "HP1.0 entry 0x%02X", entry);
  }
  return macToText(src) + " -> " + macToText(dst) + " " + text + " (" +
         std::to_string(frame.size()) + " bytes)";
}

}  // namespace strandline::sim
