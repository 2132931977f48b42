#include "platform/pcap_link.h"

#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <pcap/pcap.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace strandline {

namespace {

// A usable card is an Ethernet interface, not loopback, with a 6-byte hardware address.
bool ethernetAddress(const pcap_if_t* device, MacAddress& mac) {
  if (device->flags & PCAP_IF_LOOPBACK) return false;
  for (const pcap_addr_t* a = device->addresses; a; a = a->next) {
    if (!a->addr || a->addr->sa_family != AF_PACKET) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(a->addr);
    if (ll->sll_hatype != ARPHRD_ETHER || ll->sll_halen != 6) continue;
    std::memcpy(mac.data(), ll->sll_addr, 6);
    return true;
  }
  return false;
}

class PcapPort final : public CardPort {
 public:
  explicit PcapPort(pcap_t* handle) : handle_(handle) {}
  ~PcapPort() override { pcap_close(handle_); }

  Status setFilter(const FilterProgram& program) override {
    std::vector<bpf_insn> insns;
    insns.reserve(program.size());
    for (const FilterInstruction& i : program) insns.push_back({i.code, i.jt, i.jf, i.k});
    bpf_program compiled{static_cast<u_int>(insns.size()), insns.data()};
    if (pcap_setfilter(handle_, &compiled) != 0) return {StatusCode::Failed, pcap_geterr(handle_)};
    return {};
  }

  bool send(ByteView frame, std::string& error) override {
    if (pcap_sendpacket(handle_, frame.data(), static_cast<int>(frame.size())) != 0) {
      error = pcap_geterr(handle_);
      return false;
    }
    return true;
  }

  int receive(Bytes& frame, std::string& error) override {
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int rc = pcap_next_ex(handle_, &header, &data);
    if (rc == 1) {
      frame.assign(data, data + header->caplen);
      return 1;
    }
    if (rc == 0) return 0;
    error = pcap_geterr(handle_);
    return -1;
  }

  int fd() const { return pcap_get_selectable_fd(handle_); }

 private:
  pcap_t* handle_;
};

}  // namespace

PcapLink::PcapLink(std::vector<std::string> allowlist) : allowlist_(std::move(allowlist)) {}

bool PcapLink::listCards(std::vector<CardInfo>& cards, std::string& error) {
  cards.clear();
  char errbuf[PCAP_ERRBUF_SIZE] = {};
  pcap_if_t* devices = nullptr;
  if (pcap_findalldevs(&devices, errbuf) != 0) {
    error = errbuf;
    return false;
  }
  for (const pcap_if_t* d = devices; d; d = d->next) {
    std::string name = d->name;
    if (!allowlist_.empty() &&
        std::find(allowlist_.begin(), allowlist_.end(), name) == allowlist_.end())
      continue;
    CardInfo card;
    if (!ethernetAddress(d, card.mac)) continue;
    card.name = name;
    if (d->description) card.description = d->description;
    cards.push_back(card);
  }
  pcap_freealldevs(devices);
  return true;
}

std::unique_ptr<CardPort> PcapLink::open(const std::string& name, const OpenOptions& options,
                                         Status& status) {
  char errbuf[PCAP_ERRBUF_SIZE] = {};
  pcap_t* handle = pcap_create(name.c_str(), errbuf);
  if (!handle) {
    status = {StatusCode::Failed, errbuf};
    return nullptr;
  }
  pcap_set_snaplen(handle, options.snapLength);
  pcap_set_promisc(handle, options.promiscuous ? 1 : 0);
  // Immediate mode: each frame is handed over as it arrives, not after a
  // buffer timeout; the waits below rely on that.
  pcap_set_immediate_mode(handle, 1);
  int rc = pcap_activate(handle);
  if (rc < 0) {
    StatusCode code = StatusCode::Failed;
    if (rc == PCAP_ERROR_PERM_DENIED || rc == PCAP_ERROR_PROMISC_PERM_DENIED)
      code = StatusCode::PermissionDenied;
    if (rc == PCAP_ERROR_NO_SUCH_DEVICE) code = StatusCode::NoSuchDevice;
    status = {code, name + ": " + pcap_geterr(handle)};
    pcap_close(handle);
    return nullptr;
  }
  if (pcap_datalink(handle) != DLT_EN10MB || pcap_setnonblock(handle, 1, errbuf) != 0) {
    status = {StatusCode::Failed, name + ": not an Ethernet card usable without blocking"};
    pcap_close(handle);
    return nullptr;
  }
  status = {};
  return std::make_unique<PcapPort>(handle);
}

bool PcapLink::wait(std::span<CardPort* const> ports, int timeoutMs) {
  std::vector<pollfd> fds;
  for (CardPort* p : ports) {
    if (!p) continue;
    int fd = static_cast<PcapPort*>(p)->fd();
    if (fd >= 0) fds.push_back({fd, POLLIN, 0});
  }
  if (fds.empty()) {
    if (timeoutMs > 0) ::poll(nullptr, 0, timeoutMs);
    return false;
  }
  return ::poll(fds.data(), fds.size(), std::max(timeoutMs, 0)) > 0;
}

std::vector<std::string> parseInterfaceList(const std::string& text) {
  std::vector<std::string> names;
  std::string current;
  for (char c : text + ",") {
    if (c == ',' || c == ' ' || c == '\t' || c == '\n') {
      if (!current.empty()) names.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  return names;
}

std::vector<std::string> interfacesFromEnvironment() {
  const char* value = std::getenv("STRANDLINE_INTERFACES");
  return value ? parseInterfaceList(value) : std::vector<std::string>{};
}

}  // namespace strandline
