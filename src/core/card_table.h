// The card table: every network card opened at once for raw management frames.
//
// Cards are numbered 0..7 in the order the frame link lists them. Each is
// opened promiscuous with a filter that passes exactly the HomePlug 1.0
// (0x887B) and HomePlug AV (0x88E1) frames. Frames are sent to and polled from
// a card by its number.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "platform/frame_link.h"
#include "platform/prompter.h"

namespace strandline {

inline constexpr int kMaxCards = 8;
inline constexpr std::size_t kDisplayNameCapacity = 255;

// Sees every frame received on a card before it is handed on (the local-adapter
// watcher of discovery).
class LocalFrameWatcher {
 public:
  virtual ~LocalFrameWatcher() = default;
  virtual void onLocalFrame(int card, ByteView frame) = 0;
  virtual void clearLocalReply() = 0;
};

struct CardSlot {
  std::unique_ptr<CardPort> handle;  // none while closed
  MacAddress mac{};                  // all zero if the query failed
  std::string displayName;           // at most 255 characters
  std::string deviceName;            // the frame link's name of the card
};

struct CardOpenFailure {
  std::string card;
  Status status;
};

struct CardTable {
  FrameLink* link = nullptr;
  Prompter* prompter = nullptr;  // for the send and read fault messages; may be null
  LocalFrameWatcher* watcher = nullptr;

  std::array<CardSlot, kMaxCards> cards;
  std::int32_t count = 0;
  std::vector<CardInfo> deviceList;
  std::string errorText;
  FilterProgram filter;
  std::uint32_t rxLength = 0;
  Bytes rxData;

  std::uint64_t framesSent = 0;  // frames the library took, for statistics

  std::int32_t currentCard = 0;  // the card whose local adapter the user works with
  std::int32_t lastRxCard = 0;   // the card the last polled frame came on

  // Cards that could not be opened at the last openAllCards, with the reason.
  std::vector<CardOpenFailure> openFailures;

  // Cards (by device name, so a rebuilt table keeps them) whose send or read
  // fault was shown and that have not sent or read a frame since: a card that
  // went away shows its message once, not once for every frame.
  std::set<std::string> sendFaultShown;
  std::set<std::string> readFaultShown;
};

// The filter program of the card table: accept 0x887B, accept 0x88E1, reject.
FilterProgram cardTableFilter();

int openAllCards(CardTable& table);        // always 1
int openCard(CardTable& table, int card);  // 1 when (now) open
void closeCard(CardTable& table, int card);
void closeAllCards(CardTable& table);

// Pads below 60 bytes with zeros; refuses more than 1514 bytes or a closed card
// silently. 1 when the library took the frame; a library failure is shown once
// per card until a send on that card succeeds again.
int sendFrame(CardTable& table, int card, const std::uint8_t* frame, std::uint16_t length);

// Reads at most one frame from the card; the view stays valid until the next
// receive. A library failure gives no frame and is shown once per card until a
// frame is read on that card again.
std::optional<ByteView> receiveFrame(CardTable& table, int card);

// Reads at most one frame from the open cards in index order. 1 and the frame
// in buffer (at least 1514 bytes) when a card yielded one; lastRxCard tells which.
int pollCards(CardTable& table, std::uint8_t* buffer, std::uint32_t& length);

// Waits until a frame is waiting on an open card or timeoutMs passes.
bool waitForCards(CardTable& table, int timeoutMs);

// The card's own Ethernet address from the system; false (mac zeroed) on failure.
bool queryCardAddress(const std::string& name, MacAddress& mac);

// The short card name: the text after the first apostrophe of the description
// up to the first "(" or the next apostrophe; the whole description when it has
// no apostrophe; the interface name when there is no description.
std::string cardDisplayName(const std::string& description, const std::string& interfaceName);

// A message naming the missing capability and its fix when any card failed to
// open for lack of permission; empty otherwise.
std::string capturePermissionProblem(const CardTable& table);

}  // namespace strandline
