#include "core/discovery/local_detection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/keys.h"
#include "core/discovery/boost_adapter.h"
#include "core/discovery/firmware_identity.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "firmware/parameter_block.h"
#include "protocol/av_messages.h"
#include "protocol/hp10_requests.h"
#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr const char* kUnknownNetworkName = "Unknown Networkname";

// Runs fn with currentCard set to card, restoring it afterwards.
template <typename Fn>
auto withCurrentCard(ProgramContext& ctx, int card, Fn fn) {
  std::int32_t saved = ctx.cards.currentCard;
  ctx.cards.currentCard = card;
  auto result = fn();
  ctx.cards.currentCard = saved;
  return result;
}

// Receives on one card until `done` holds or timeoutMs passes; the frames
// themselves are dropped (the watcher has seen them).
void drainCardUntil(ProgramContext& ctx, int card, int timeoutMs, bool& done) {
  std::uint64_t deadline = ctx.clock.nowMs() + static_cast<std::uint64_t>(timeoutMs);
  for (;;) {
    while (!done && receiveFrame(ctx.cards, card)) {
    }
    if (done) return;
    std::uint64_t now = ctx.clock.nowMs();
    if (now >= deadline) return;
    CardPort* port = ctx.cards.cards[static_cast<std::size_t>(card)].handle.get();
    if (!port) return;
    ctx.link.wait(std::span<CardPort* const>(&port, 1), static_cast<int>(deadline - now));
  }
}

// The first known device other than `skip` whose key matches `key` in all 16
// bytes or in its first 8; its position or 0.
int findOtherByKey(const KnownDeviceTable& known, const std::uint8_t* key, int skip) {
  for (int i = 1; i <= static_cast<int>(known.count()); ++i) {
    if (i == skip) continue;
    const Key16& k = known.at(i).networkKey;
    if (std::memcmp(k.data(), key, 16) == 0 || std::memcmp(k.data(), key, 8) == 0) return i;
  }
  return 0;
}

// A local-parameter query from inside the watcher; may be entered again by
// frames that arrive while it waits, but never nests a second query.
void queryLocalParams(ProgramContext& ctx, int card) {
  if (ctx.localParamsQueryRunning) return;
  const MacAddress& cardMac = ctx.cards.cards[static_cast<std::size_t>(card)].mac;
  if (!macIsSet(cardMac.data())) return;
  ctx.localParamsQueryRunning = true;
  LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(card)];
  adapter.missCount = 0;
  std::uint8_t frame[kHp1RequestBuffer];
  for (int attempt = 0; attempt < 3; ++attempt) {
    ctx.localReplySeen = false;
    std::size_t n = buildLocalParamsRequest(frame, cardMac, kBroadcastMac, 0);
    sendFrame(ctx.cards, card, frame, static_cast<std::uint16_t>(n));
    drainCardUntil(ctx, card, 50 + 4 * attempt, ctx.localReplySeen);
    if (ctx.localReplySeen) break;
  }
  ++adapter.missCount;
  ctx.localParamsQueryRunning = false;
}

void nameHp1Network(ProgramContext& ctx, int entry, bool existed) {
  KnownDevice& e = ctx.known.at(entry);
  std::uint8_t k[16] = {};
  std::memcpy(k, ctx.hp1Key.data(), 8);
  AdapterNetwork& network = ctx.currentNetwork();
  if (ctx.networkNameChanged) {
    e.networkName.set(network.networkName.str());
    ctx.hp1NetworkName = network.networkName.str();
    std::memcpy(e.networkKey.data(), k, 8);
    ctx.networkNameChanged = false;
  }
  bool isDefault = isHp1DefaultKey(ctx, k);
  if (existed) {
    if (isDefault) {
      e.networkName.set(kDefaultHp10NetworkName);
      ctx.hp1NetworkName = kDefaultHp10NetworkName;
    } else if (std::memcmp(e.networkKey.data(), k, 8) == 0) {
      ctx.hp1NetworkName = e.networkName.str();
    } else if (int other = findOtherByKey(ctx.known, k, entry)) {
      ctx.hp1NetworkName = ctx.known.at(other).networkName.str();
      e.networkName.set(ctx.hp1NetworkName);
      std::memcpy(e.networkKey.data(), k, 8);
    } else {
      e.networkName.set(kUnknownNetworkName);
      ctx.hp1NetworkName = kUnknownNetworkName;
    }
    return;
  }
  if (int other = findOtherByKey(ctx.known, k, entry))
    ctx.hp1NetworkName = ctx.known.at(other).networkName.str();
  else
    ctx.hp1NetworkName = isDefault ? kDefaultHp10NetworkName : kUnknownNetworkName;
  e.networkName.set(ctx.hp1NetworkName);
  std::memcpy(e.networkKey.data(), k, 8);
}

