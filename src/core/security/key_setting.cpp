#include "core/security/key_setting.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "base/keys.h"
#include "core/discovery/boost_adapter.h"
#include "core/program_context.h"
#include "protocol/av_messages.h"
#include "protocol/hp10_key_frames.h"
#include "protocol/hp10_requests.h"
#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr std::size_t kImageSlotKey = 6;  // the key of key select 0, used to carry keys
constexpr std::size_t kImageKeySelect = 14;
constexpr std::size_t kImageNetworkKey = 15;
constexpr std::size_t kImageOptions = 23;
constexpr std::uint32_t kReadbackSettleMs = 100;
constexpr std::uint32_t kReadbackWaitMs = 500;
constexpr int kReadbackAttempts = 3;
constexpr int kRemoteAttempts = 5;
constexpr std::uint32_t kRetryPauseMs = 1000;

// A device that answers the presence check after a key was sent is heard on
// the key just given (the check travels under it), so that counts too.
bool took(int result) {
  return result != kRemoteNothingHeard;
}

MacAddress sourceOf(ByteView frame) {
  MacAddress mac{};
  std::memcpy(mac.data(), frame.data() + 6, 6);
  return mac;
}

// Hands every HomePlug 1.0 frame (with at least its first entry header and
// data byte) received within ms to take, until take returns true. Waits wake
// on arriving frames.
template <typename Take>
bool receiveHp1For(ProgramContext& ctx, std::uint32_t ms, Take take) {
  std::uint64_t deadline = ctx.clock.nowMs() + ms;
  std::uint8_t buffer[kFrameBufferSize];
  for (;;) {
    std::uint32_t length = 0;
    while ((length = 0, pollCards(ctx.cards, buffer, length))) {
      ByteView frame(buffer, length);
      if (length < 18 || etherTypeOf(frame) != kEtherTypeHomePlug10) continue;
      if (take(frame)) return true;
    }
    std::uint64_t now = ctx.clock.nowMs();
    if (now >= deadline) return false;
    waitForCards(ctx.cards, static_cast<int>(deadline - now));
  }
}

// A key confirmation met while waiting for something else is kept for the
// confirmation wait that follows.
void holdConfirmation(ProgramContext& ctx, ByteView frame) {
  if (frame[15] == kHp1KeyConfirm) ctx.keyFlow.heldHp1Confirmations.push_back(sourceOf(frame));
}

// Waits for entry 0x06 from deviceMac or, in broadcast mode, from any station
// but the local adapter; the sender becomes deviceMac.
bool hp1ConfirmWait(ProgramContext& ctx, MacAddress& deviceMac, bool broadcast) {
  const MacAddress local = ctx.currentAdapter().mac;
  auto accepts = [&](const MacAddress& from) {
    return broadcast ? from != local : from == deviceMac;
  };
  auto& held = ctx.keyFlow.heldHp1Confirmations;
  auto it = std::find_if(held.begin(), held.end(), accepts);
  if (it != held.end()) {
    deviceMac = *it;
    held.erase(it);
    return true;
  }
  return receiveHp1For(ctx, kRemoteConfirmWaitMs, [&](ByteView frame) {
    if (frame[15] != kHp1KeyConfirm || !accepts(sourceOf(frame))) return false;
    deviceMac = sourceOf(frame);
    return true;
  });
}

void sendOnCurrentCard(ProgramContext& ctx, const std::uint8_t* frame, std::size_t length) {
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, static_cast<std::uint16_t>(length));
}

enum class KeyAnswer { None, Taken, Refused };

