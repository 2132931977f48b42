// The state of one program run: the card table, the local adapters, the
// per-card network records, the known devices, the mode flags and keys, the
// scan state, and the ports through which the run meets the outside world.
//
// Everything that discovery, the scan and the key flows read and write lives
// here, so a test starts from a clean context and two runs never share state.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/av_confirm.h"
#include "core/card_table.h"
#include "model/known_device.h"
#include "model/network_records.h"
#include "platform/clock.h"
#include "platform/frame_link.h"
#include "platform/prompter.h"
#include "protocol/av_library.h"

namespace strandline {

// Adapter kinds: 0 adapter, 1..3 HomePlug 1.0 (2 = Boost), 4 AV, 5 AV of the TSC4000 family.
enum AdapterKind : std::uint32_t {
  kKindAdapter = 0,
  kKindUsb = 1,
  kKindBoost = 2,
  kKindHomePlug10 = 3,
  kKindAv = 4,
  kKindAvTsc4000 = 5,
};

inline constexpr std::size_t kHp1ParamsSize = 50;
inline constexpr std::uint32_t kNotProbed = 0xFF;

struct LocalAdapter {
  std::uint8_t missCount = 0;  // consecutive unanswered HomePlug 1.0 detection rounds
  std::uint32_t kind = kKindAdapter;
  std::uint32_t paramsValid = 0;  // 1 once the adapter answered
  MacAddress mac{};
  std::uint32_t present = 0;  // 1 while an adapter is known on this card
  // The kind the previous detection pass found here (kKindAdapter when none,
  // kNotProbed before any pass): decides how hard the next pass probes.
  std::uint32_t kindLastPass = kNotProbed;
  std::array<std::uint8_t, kHp1ParamsSize> hp1Params{};
  std::uint32_t reads = 0, readBytes = 0, writes = 0, writtenBytes = 0;
};

struct ScanState {
  std::int32_t tick = 0;
  std::int32_t phase = 0;
  std::int32_t ticksPerPhase = 30;
  bool timerRunning = false;
  bool paused = false;  // automatic scanning is off
  bool forced = false;  // a user-requested scan is running
  // A device operation owns the adapter: no tick runs, not even of a
  // user-requested scan, until it ends (the cycle then goes on).
  bool held = false;
  std::uint32_t cyclesCompleted = 0;
  std::uint64_t lastPhase3Ms = 0;  // how long the last phase 3 (the network query) took
  // The window's refresh, called with the phase (3 from the HomePlug 1.0
  // statistics path, 1 and 7 from the cycle).
  std::function<void(int phase)> notify;
};

// The Boost HomePlug 1.0 device layer's state.
struct BoostState {
  bool found = false;
  std::string firmware;       // at most 64 characters
  std::string vendor;         // at most 79
  std::string product;        // at most 79
  std::string versionString;  // at most 64
  bool firmwareTooOld = false;
};

struct FirmwareIdentityState {
  std::string chipName;      // family name of the last local AV adapter identified
  std::string localVersion;  // its version text before normalisation
  bool configBlockOk = false;
  char firmwareTypeLetter = 0;
};

// What detection asks of the window and of persistence. Each may be empty.
struct DiscoveryHooks {
  std::function<void(bool)> enableUpgradeButton;
  std::function<void(bool)> enableLedButton;
  std::function<void()> saveDatabase;
  std::function<void()> refreshWindow;
  // A scan-log entry (diagnostics level 20 or more) and the frame log.
  std::function<void()> writeScanLog;
  std::function<void(ByteView params, bool second)> writeFrameLog;
  // A full rescan of the network after a key operation (the window's scan command).
  std::function<void()> rescanNetwork;
  // A frame written to the frame log under a tag ("**SETNEK**": a local
  // parameter image that did not show the key just set).
  std::function<void(const std::string& tag, ByteView frame)> writeTaggedFrameLog;
};

// The open dialog that shows the progress texts of the key flows.
enum class ProgressDialog { None, AddDevice, EnterPassword };

// State of the network-name and add-device flows.
struct KeyFlowState {
  // HomePlug 1.0: the network key used instead of the name's key while a
  // device is added or right after a password was verified.
  std::array<std::uint8_t, 8> rememberedHp1Key{};
  bool keyJustVerified = false;  // one-shot, raised by the Enter Password dialog
  bool addingInProgress = false;
  MacAddress deviceBeingAdded{};  // zero when none
  std::string pendingName;
  std::string pendingPassword;
  ProgressDialog progressDialog = ProgressDialog::None;
  int progressStep = 0;
  // Raised by a successful Set Local: the adapter restarts on its new key, so
  // a scan that misses it meanwhile does not report it missing. Falls once
  // the adapter is seen again.
  bool suppressNotDetected = false;
  // Senders of HomePlug 1.0 key confirmations that arrived while another
  // answer was awaited; the next confirmation wait takes them first.
  std::vector<MacAddress> heldHp1Confirmations;
  std::int64_t lastRandomSeed = 0;  // the seconds value the last random key was drawn with
};

struct ProgramContext {
  ProgramContext(FrameLink& frameLink, Clock& clockPort, Prompter& prompterPort)
      : link(frameLink), clock(clockPort), prompter(prompterPort) {
    cards.link = &link;
    cards.prompter = &prompter;
    cards.watcher = &watcher;
  }
  ProgramContext(const ProgramContext&) = delete;
  ProgramContext& operator=(const ProgramContext&) = delete;

