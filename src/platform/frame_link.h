// The frame-link port: the network cards as the rest of the system sees them.
//
// Two implementations: PcapLink (libpcap on real interfaces) and MemoryLink
// (in-process cards wired to the simulator, on the virtual clock). Both apply
// capture filters given as classic BPF instruction tables.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "base/status.h"

namespace strandline {

// One classic BPF instruction, as in struct bpf_insn.
struct FilterInstruction {
  std::uint16_t code;
  std::uint8_t jt;
  std::uint8_t jf;
  std::uint32_t k;
};
using FilterProgram = std::vector<FilterInstruction>;

struct CardInfo {
  std::string name;         // the interface name, e.g. "veth0"
  std::string description;  // the capture library's description; may be empty
  MacAddress mac{};         // all zero when unknown
};

struct OpenOptions {
  bool promiscuous = true;
  int snapLength = 65536;
};

class CardPort {
 public:
  virtual ~CardPort() = default;
  // Installs the filter: only frames it accepts are received afterwards.
  virtual Status setFilter(const FilterProgram& program) = 0;
  // Sends one whole Ethernet frame. false: the library refused it (error says why).
  virtual bool send(ByteView frame, std::string& error) = 0;
  // Takes one waiting frame without blocking: 1 with a frame, 0 none, -1 error.
  virtual int receive(Bytes& frame, std::string& error) = 0;
};

class FrameLink {
 public:
  virtual ~FrameLink() = default;
  // The Ethernet cards that may be used, in the library's order.
  virtual bool listCards(std::vector<CardInfo>& cards, std::string& error) = 0;
  virtual std::unique_ptr<CardPort> open(const std::string& name, const OpenOptions& options,
                                         Status& status) = 0;
  // Waits until one of the ports has a frame to receive or timeoutMs passes.
  // true when a port is readable. Wakes on arrival: no sleep loop.
  virtual bool wait(std::span<CardPort* const> ports, int timeoutMs) = 0;
};

// Applies a filter program to a frame as the kernel would; 0 means drop.
unsigned runFilter(const FilterProgram& program, ByteView frame);

}  // namespace strandline
