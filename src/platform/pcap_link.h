// The frame link on libpcap: immediate mode, non-blocking handles, and
// pcap_get_selectable_fd + poll() for waiting.
#pragma once

#include <string>
#include <vector>

#include "platform/frame_link.h"

namespace strandline {

class PcapLink final : public FrameLink {
 public:
  // allowlist: the interface names that may be used; empty allows every
  // Ethernet card. Tests and demos always name their veth interfaces.
  explicit PcapLink(std::vector<std::string> allowlist = {});

  bool listCards(std::vector<CardInfo>& cards, std::string& error) override;
  std::unique_ptr<CardPort> open(const std::string& name, const OpenOptions& options,
                                 Status& status) override;
  bool wait(std::span<CardPort* const> ports, int timeoutMs) override;

 private:
  std::vector<std::string> allowlist_;
};

// Interface names from a comma- or space-separated list (STRANDLINE_INTERFACES).
std::vector<std::string> parseInterfaceList(const std::string& text);
// STRANDLINE_INTERFACES, or empty when unset.
std::vector<std::string> interfacesFromEnvironment();

}  // namespace strandline