void nameAvNetwork(ProgramContext& ctx, int entry, bool existed) {
  KnownDevice& e = ctx.known.at(entry);
  const Key16& key = ctx.avNmk;
  AdapterNetwork& network = ctx.currentNetwork();
  if (ctx.networkNameChanged) {
    e.networkName.set(network.networkName.str());
    ctx.avNetworkName = network.networkName.str();
    e.networkKey = key;
    ctx.networkNameChanged = false;
  }
  bool isDefault = key == deriveNetworkKey(kDefaultAvNetworkName);
  auto name = [&](const std::string& text) {
    e.networkName.set(text);
    ctx.avNetworkName = text;
  };
  if (!existed) {
    if (int other = findOtherByKey(ctx.known, key.data(), entry))
      name(ctx.known.at(other).networkName.str());
    else
      name(isDefault ? kDefaultAvNetworkName : kUnknownNetworkName);
    e.networkKey = key;
    return;
  }
  if (isDefault) {
    name(kDefaultAvNetworkName);
  } else if (e.networkKey == key) {
    ctx.avNetworkName = e.networkName.str();
  } else if (int other = findOtherByKey(ctx.known, key.data(), entry)) {
    name(ctx.known.at(other).networkName.str());
    e.networkKey = key;
  } else if (ctx.keepUnknownName) {
    ctx.keepUnknownName = false;
  } else {
    name(kUnknownNetworkName);
  }
}

// A module-read confirmation carries: module (4), last-chunk flag (1), length (4), bytes.
bool appendModuleReadChunk(const ThpapiResult& result, Bytes& image, bool& last) {
  ByteReader r(
      ByteView(result.data.data(), std::min<std::size_t>(result.dataLength, result.data.size())));
  r.skip(4);
  last = r.u8() != 0;
  std::uint32_t length = r.u32le();
  ByteView chunk = r.view(length);
  if (!r.ok()) return false;
  image.insert(image.end(), chunk.begin(), chunk.end());
  return true;
}

// kProbeAttempts where an adapter of the probe's kinds may be present (see
// kProbeAttempts), else `fewer`.
template <typename KindTest>
int probeAttempts(const LocalAdapter& adapter, KindTest isProbedKind, int fewer) {
  bool mayBePresent = adapter.kindLastPass == kNotProbed || isProbedKind(adapter.kindLastPass);
  return mayBePresent ? kProbeAttempts : fewer;
}

bool isAvKind(std::uint32_t kind) {
  return kind == kKindAv || kind == kKindAvTsc4000;
}
bool isBoostKind(std::uint32_t kind) {
  return kind == kKindBoost;
}
bool isHp1Kind(std::uint32_t kind) {
  return kind >= 1 && kind <= 3;
}