// Waits for the set-key confirmation from `station`, or from any station but
// the local adapter when `station` is the broadcast address. A confirmation
// from anyone else answers another request (a duplicate of an earlier answer,
// or one that came after its own wait gave up) and is dropped.
KeyAnswer awaitKeyAnswer(ProgramContext& ctx, const MacAddress& station, std::uint32_t ms,
                         MacAddress& answered) {
  const MacAddress local = ctx.currentAdapter().mac;
  ConfirmWait wait{ctx.cards, ctx.thpapi, ctx.clock, ctx.tsc4000Local >= 4};
  if (station == kBroadcastMac)
    wait.except = &local;
  else
    wait.from = &station;
  ThpapiResult result;
  if (!awaitConfirm(wait, kMmSetKeyRequest, result, ms)) return KeyAnswer::None;
  ctx.confirmSeen = true;
  answered = result.source;
  return result.status == 0 ? KeyAnswer::Taken : KeyAnswer::Refused;
}

bool sendAvSetKey(ProgramContext& ctx, const SetKeyParameters& parameters) {
  std::array<std::uint8_t, 1528> frame{};
  std::size_t n = thpapiEncodeSetKeyRequest(ctx.thpapi, ctx.currentCardMac(),
                                            ctx.currentAdapter().mac, frame, parameters);
  if (n == 0) return false;
  sendOnCurrentCard(ctx, frame.data(), n);
  return true;
}

int setAvLocalKey(ProgramContext& ctx, const Key16& key) {
  SetKeyParameters parameters;
  parameters.key = key;
  parameters.selector = kKeySelectorLocal;
  parameters.target = ctx.currentAdapter().mac;
  if (!sendAvSetKey(ctx, parameters)) return 0;
  MacAddress answered{};
  return awaitKeyAnswer(ctx, parameters.target, kConfirmWaitMs, answered) == KeyAnswer::Taken
             ? kRemoteAvConfirmed
             : 0;
}

int setBoostLocalKey(ProgramContext& ctx, const std::uint8_t* key) {
  std::uint8_t frame[kHp1RequestBuffer];
  MacAddress adapter = ctx.currentAdapter().mac;
  sendOnCurrentCard(ctx, frame, buildBoostLocalKey(frame, ctx.currentCardMac(), adapter, key));
  return hp1ConfirmWait(ctx, adapter, false) ? kRemoteHp10Confirmed : 0;
}

// Reads the local parameters back until an image equal to the expected one
// arrives. The slot of key select 0 is left out of the comparison: carrying a
// key to a remote device writes that device's DEK there.
bool readBackLocalKey(ProgramContext& ctx) {
  const auto& expected = ctx.hp1LocalParams;
  auto matches = [&](const std::uint8_t* image) {
    for (std::size_t i = 0; i < kHp1ParamsSize; ++i) {
      if (i >= kImageSlotKey && i < kImageSlotKey + kHp1KeyWidth) continue;
      if (image[i] != expected[i]) return false;
    }
    return true;
  };
  receiveHp1For(ctx, kReadbackSettleMs, [&](ByteView frame) {
    holdConfirmation(ctx, frame);
    return false;
  });
  std::uint8_t request[kHp1RequestBuffer];
  for (int attempt = 0; attempt < kReadbackAttempts; ++attempt) {
    sendOnCurrentCard(ctx, request,
                      buildLocalParamsRequest(request, ctx.currentCardMac(), kBroadcastMac, 0));
    bool seen = receiveHp1For(ctx, kReadbackWaitMs, [&](ByteView frame) {
      holdConfirmation(ctx, frame);
      if (frame[15] != kHp1LocalParams || frame[16] != 0x33 || frame[17] != 1 ||
          frame.size() < 18 + kHp1ParamsSize)
        return false;
      if (matches(frame.data() + 18)) return true;
      if (ctx.hooks.writeTaggedFrameLog)
        ctx.hooks.writeTaggedFrameLog(kReadbackLogTag, frame.subspan(18, kHp1ParamsSize));
      return false;
    });
    if (seen) return true;
  }
  return false;
}

// The key of the current card's network name; for a network detection could
// not name, the key the adapter was found with.
Key16 storedNameKey(ProgramContext& ctx) {
  const AdapterNetwork& network = ctx.currentNetwork();
  std::string name = network.networkName.str();
  if (name == kUnknownNetworkName) return network.networkKey;
  if (ctx.avMode) return deriveNetworkKey(name);
  Key16 key{};
  std::copy_n(deriveHp10Key(name).begin(), kHp1KeyWidth, key.begin());
  return key;
}