  // Hands every received frame to the local-adapter watcher of detection.
  class Watcher final : public LocalFrameWatcher {
   public:
    explicit Watcher(ProgramContext& context) : ctx(context) {}
    void onLocalFrame(int card, ByteView frame) override;
    void clearLocalReply() override;

   private:
    ProgramContext& ctx;
  };

  FrameLink& link;
  Clock& clock;
  Prompter& prompter;
  DiscoveryHooks hooks;
  Watcher watcher{*this};

  CardTable cards;
  ThpapiContext thpapi;
  std::array<LocalAdapter, kMaxCards> adapters{};
  std::array<AdapterNetwork, kMaxCards> networks{};
  KnownDeviceTable known;

  // Mode flags, following the current card's adapter.
  bool avMode = false;
  bool kestrelMode = false;
  std::uint32_t detectionPasses = 0;  // local-adapter detection passes run so far
  std::int32_t tsc4000Local = 0;      // 4 when the current adapter is of the TSC4000 family

  // Keys and names of the current adapter's network.
  Key16 avNmk{};
  std::string avNetworkName;
  std::array<std::uint8_t, 8> hp1Key{};
  std::string hp1NetworkName;
  std::array<std::uint8_t, kHp1ParamsSize> hp1LocalParams{};
  bool hp1LocalParamsSeen = false;
  // Further HomePlug 1.0 default keys besides the one derived from "HomePlug".
  std::vector<std::array<std::uint8_t, 8>> extraHp1DefaultKeys;

  bool localReplySeen = false;
  bool localParamsQueryRunning = false;  // the watcher's query never nests
  bool confirmSeen = false;
  std::uint8_t missesTillDrop = 3;
  bool networkNameChanged = false;
  bool keepUnknownName = false;
  int loggingLevel = 1;  // the OEM diagnostics level

  ScanState scan;
  BoostState boost;
  FirmwareIdentityState firmware;
  KeyFlowState keyFlow;

  AdapterNetwork& currentNetwork() { return networks[static_cast<std::size_t>(cards.currentCard)]; }
  LocalAdapter& currentAdapter() { return adapters[static_cast<std::size_t>(cards.currentCard)]; }
  const MacAddress& currentCardMac() const {
    return cards.cards[static_cast<std::size_t>(cards.currentCard)].mac;
  }
  std::size_t keyWidth() const { return strandline::keyWidth(avMode); }
};

inline constexpr std::uint32_t kConfirmWaitMs = kConfirmTimeoutMs;

// Waits for the confirmation of requestType on the context's cards. With
// `frame` the confirming frame is kept; with `from` only that station's counts.
bool awaitConfirm(ProgramContext& ctx, std::uint16_t requestType, ThpapiResult& result,
                  std::uint32_t timeoutMs = kConfirmWaitMs, Bytes* frame = nullptr,
                  const MacAddress* from = nullptr);

}  // namespace strandline