bool probeAvAdapter(ProgramContext& ctx, int card, int savedCurrent) {
  const MacAddress cardMac = ctx.cards.cards[static_cast<std::size_t>(card)].mac;
  std::array<std::uint8_t, 1528> frame{};
  auto exchange = [&](ThpapiResult& result) {
    ctx.confirmSeen = false;
    std::size_t n = thpapiEncodeVersionRequest(ctx.thpapi, cardMac, kLocalDeviceMac, frame);
    if (n == 0) {
      std::printf("something wrong in THAPI_GETVERSION \n");
      return false;
    }
    sendFrame(ctx.cards, card, frame.data(), static_cast<std::uint16_t>(n));
    return awaitConfirm(ctx, kMmVersionRequest, result);
  };
  ThpapiResult first;
  bool answered = false;
  int attempts = probeAttempts(ctx.adapters[static_cast<std::size_t>(card)], isAvKind, 1);
  for (int attempt = 0; attempt < attempts && !answered; ++attempt) answered = exchange(first);
  if (!answered) return false;
  if (card == savedCurrent) ctx.avMode = true;
  ThpapiResult second;
  const ThpapiResult& result = exchange(second) ? second : first;

  int rxCard = ctx.cards.lastRxCard;
  LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(rxCard)];
  adapter.mac = result.source;

  FirmwareIdentity identity = identifyFirmware(result, 65);
  if (identity.family) ctx.firmware.chipName = *identity.family;
  ctx.firmware.localVersion = identity.rawVersion.substr(0, 64);
  ctx.networks[static_cast<std::size_t>(card)].firmware.set(identity.version);
  std::uint32_t kind = kindForDeviceId(result.data[0]);
  if (kind == kKindAvTsc4000) ctx.tsc4000Local = 4;
  adapter.paramsValid = 1;
  adapter.present = 1;
  adapter.kind = kind;
  return true;
}

}  // namespace

std::string kindTextFor(std::uint32_t kind) {
  switch (kind) {
    case kKindUsb:
      return "USB";
    case kKindBoost:
      return "HomePlug Boost Device";
    case kKindHomePlug10:
      return "HomePlug 1.0 Device";
    case kKindAv:
    case kKindAvTsc4000:
      return "Powerline device";
    default:
      return "Adapter";
  }
}

std::string kindText(const ProgramContext& ctx, int card) {
  if (card < 0 || card >= kMaxCards) return kindTextFor(kKindAdapter);
  return kindTextFor(ctx.adapters[static_cast<std::size_t>(card)].kind);
}

bool isHp1DefaultKey(const ProgramContext& ctx, const std::uint8_t* key8) {
  Key16 derived = deriveHp10Key(kDefaultHp10NetworkName);
  if (std::memcmp(derived.data(), key8, 8) == 0) return true;
  for (const auto& extra : ctx.extraHp1DefaultKeys)
    if (std::memcmp(extra.data(), key8, 8) == 0) return true;
  return false;
}

bool probeAvAdapters(ProgramContext& ctx) {
  bool found = false;
  int saved = ctx.cards.currentCard;
  for (int card = 0; card < ctx.cards.count; ++card)
    found |= withCurrentCard(ctx, card, [&] { return probeAvAdapter(ctx, card, saved); });
  return found;
}

bool probeBoostAdapters(ProgramContext& ctx) {
  bool found = false;
  int saved = ctx.cards.currentCard;
  for (int card = 0; card < ctx.cards.count; ++card) {
    bool answered = withCurrentCard(ctx, card, [&] {
      bool identified = false;
      int attempts = probeAttempts(ctx.adapters[static_cast<std::size_t>(card)], isBoostKind, 1);
      for (int attempt = 0; attempt < attempts && !identified; ++attempt)
        identified = probeBoostAdapter(ctx);
      if (!identified) return false;
      if (card == saved) ctx.kestrelMode = true;
      requestVersionString(ctx);
      pollHp10(ctx, nullptr);
      LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(card)];
      adapter.paramsValid = 1;
      adapter.present = 1;
      adapter.kind = kKindBoost;
      return true;
    });
    found |= answered;
  }
  return found;
}

bool probeHp1Adapters(ProgramContext& ctx) {
  std::uint8_t frame[kHp1RequestBuffer];
  for (int card = 0; card < ctx.cards.count; ++card) {
    LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(card)];
    const MacAddress& cardMac = ctx.cards.cards[static_cast<std::size_t>(card)].mac;
    const MacAddress& source = macIsSet(adapter.mac.data()) ? adapter.mac : cardMac;
    bool answered = false;
    // Waits of 50, 150 and 250 ms, then 250 ms for every further attempt.
    int attempts = probeAttempts(adapter, isHp1Kind, 3);
    for (int attempt = 0; attempt < attempts && !answered; ++attempt) {
      ctx.localReplySeen = false;
      std::size_t n = buildNetworkStatsRequest(frame, source, kBroadcastMac);
      sendFrame(ctx.cards, card, frame, static_cast<std::uint16_t>(n));
      drainCardUntil(ctx, card, 50 + 100 * std::min(attempt, 2), ctx.localReplySeen);
      answered = ctx.localReplySeen;
    }
    if (answered) {
      adapter.missCount = 1;
    } else if (adapter.missCount == 3) {
      adapter.missCount = 0;
      adapter.present = 0;
    } else {
      ++adapter.missCount;
    }
  }
  for (const LocalAdapter& adapter : ctx.adapters)
    if (adapter.present) return true;
  return false;
}

