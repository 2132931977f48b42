// The key flows on the simulator: a discovered context plus helpers to read
// the simulated adapters' keys and the texts the flows showed.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/keys.h"
#include "core/security/add_device.h"
#include "core/security/key_setting.h"
#include "core/security/network_name.h"
#include "integration/discovery_fixture.h"

namespace strandline::testing {

inline MacAddress macOf(const char* text) {
  MacAddress m{};
  EXPECT_TRUE(parseMac(text, m)) << text;
  return m;
}

inline Key16 nek(const std::string& name) {
  Key16 key{};
  std::copy_n(deriveHp10Key(name).begin(), 8, key.begin());
  return key;
}

class KeyFlowFixture : public DiscoveryFixture {
 protected:
  // Discovery and one scan cycle (HomePlug 1.0 adapters report their local
  // parameters during the cycle).
  void ready() {
    ASSERT_TRUE(discover());
    runCycles(1);
    prompter.shown.clear();
    prompter.progress.clear();
    pausedBefore = ctx->scan.paused;
  }

  // The network key a simulated adapter holds (first 8 bytes on HomePlug 1.0).
  Key16 simKey(const char* mac) {
    sim::Adapter* a = simulation->adapter(macOf(mac));
    EXPECT_TRUE(a) << mac;
    return a ? a->networkKey : Key16{};
  }

  int addKnown(const char* mac, const std::string& password) {
    int position = findKnownByMac(ctx->known, macOf(mac));
    if (position == 0) position = addKnownDevice(ctx->known, macOf(mac));
    ctx->known.at(position).password.set(password);
    return position;
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const ShownMessage& m : prompter.shown) out.push_back(m.text);
    return out;
  }

  // A fresh look at the network: detection and enough cycles for every
  // station that is still reachable to be seen (and the others to age out).
  std::vector<MacAddress> rescanStations() {
    runCycles(4);
    std::vector<MacAddress> out;
    for (const StationRecord& s : network().stations)
      if (s.valid) out.push_back(s.mac);
    std::sort(out.begin(), out.end());
    return out;
  }

  // Every set-key request that put the local AV adapter on a key, in order.
  std::vector<Key16> localAvKeysSent() {
    std::vector<Key16> keys;
    for (const auto& [card, f] : link.sentFrames()) {
      if (f.size() < 60 || f[12] != 0x88 || f[13] != 0xE1 || f[15] != 0x50 || f[16] != 0xA0)
        continue;
      if (f[37] != 15) continue;
      Key16 k{};
      std::copy_n(f.begin() + 21, 16, k.begin());
      keys.push_back(k);
    }
    return keys;
  }

  void expectPauseRestored() { EXPECT_EQ(ctx->scan.paused, pausedBefore); }

  bool pausedBefore = false;
};

}  // namespace strandline::testing
