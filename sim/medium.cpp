#include "sim/medium.h"

#include <algorithm>
#include <cstring>

namespace strandline::sim {

PeerRate Adapter::rateTo(const Adapter& peer) const {
  auto it = rates.find(peer.mac);
  if (it != rates.end()) return it->second;
  auto back = peer.rates.find(mac);
  if (back != peer.rates.end()) return {back->second.rx, back->second.tx};
  // A remote station's own figures describe its link to the local adapter.
  if (isLocal() && !peer.isLocal()) return {peer.defaultRate.tx, peer.defaultRate.rx};
  if (!isLocal() && peer.isLocal()) return {defaultRate.rx, defaultRate.tx};
  return defaultRate;
}

std::string kindName(AdapterKind kind) {
  switch (kind) {
    case AdapterKind::Av:
      return "av";
    case AdapterKind::Hp10:
      return "hp10";
    case AdapterKind::Boost:
      return "boost";
  }
  return "?";
}

Adapter& Medium::add(Adapter adapter) {
  adapters_.push_back(std::make_unique<Adapter>(std::move(adapter)));
  return *adapters_.back();
}

Adapter* Medium::find(const MacAddress& mac) {
  for (auto& a : adapters_)
    if (a->mac == mac) return a.get();
  return nullptr;
}

Adapter* Medium::localOn(const std::string& card) {
  for (auto& a : adapters_)
    if (a->card == card) return a.get();
  return nullptr;
}

bool Medium::sameNetwork(const Adapter& a, const Adapter& b) {
  if (a.isHp10Family() != b.isHp10Family()) return false;
  std::size_t width = a.isHp10Family() ? 8 : 16;
  return std::memcmp(a.networkKey.data(), b.networkKey.data(), width) == 0;
}

std::vector<Adapter*> Medium::networkOf(const Adapter& a, std::uint64_t nowMs) {
  std::vector<Adapter*> out;
  for (auto& b : adapters_)
    if (up(*b, nowMs) && (b.get() == &a || sameNetwork(a, *b))) out.push_back(b.get());
  return out;
}

std::vector<Adapter*> Medium::peersOf(const Adapter& a, std::uint64_t nowMs) {
  std::vector<Adapter*> out = networkOf(a, nowMs);
  out.erase(std::remove(out.begin(), out.end(), &a), out.end());
  return out;
}

}  // namespace strandline::sim