void onLocalFrame(ProgramContext& ctx, int card, ByteView frame) {
  if (card < 0 || card >= kMaxCards || frame.size() < 12) return;
  const std::uint8_t* destination = frame.data();
  const std::uint8_t* source = frame.data() + 6;
  if (macEqual(destination, source) && !macEqual(destination, kBroadcastMac.data()))
    ctx.localReplySeen = true;

  // Entry types only mean something in HomePlug 1.0 frames.
  bool hp1 = etherTypeOf(frame) == kEtherTypeHomePlug10 && frame.size() >= 18;
  std::uint8_t type = hp1 ? frame[15] : 0;
  bool reply = hp1 && !(frame[17] & 0x80);
  LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(card)];
  if (ctx.localReplySeen || (reply && (type == kHp1NetworkStats || type == kHp1StatsAlternate))) {
    std::memcpy(adapter.mac.data(), source, 6);
    adapter.present = 1;
    if (hp1 && type == kHp1NetworkStats) {
      adapter.kind = frame[17] & 0x7F;
      if (adapter.kind >= 1 && adapter.kind <= 3)
        queryLocalParams(ctx, card);
      else
        adapter.present = 0;
    }
  }
  if (hp1 && type == kHp1LocalParams && frame[16] == 0x33 && frame[17] == 1 &&
      frame.size() >= 18 + kHp1ParamsSize) {
    adapter.paramsValid = 1;
    std::memcpy(adapter.hp1Params.data(), frame.data() + 18, kHp1ParamsSize);
  }
}

void takeLocalParams(ProgramContext& ctx, ByteView frame) {
  if (frame.size() < 18 + kHp1ParamsSize) return;
  const std::uint8_t* data = frame.data() + 18;
  if (std::memcmp(data, data + 1, 6) == 0) {
    if (ctx.hooks.writeFrameLog)
      ctx.hooks.writeFrameLog(ByteView(data, kHp1ParamsSize), frame[17] == 2);
    return;
  }
  std::uint8_t wanted = ctx.currentAdapter().paramsValid ? 1 : 2;
  if (frame[17] != wanted) return;
  std::memcpy(ctx.hp1LocalParams.data(), data, kHp1ParamsSize);
  ctx.hp1LocalParamsSeen = true;
}

bool readAdapterNmk(ProgramContext& ctx, const MacAddress& adapterMac, Key16& key) {
  const MacAddress& cardMac = ctx.currentCardMac();
  if (!macIsSet(cardMac.data())) return false;
  if (thpapiBeginModuleRead(ctx.thpapi, cardMac, adapterMac, 2) != 0) return false;
  Bytes image;
  std::array<std::uint8_t, 1528> frame{};
  for (;;) {
    std::size_t n = thpapiNextRequest(ctx.thpapi, frame);
    if (n == 0) {
      std::printf("something wrong in THAPI_GETVERSION \n");
      thpapiAbortTransfer(ctx.thpapi);
      return false;
    }
    sendFrame(ctx.cards, ctx.cards.currentCard, frame.data(), static_cast<std::uint16_t>(n));
    ThpapiResult result;
    if (!awaitConfirm(ctx, kMmModuleReadRequest, result)) {
      thpapiAbortTransfer(ctx.thpapi);
      return false;
    }
    // A refused or corrupt chunk carries no data: the library has either
    // armed the same request again (completion 1) or given up.
    if (result.status != 0) {
      if (result.completion == 1) continue;
      return false;
    }
    bool last = false;
    if (!appendModuleReadChunk(result, image, last)) {
      thpapiAbortTransfer(ctx.thpapi);
      return false;
    }
    if (last) break;
  }
  ParameterBlockImage pib;
  PibStatus status = pib.attach(image);
  if (status != PibStatus::Ok && status != PibStatus::VersionMismatch) return false;
  return pib.getNmk(key) == PibStatus::Ok;
}