Key16 hp10Key(const std::string& text) {
  Key16 key{};
  std::copy_n(deriveHp10Key(text).begin(), kHp1KeyWidth, key.begin());
  return key;
}

int presenceCheck(ProgramContext& ctx, AdapterFamily family, MacAddress& deviceMac,
                  bool broadcast) {
  std::array<std::uint8_t, 1528> frame{};
  std::size_t n = 0;
  if (family == AdapterFamily::Av)
    n = thpapiEncodeVersionRequest(ctx.thpapi, ctx.currentCardMac(), kBroadcastMac, frame);
  else
    n = buildStationRequest(frame.data(), ctx.currentCardMac(),
                            family == AdapterFamily::Boost ? kBroadcastMac : deviceMac);
  if (n == 0) return kRemoteNothingHeard;
  sendOnCurrentCard(ctx, frame.data(), n);
  const MacAddress local = ctx.currentAdapter().mac;
  bool heard = receiveHp1For(ctx, kPresenceWaitMs, [&](ByteView f) {
    if (f[15] != kHp1StationReply) return false;
    MacAddress from = sourceOf(f);
    if (broadcast ? from == local : from != deviceMac) return false;
    deviceMac = from;
    return true;
  });
  return heard ? kRemotePresent : kRemoteNothingHeard;
}

}  // namespace

AdapterFamily currentFamily(const ProgramContext& ctx) {
  if (ctx.avMode) return AdapterFamily::Av;
  return ctx.kestrelMode ? AdapterFamily::Boost : AdapterFamily::Standard;
}

Key16 drawRandomKey(ProgramContext& ctx) {
  // Seeded with the time in seconds; a second key within the same second is
  // drawn with the next second's seed so that it differs from the first.
  std::int64_t seed =
      std::max<std::int64_t>(ctx.clock.wallSeconds(), ctx.keyFlow.lastRandomSeed + 1);
  ctx.keyFlow.lastRandomSeed = seed;
  return makeRandomKey(ctx.avMode, ctx.kestrelMode, static_cast<std::time_t>(seed));
}

int setHp1StandardKey(ProgramContext& ctx, const Hp1KeySetting& s) {
  if (!macIsSet(ctx.currentCardMac().data()) || !s.key) return 0;
  auto& image = ctx.hp1LocalParams;
  std::uint8_t options[3] = {
      static_cast<std::uint8_t>(image[kImageOptions] | 0x40),
      static_cast<std::uint8_t>(image[kImageOptions + 1] | (s.keepOptions ? 0x01 : 0x00)),
      s.thirdOption};
  std::uint8_t frame[kHp1RequestBuffer];
  sendOnCurrentCard(ctx, frame,
                    buildHp1SetKey(frame, ctx.currentCardMac(), s.destination, s.keySelect, s.key,
                                   s.optionsEntry ? options : nullptr));
  if (!s.keepOptions && s.optionsEntry) std::copy_n(options, 3, image.begin() + kImageOptions);
  if (s.keySelect == 0 || s.destination != kBroadcastMac) return 0;
  image[kImageKeySelect] = s.keySelect;
  std::copy_n(s.key, kHp1KeyWidth, image.begin() + kImageNetworkKey);
  if (!ctx.currentAdapter().paramsValid) return 0;
  return readBackLocalKey(ctx) ? 1 : 0;
}

int setLocalNEK(ProgramContext& ctx, const MacAddress* cardMac, const Key16& key) {
  if (cardMac) {
    int card = -1;
    for (int i = 0; i < ctx.cards.count; ++i)
      if (ctx.cards.cards[static_cast<std::size_t>(i)].mac == *cardMac) card = i;
    if (card < 0) return 0;
    ctx.cards.currentCard = card;
    std::uint32_t kind = ctx.currentAdapter().kind;
    ctx.avMode = kind == kKindAv || kind == kKindAvTsc4000;
    ctx.kestrelMode = kind == kKindBoost;
  }
  if (!macIsSet(ctx.currentCardMac().data())) return 0;
  switch (currentFamily(ctx)) {
    case AdapterFamily::Av:
      return setAvLocalKey(ctx, key);
    case AdapterFamily::Boost:
      return setBoostLocalKey(ctx, key.data());
    case AdapterFamily::Standard:
      break;
  }
  Hp1KeySetting setting;
  setting.key = key.data();
  return setHp1StandardKey(ctx, setting);
}

