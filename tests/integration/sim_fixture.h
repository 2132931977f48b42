// A simulated network on the in-memory link and the virtual clock: a port to
// send hand-built frames to the simulator, and a program context whose flows
// run against it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/keys.h"
#include "base/mac_address.h"
#include "core/device_ops/pib_modify.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "core/security/add_device.h"
#include "core/security/key_setting.h"
#include "core/security/network_name.h"
#include "platform/clock.h"
#include "platform/memory_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"
#include "unit/storage_test_util.h"

namespace strandline::testing {

inline MacAddress macOf(const std::string& text) {
  MacAddress mac{};
  EXPECT_TRUE(parseMac(text, mac)) << text;
  return mac;
}

inline std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
inline std::string readNetworkFile(const std::string& name) {
  return readText(std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/" + name);
}

// The HomePlug 1.0 network key of a name (8 bytes) as the simulator stores it.
inline Key16 nek(const std::string& name) {
  Key16 key{};
  std::copy_n(deriveHp10Key(name).begin(), 8, key.begin());
  return key;
}

// XOR of the little-endian words, complemented: written here again so that
// the tests do not lean on the simulator's own checksum code.
inline std::uint32_t testChecksum(ByteView data, std::uint32_t seed = 0) {
  std::uint32_t x = seed;
  for (std::size_t i = 0; i + 4 <= data.size(); i += 4)
    x ^= std::uint32_t{data[i]} | std::uint32_t{data[i + 1]} << 8 |
         std::uint32_t{data[i + 2]} << 16 | std::uint32_t{data[i + 3]} << 24;
  return ~x;
}

inline std::uint16_t le16(const Bytes& f, std::size_t at) {
  return static_cast<std::uint16_t>(f.at(at) | f.at(at + 1) << 8);
}
inline std::uint32_t le32(const Bytes& f, std::size_t at) {
  return le16(f, at) | std::uint32_t{le16(f, at + 2)} << 16;
}
inline MacAddress macAt(const Bytes& f, std::size_t at) {
  MacAddress m{};
  std::copy_n(f.begin() + static_cast<std::ptrdiff_t>(at), 6, m.begin());
  return m;
}
// 32-bit words, one after the other, little-endian unless asked otherwise.
inline Bytes words(std::initializer_list<std::uint32_t> values, bool bigEndian = false) {
  Bytes out;
  for (std::uint32_t v : values)
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<std::uint8_t>(v >> (bigEndian ? 24 - 8 * i : 8 * i)));
  return out;
}
inline Bytes cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class SimFixture : public ::testing::Test {
 protected:
  // The computer's card address given by Simulation::attach to the first card.
  const MacAddress host = {0x02, 0x5C, 0x00, 0x00, 0x00, 0x01};

  // A fresh simulation of the network (JSON text), a port on its first card, a program context.
  void load(const std::string& json) {
    sim::Medium medium;
    std::string error;
    ASSERT_TRUE(sim::parseNetwork(json, medium, error)) << error;
    simulation = std::make_unique<sim::Simulation>(std::move(medium));
    simulation->attach(link);
    Status status;
    port = link.open(simulation->cards().front(), {}, status);
    ASSERT_TRUE(port) << status.message;
    ctx = std::make_unique<ProgramContext>(link, clock, prompter);
  }
  void loadFile(const std::string& name) { load(readNetworkFile(name)); }

  // A frame from the computer to `to`, padded to `length` bytes.
  Bytes frame(const MacAddress& to, const Bytes& rest, std::size_t length) {
    Bytes f = cat(cat(Bytes(to.begin(), to.end()), Bytes(host.begin(), host.end())), rest);
    f.resize(std::max(length, f.size()));
    return f;
  }
  // An AV request of `type` with the payload bytes given, version 0.
  Bytes av(const MacAddress& to, std::uint16_t type, const Bytes& payload = {},
           std::size_t length = 64) {
    const auto lo = static_cast<std::uint8_t>(type), hi = static_cast<std::uint8_t>(type >> 8);
    return frame(to, cat({0x88, 0xE1, 0, lo, hi, 0x00, 0xB0, 0x52}, payload), length);
  }
  // A HomePlug 1.0 frame with one entry.
  Bytes hp1(const MacAddress& to, std::uint8_t type, const Bytes& data) {
    const auto size = static_cast<std::uint8_t>(data.size());
    return frame(to, cat({0x88, 0x7B, 1, type, size}, data), 60);
  }

  // Sends a frame and collects every answer that arrives within waitMs.
  std::vector<Bytes> exchange(const Bytes& request, std::uint32_t waitMs = 20) {
    std::string error;
    EXPECT_TRUE(port->send(request, error)) << error;
    return collect(waitMs);
  }
  std::vector<Bytes> collect(std::uint32_t waitMs) {
    clock.sleepMs(waitMs);
    std::vector<Bytes> out;
    Bytes frame;
    std::string error;
    while (port->receive(frame, error) == 1) out.push_back(frame);
    return out;
  }
  Bytes only(const Bytes& request, std::uint32_t waitMs = 20) {
    auto answers = exchange(request, waitMs);
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? Bytes(60, 0) : answers.front();
  }

  bool discover(int interval = 7) {
    return startDiscovery(
        *ctx, interval, 3, [this](int phase) { notified.push_back(phase); }, true);
  }
  // Runs timer ticks until n more scan cycles have completed.
  void runCycles(int n) {
    std::uint32_t target = ctx->scan.cyclesCompleted + static_cast<std::uint32_t>(n);
    for (int guard = 0; ctx->scan.cyclesCompleted < target && guard < 100000; ++guard) {
      clock.sleepMs(scanTimerPeriodMs(ctx->scan.ticksPerPhase));
      scanTick(*ctx);
    }
    ASSERT_GE(ctx->scan.cyclesCompleted, target);
  }
  // Discovery and one scan cycle (in which HomePlug 1.0 adapters report their
  // local parameters), then a clean slate of texts.
  void ready() {
    ASSERT_TRUE(discover());
    runCycles(1);
    prompter.shown.clear();
    prompter.progress.clear();
    pausedBefore = ctx->scan.paused;
  }

  AdapterNetwork& network(int card = 0) { return ctx->networks[static_cast<std::size_t>(card)]; }
  const StationRecord* station(const std::string& mac) { return findStation(*ctx, macOf(mac)); }
  // A fresh look at the network: enough cycles for every station that is
  // still reachable to be seen (and the others to age out).
  std::vector<MacAddress> rescanStations() {
    runCycles(4);
    std::vector<MacAddress> out;
    for (const StationRecord& s : network().stations)
      if (s.valid) out.push_back(s.mac);
    std::sort(out.begin(), out.end());
    return out;
  }

  // The network key a simulated adapter holds (first 8 bytes on HomePlug 1.0).
  Key16 simKey(const std::string& mac) {
    sim::Adapter* a = simulation->adapter(macOf(mac));
    EXPECT_TRUE(a) << mac;
    return a ? a->networkKey : Key16{};
  }
  int addKnown(const std::string& mac, const std::string& password) {
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
  // The AV requests of `type` that the computer sent, in order.
  std::vector<Bytes> sentAv(std::uint16_t type) {
    std::vector<Bytes> out;
    for (const auto& [card, f] : link.sentFrames())
      if (f.size() >= 20 && f[12] == 0x88 && f[13] == 0xE1 && le16(f, 15) == type) out.push_back(f);
    return out;
  }
  // Every set-key request that put the local AV adapter on a key, in order.
  std::vector<Key16> localAvKeysSent() {
    std::vector<Key16> keys;
    for (const Bytes& f : sentAv(0xA050))
      if (f.size() >= 60 && f[37] == 15)
        std::copy_n(f.begin() + 21, 16, keys.emplace_back().begin());
    return keys;
  }
  void expectPauseRestored() { EXPECT_EQ(ctx->scan.paused, pausedBefore); }
  // A key flow ended: no device is being added and the scan is as it was.
  void expectFlowDone() {
    EXPECT_FALSE(ctx->keyFlow.addingInProgress);
    expectPauseRestored();
  }
  // The flow showed exactly this message (and caption, when one is given).
  void expectShown(const std::string& text, const std::string& caption = "") {
    EXPECT_EQ(texts(), std::vector<std::string>{text});
    std::string first = prompter.shown.empty() ? "" : prompter.shown[0].caption;
    EXPECT_EQ(caption.empty() ? "" : first, caption);
  }
  // The database holds the device under this name and password.
  void expectKnown(const std::string& mac, const std::string& name, const std::string& password) {
    int position = findKnownByMac(ctx->known, macOf(mac));
    ASSERT_NE(position, 0) << mac;
    EXPECT_EQ(ctx->known.at(position).name.str(), name);
    EXPECT_EQ(ctx->known.at(position).password.str(), password);
  }

  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  std::unique_ptr<sim::Simulation> simulation;
  std::unique_ptr<CardPort> port;
  std::unique_ptr<ProgramContext> ctx;
  std::vector<int> notified;
  bool pausedBefore = false;
};

// A device tool (operations, settings, upgrades) run from the computer's card:
// its report lines, its patches, and a scratch folder for its files.
class ToolFixture : public SimFixture {
 protected:
  ToolEnvironment env() {
    ToolEnvironment e{link, clock, prompter};
    e.cardMac = host;
    e.patches = &patches;
    e.report = &report;
    return e;
  }
  // A simulated adapter, by default the local one of the one-adapter AV networks.
  sim::Adapter& device(const MacAddress& mac = {0x02, 0x5A, 0, 0, 0x01, 0x01}) {
    return *simulation->adapter(mac);
  }

  PibPatchRegistry patches;
  std::ostringstream report;
  test::ScratchFolder folder;
};

}  // namespace strandline::testing