int detectLocalAdapters(ProgramContext& ctx) {
  closeAllCards(ctx.cards);
  bool firstPass = ctx.detectionPasses++ == 0;
  for (LocalAdapter& adapter : ctx.adapters) {
    if (!firstPass) adapter.kindLastPass = adapter.present ? adapter.kind : kKindAdapter;
    adapter.present = 0;
  }
  openAllCards(ctx.cards);
  ctx.kestrelMode = false;
  ctx.avMode = false;

  bool avFound = probeAvAdapters(ctx);
  bool found = avFound;
  if (avFound) {
    if (ctx.hooks.enableUpgradeButton) ctx.hooks.enableUpgradeButton(true);
    if (ctx.hooks.enableLedButton) ctx.hooks.enableLedButton(true);
  } else {
    found = probeBoostAdapters(ctx);
    if (found && ctx.hooks.enableUpgradeButton) ctx.hooks.enableUpgradeButton(true);
    if (!found) found = probeHp1Adapters(ctx);
  }

  if (!found) {
    clearStationTable(ctx.currentNetwork());
    purgeEmptyKnownDevices(ctx.known);
    if (ctx.hooks.saveDatabase) ctx.hooks.saveDatabase();
    if (ctx.hooks.refreshWindow) ctx.hooks.refreshWindow();
    return 0;
  }

  const MacAddress adapterMac = ctx.currentAdapter().mac;
  int entry = findKnownByMac(ctx.known, adapterMac);
  bool existed = entry != 0;
  if (!existed) entry = addKnownDevice(ctx.known, adapterMac);

  if (entry != 0) {
    if (avFound) {
      Key16 key;
      if (readAdapterNmk(ctx, adapterMac, key)) ctx.avNmk = key;
      nameAvNetwork(ctx, entry, existed);
    } else {
      if (ctx.kestrelMode) {
        requestCurrentKey(ctx);
        pollHp10(ctx, nullptr);
      } else if (!ctx.hp1LocalParamsSeen) {
        return 1;
      } else {
        std::memcpy(ctx.hp1Key.data(), ctx.hp1LocalParams.data() + 15, 8);
      }
      nameHp1Network(ctx, entry, existed);
    }
  }

  for (int card = 0; card < ctx.cards.count; ++card) {
    AdapterNetwork& network = ctx.networks[static_cast<std::size_t>(card)];
    const LocalAdapter& adapter = ctx.adapters[static_cast<std::size_t>(card)];
    network.cardMac = ctx.cards.cards[static_cast<std::size_t>(card)].mac;
    network.present = adapter.present;
    if (!adapter.present) continue;
    network.kind = adapter.kind;
    network.adapterMac = adapter.mac;
    network.networkKey.fill(0);
    if (avFound) {
      network.networkKey = ctx.avNmk;
      network.networkName.set(ctx.avNetworkName);
    } else {
      std::memcpy(network.networkKey.data(), ctx.hp1Key.data(), 8);
      network.networkName.set(ctx.hp1NetworkName);
    }
  }
  return 1;
}

bool startDiscovery(ProgramContext& ctx, std::int32_t ticksPerPhase, int missesTillDrop,
                    std::function<void(int)> notify, bool autoScan) {
  stopScanTimer(ctx);
  closeAllCards(ctx.cards);
  bool found = detectLocalAdapters(ctx) != 0;
  ctx.scan.ticksPerPhase = std::max(ticksPerPhase, 1);
  ctx.missesTillDrop = static_cast<std::uint8_t>(std::clamp(missesTillDrop, 1, 10));
  ctx.scan.notify = std::move(notify);
  setAutoScan(ctx, autoScan);
  if (found) startScanTimer(ctx);
  return found;
}

}  // namespace strandline
