#include "core/card_table.h"

#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "protocol/management_frame.h"

namespace strandline {

FilterProgram cardTableFilter() {
  return {
      {0x28, 0, 0, 0x0C},        // load the ethertype (half word at byte 12)
      {0x15, 0, 1, 0x887B},      // HomePlug 1.0?
      {0x06, 0, 0, 0xFFFFFFFF},  // accept the whole frame
      {0x28, 0, 0, 0x0C},        // load the ethertype again
      {0x15, 0, 1, 0x88E1},      // HomePlug AV?
      {0x06, 0, 0, 0xFFFFFFFF},  // accept the whole frame
      {0x06, 0, 0, 0},           // reject
  };
}

std::string cardDisplayName(const std::string& description, const std::string& interfaceName) {
  if (description.empty()) return interfaceName.substr(0, kDisplayNameCapacity);
  std::size_t open = description.find('\'');
  if (open == std::string::npos) return description.substr(0, kDisplayNameCapacity);
  std::size_t start = open + 1;
  std::size_t paren = description.find('(', start);
  std::size_t close = description.find('\'', start);
  std::size_t end = paren != std::string::npos ? paren : close;
  if (end == std::string::npos) end = description.size();
  return description.substr(start, std::min(end - start, kDisplayNameCapacity));
}

static void resetSlot(CardSlot& slot) {
  slot = CardSlot{};
}

int openAllCards(CardTable& table) {
  table.rxData.clear();
  table.rxLength = 0;
  for (CardSlot& slot : table.cards) resetSlot(slot);
  table.count = 0;
  table.openFailures.clear();
  table.filter = cardTableFilter();
  table.deviceList.clear();
  if (!table.link || !table.link->listCards(table.deviceList, table.errorText)) return 1;

  for (const CardInfo& device : table.deviceList) {
    if (table.count >= kMaxCards) break;
    CardSlot& slot = table.cards[table.count];
    slot.deviceName = device.name;
    slot.mac = device.mac;
    if (!macIsSet(slot.mac.data())) queryCardAddress(device.name, slot.mac);
    slot.displayName = cardDisplayName(device.description, device.name);
    ++table.count;
  }
  for (int i = 0; i < table.count; ++i) openCard(table, i);
  return 1;
}

int openCard(CardTable& table, int card) {
  if (card < 0 || card >= kMaxCards || !table.link) return 0;
  CardSlot& slot = table.cards[card];
  if (slot.handle) return 1;
  if (slot.deviceName.empty()) return 0;
  OpenOptions options;
  options.promiscuous = true;
  Status status;
  slot.handle = table.link->open(slot.deviceName, options, status);
  if (slot.handle) status = slot.handle->setFilter(table.filter);
  if (!slot.handle || !status.ok()) {
    table.openFailures.push_back({slot.deviceName, status});
    closeCard(table, card);
    return 0;
  }
  return 1;
}

void closeCard(CardTable& table, int card) {
  if (card < 0 || card >= kMaxCards) return;
  table.cards[card].handle.reset();
}

void closeAllCards(CardTable& table) {
  table.rxData.clear();
  table.rxLength = 0;
  for (int i = 0; i < kMaxCards; ++i) closeCard(table, i);
  table.deviceList.clear();
}

int sendFrame(CardTable& table, int card, const std::uint8_t* frame, std::uint16_t length) {
  if (card < 0 || card >= kMaxCards) return 0;
  std::size_t sendLength = std::max<std::size_t>(length, kMinEthernetFrame);
  if (sendLength > kMaxEthernetFrame || !table.cards[card].handle) return 0;
  Bytes padded(sendLength, 0);
  std::memcpy(padded.data(), frame, length);
  std::string error;
  const std::string& name = table.cards[card].deviceName;
  if (table.cards[card].handle->send(padded, error)) {
    ++table.framesSent;
    table.sendFaultShown.erase(name);
    return 1;
  }
  table.errorText = error;
  if (table.prompter && table.sendFaultShown.insert(name).second)
    table.prompter->messageBox(
        "Unknown error occurred while sending packets. Please try after some time.",
        "Send Packet Error", MessageIcon::None, MessageButtons::Ok);
  return 0;
}

std::optional<ByteView> receiveFrame(CardTable& table, int card) {
  if (card < 0 || card >= kMaxCards || !table.cards[card].handle) return std::nullopt;
  Bytes frame;
  std::string error;
  const std::string& name = table.cards[card].deviceName;
  int received = table.cards[card].handle->receive(frame, error);
  if (received < 0) {
    table.errorText = error;
    if (table.prompter && table.readFaultShown.insert(name).second)
      table.prompter->messageBox(
          "Error occured while reading the frame. Please try after sometime.", "Reading Error",
          MessageIcon::None, MessageButtons::Ok);
    return std::nullopt;
  }
  if (received == 0) return std::nullopt;
  table.readFaultShown.erase(name);
  // The watcher may itself receive (the local-parameter query waits inside it),
  // so it sees its own copy; rxData is replaced only once it has returned.
  if (table.watcher) table.watcher->onLocalFrame(card, frame);
  table.rxData = std::move(frame);
  table.rxLength = static_cast<std::uint32_t>(table.rxData.size());
  return ByteView(table.rxData);
}

int pollCards(CardTable& table, std::uint8_t* buffer, std::uint32_t& length) {
  std::optional<ByteView> frame;
  int card = 0;
  for (; card < table.count; ++card) {
    frame = receiveFrame(table, card);
    if (table.watcher) table.watcher->clearLocalReply();
    if (frame) break;
  }
  if (!frame) return 0;
  std::uint16_t type = etherTypeOf(*frame);
  if (type == kEtherTypeHomePlug10 || type == kEtherTypeHomePlugAv) {
    std::size_t n = std::min(frame->size(), kFrameBufferSize);
    std::memcpy(buffer, frame->data(), n);
    length = static_cast<std::uint32_t>(n);
    table.lastRxCard = card;
  }
  return 1;
}

bool waitForCards(CardTable& table, int timeoutMs) {
  if (!table.link) return false;
  std::vector<CardPort*> ports;
  for (int i = 0; i < table.count; ++i)
    if (table.cards[i].handle) ports.push_back(table.cards[i].handle.get());
  return table.link->wait(ports, timeoutMs);
}

bool queryCardAddress(const std::string& name, MacAddress& mac) {
  mac.fill(0);
  if (name.size() >= IFNAMSIZ) return false;
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  ifreq request{};
  std::memcpy(request.ifr_name, name.c_str(), name.size());
  bool ok = ::ioctl(fd, SIOCGIFHWADDR, &request) == 0;
  ::close(fd);
  if (ok) std::memcpy(mac.data(), request.ifr_hwaddr.sa_data, 6);
  return ok;
}

std::string capturePermissionProblem(const CardTable& table) {
  for (const CardOpenFailure& failure : table.openFailures) {
    if (failure.status.code != StatusCode::PermissionDenied) continue;
    return "Cannot capture raw frames on " + failure.card + " (" + failure.status.message +
           "): this needs the CAP_NET_RAW capability (and CAP_NET_ADMIN for promiscuous mode). "
           "Run as root, or grant it once with: sudo setcap cap_net_raw,cap_net_admin+ep "
           "<path to the program>";
  }
  return {};
}

}  // namespace strandline