int setRemoteKey(ProgramContext& ctx, const Key16& deviceKey, const Key16& networkKey,
                 MacAddress& deviceMac, bool broadcast, bool useGivenAddress) {
  if (!macIsSet(ctx.currentCardMac().data())) return kRemoteNothingHeard;
  ctx.keyFlow.heldHp1Confirmations.clear();
  const MacAddress chosen = useGivenAddress ? deviceMac : kBroadcastMac;
  const AdapterFamily family = currentFamily(ctx);
  int result = kRemoteNothingHeard;
  if (family == AdapterFamily::Av) {
    SetKeyParameters parameters;
    parameters.key = networkKey;
    parameters.selector = kKeySelectorRemote;
    parameters.target = broadcast ? chosen : deviceMac;
    parameters.secondKey = deviceKey;
    if (!sendAvSetKey(ctx, parameters)) return kRemoteNothingHeard;
    ctx.clock.sleepMs(1);
    MacAddress answered{};
    switch (awaitKeyAnswer(ctx, parameters.target, kRemoteConfirmWaitMs, answered)) {
      case KeyAnswer::Taken:
        deviceMac = answered;
        return kRemoteAvConfirmed;
      case KeyAnswer::Refused:
        return kRemoteNothingHeard;
      case KeyAnswer::None:
        break;
    }
  } else {
    std::uint8_t frame[kHp1RequestBuffer];
    if (family == AdapterFamily::Boost) {
      sendOnCurrentCard(ctx, frame,
                        buildBoostRemoteKey(frame, ctx.currentCardMac(), kBroadcastMac,
                                            deviceKey.data(), networkKey.data()));
      ctx.clock.sleepMs(1);
    } else {
      // The DEK into the carrying slot, the network key carried under it,
      // then the options that carry frames under the network key again.
      Hp1KeySetting carry;
      carry.keySelect = 0;
      carry.key = deviceKey.data();
      carry.destination = chosen;
      carry.thirdOption = 0;
      carry.keepOptions = true;
      setHp1StandardKey(ctx, carry);
      Hp1KeySetting give;
      give.key = networkKey.data();
      give.destination = deviceMac;
      give.optionsEntry = false;
      give.keepOptions = true;
      setHp1StandardKey(ctx, give);
      const auto& image = ctx.hp1LocalParams;
      std::uint8_t options[3] = {static_cast<std::uint8_t>(image[kImageOptions] | 0x40),
                                 static_cast<std::uint8_t>(image[kImageOptions + 1] | 0x01), 1};
      sendOnCurrentCard(ctx, frame, buildHp1Options(frame, ctx.currentCardMac(), chosen, options));
    }
    MacAddress answered = deviceMac;
    if (hp1ConfirmWait(ctx, answered, broadcast)) {
      deviceMac = answered;
      result = kRemoteHp10Confirmed;
    }
    if (broadcast) ctx.keyFlow.deviceBeingAdded = result ? answered : kBroadcastMac;
    if (result) return result;
  }
  return presenceCheck(ctx, family, deviceMac, broadcast);
}

