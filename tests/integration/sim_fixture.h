// A simulated network on the in-memory link and the virtual clock, with
// helpers that send hand-built requests and collect the answers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "platform/clock.h"
#include "platform/memory_link.h"
#include "sim/network_file.h"
#include "sim/simulation.h"

namespace strandline::testing {

inline MacAddress simMac(const char* text) {
  MacAddress mac{};
  EXPECT_TRUE(parseMac(text, mac)) << text;
  return mac;
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
  return std::uint32_t{f.at(at)} | std::uint32_t{f.at(at + 1)} << 8 |
         std::uint32_t{f.at(at + 2)} << 16 | std::uint32_t{f.at(at + 3)} << 24;
}
inline std::uint32_t be32(const Bytes& f, std::size_t at) {
  return std::uint32_t{f.at(at)} << 24 | std::uint32_t{f.at(at + 1)} << 16 |
         std::uint32_t{f.at(at + 2)} << 8 | std::uint32_t{f.at(at + 3)};
}
inline MacAddress macAt(const Bytes& f, std::size_t at) {
  MacAddress m{};
  for (int i = 0; i < 6; ++i) m[i] = f.at(at + i);
  return m;
}
inline void put16(Bytes& f, std::size_t at, std::uint16_t v) {
  f.at(at) = static_cast<std::uint8_t>(v);
  f.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Bytes& f, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) f.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void put32be(Bytes& f, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) f.at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

class SimFixture : public ::testing::Test {
 protected:
  // The computer's card address given by Simulation::attach to the first card.
  const MacAddress host = {0x02, 0x5C, 0x00, 0x00, 0x00, 0x01};

  void load(const std::string& json) {
    sim::Medium medium;
    std::string error;
    ASSERT_TRUE(sim::parseNetwork(json, medium, error)) << error;
    simulation = std::make_unique<sim::Simulation>(std::move(medium));
    simulation->attach(link);
    Status status;
    port = link.open(simulation->cards().front(), {}, status);
    ASSERT_TRUE(port) << status.message;
  }

  // An AV request of `type` with the payload bytes given, version 0, 64 bytes.
  Bytes av(const MacAddress& to, std::uint16_t type, const Bytes& payload = {},
           std::size_t length = 64) {
    Bytes f(std::max(length, 20 + payload.size()), 0);
    std::copy(to.begin(), to.end(), f.begin());
    std::copy(host.begin(), host.end(), f.begin() + 6);
    f[12] = 0x88;
    f[13] = 0xE1;
    f[14] = 0;
    f[15] = static_cast<std::uint8_t>(type);
    f[16] = static_cast<std::uint8_t>(type >> 8);
    f[17] = 0x00;
    f[18] = 0xB0;
    f[19] = 0x52;
    std::copy(payload.begin(), payload.end(), f.begin() + 20);
    return f;
  }

  // A HomePlug 1.0 frame with one entry.
  Bytes hp1(const MacAddress& to, std::uint8_t type, const Bytes& data,
            const MacAddress* from = nullptr) {
    Bytes f(std::max<std::size_t>(60, 17 + data.size()), 0);
    const MacAddress& source = from ? *from : host;
    std::copy(to.begin(), to.end(), f.begin());
    std::copy(source.begin(), source.end(), f.begin() + 6);
    f[12] = 0x88;
    f[13] = 0x7B;
    f[14] = 1;
    f[15] = type;
    f[16] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), f.begin() + 17);
    return f;
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

  VirtualClock clock;
  MemoryLink link{clock};
  std::unique_ptr<sim::Simulation> simulation;
  std::unique_ptr<CardPort> port;
};

}  // namespace strandline::testing