bool setNetworkKeyOnDevice(ProgramContext& ctx, KeyTarget& target,
                           const std::optional<std::string>& name, bool broadcast) {
  ScanPause pause(ctx);
  target.added = false;
  const AdapterFamily family = currentFamily(ctx);
  auto& remembered = ctx.keyFlow.rememberedHp1Key;
  Key16 key{};
  if (!name) {
    key = drawRandomKey(ctx);
    if (family == AdapterFamily::Boost) {
      requestCurrentKey(ctx);
      pollHp10(ctx, nullptr);
      remembered = ctx.hp1Key;
    } else if (family == AdapterFamily::Standard) {
      // The adapter's own network key as last read: the device is given this
      // key once it has answered on the random key.
      std::copy_n(ctx.hp1LocalParams.begin() + kImageNetworkKey, kHp1KeyWidth, remembered.begin());
    }
  } else if (family == AdapterFamily::Av) {
    key = broadcast ? ctx.avNmk : deriveNetworkKey(*name);
  } else if (ctx.keyFlow.addingInProgress || ctx.keyFlow.keyJustVerified) {
    std::copy(remembered.begin(), remembered.end(), key.begin());
    ctx.keyFlow.keyJustVerified = false;
  } else {
    key = hp10Key(*name);
  }

  if (family != AdapterFamily::Av && !setLocalNEK(ctx, nullptr, key)) return false;
  Key16 deviceKey =
      family == AdapterFamily::Av ? deriveDeviceKey(target.password) : hp10Key(target.password);
  if (broadcast) target.mac = kBroadcastMac;
  for (int attempt = 0; attempt < kRemoteAttempts; ++attempt) {
    if (took(setRemoteKey(ctx, deviceKey, key, target.mac, broadcast, false))) {
      target.added = true;
      break;
    }
    ctx.clock.sleepMs(kRetryPauseMs);
  }
  if (!name && !target.added) {
    // Back to the network the local adapter came from.
    if (family == AdapterFamily::Av) {
      key = storedNameKey(ctx);
    } else {
      key.fill(0);
      std::copy(remembered.begin(), remembered.end(), key.begin());
    }
    setLocalNEK(ctx, nullptr, key);
    MacAddress copy = target.mac;
    int result = setRemoteKey(ctx, deviceKey, key, copy, broadcast, false);
    if (family == AdapterFamily::Av && took(result)) target.added = true;
  }
  return target.added;
}

void keepLocalNetworkName(ProgramContext& ctx, const std::string& name, const Key16& key) {
  AdapterNetwork& network = ctx.currentNetwork();
  network.networkName.set(name);
  network.networkKey = key;
  const MacAddress local = ctx.currentAdapter().mac;
  for (KnownDevice& device : ctx.known.devices) {
    if (device.mac != local) continue;
    device.networkName.set(name);
    std::copy_n(key.begin(), ctx.keyWidth(), device.networkKey.begin());
  }
  ctx.networkNameChanged = true;
}

bool applyLocalNetworkKey(ProgramContext& ctx, const std::optional<std::string>& name) {
  ScanPause pause(ctx);
  const AdapterFamily family = currentFamily(ctx);
  Key16 key = storedNameKey(ctx);
  if (name) key = family == AdapterFamily::Av ? deriveNetworkKey(*name) : hp10Key(*name);
  bool took = false;
  switch (family) {
    case AdapterFamily::Av:
      took = setAvLocalKey(ctx, key) != 0;
      break;
    case AdapterFamily::Boost:
      if (!name) {
        requestCurrentKey(ctx);
        pollHp10(ctx, nullptr);
        key.fill(0);
        std::copy(ctx.hp1Key.begin(), ctx.hp1Key.end(), key.begin());
      }
      took = setBoostLocalKey(ctx, key.data()) != 0;
      break;
    case AdapterFamily::Standard: {
      std::uint8_t slot[kHp1KeyWidth];
      std::copy_n(ctx.hp1LocalParams.begin() + kImageSlotKey, kHp1KeyWidth, slot);
      Hp1KeySetting restore;
      restore.keySelect = 0;
      restore.key = slot;
      restore.keepOptions = true;
      setHp1StandardKey(ctx, restore);
      Hp1KeySetting join;
      join.key = key.data();
      took = setHp1StandardKey(ctx, join) != 0;
      break;
    }
  }
  if (took && name) keepLocalNetworkName(ctx, *name, key);
  return took;
}

}  // namespace strandline
