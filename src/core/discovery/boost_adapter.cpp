#include "core/discovery/boost_adapter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "protocol/boost_frames.h"
#include "protocol/management_frame.h"

namespace strandline {

namespace {

void takeIdentity(ProgramContext& ctx, ByteView frame) {
  std::optional<BoostIdentity> identity = parseBoostIdentity(frame);
  if (!identity) return;
  if (identity->remote) {
    StationRecord* station = findStation(ctx, identity->source);
    if (!station) return;
    station->valid = 1;
    station->missesLeft = static_cast<std::int8_t>(std::clamp<int>(ctx.missesTillDrop, 1, 10));
    if (station->kind != kKindBoost) station->kindChanged = 1;
    station->kind = kKindBoost;
    station->firmware.set(identity->version);
    station->vendor.set(identity->vendor);
    station->product.set(identity->product);
    return;
  }
  ctx.currentAdapter().mac = identity->source;
  ctx.boost.found = true;
  ctx.boost.firmware = identity->version;
  ctx.boost.vendor = identity->vendor;
  ctx.boost.product = identity->product;
}

void takeStatistics(ProgramContext& ctx, ByteView frame) {
  for (const BoostStationRate& rate : parseBoostStatistics(frame)) {
    StationRecord* station = findStation(ctx, rate.mac);
    if (!station) continue;
    // One raw rate per station: it serves both directions.
    updateRate(station->tx, {rate.raw, 0, 0}, RateMode::Boost);
    updateRate(station->rx, {rate.raw, 0, 0}, RateMode::Boost);
  }
}

void writeText(std::string* text, const char* format, int value) {
  if (!text) return;
  char line[64];
  std::snprintf(line, sizeof line, format, value);
  *text = line;
}

// One Boost frame; the result of processHp10Frames for it.
int handleFrame(ProgramContext& ctx, ByteView frame, std::string* text) {
  if (frame.size() < 21) return 0;
  std::uint8_t type = frame[15];
  if (type == kBoostPrivateRequest) {
    if (!(frame[20] & 0x80)) return 0;
    std::uint8_t code = frame[20] & 0x7F;
    if (code == kBoostIdentity)
      takeIdentity(ctx, frame);
    else if (code == kBoostStatistics)
      takeStatistics(ctx, frame);
    else if (code == kBoostExtendedStatistics)
      writeText(text, "Extended Stats response recieved (%d).", frame[17]);
    else
      writeText(text, "Unknown private response recieved (%d).", frame[17]);
    return 1;
  }
  if (type == kBoostReadRequest) return 1;
  if (type == kBoostReadAnswer && frame[17] == kBoostReadVersion) {
    ctx.boost.versionString = parseBoostVersionString(frame);
    if (boostFirmwareTooOld(ctx.boost.versionString)) ctx.boost.firmwareTooOld = true;
    return 1;
  }
  if (type == kBoostReadAnswer && frame[17] == kBoostReadKey) {
    if (frame.size() < 27) return 0;
    std::memcpy(ctx.hp1Key.data(), frame.data() + 19, 8);
    return 1;
  }
  return onHp1ScanFrame(ctx, frame) ? 1 : 0;
}

void sendReadRequest(ProgramContext& ctx, std::uint8_t what) {
  std::uint8_t frame[kBoostReadRequestLength];
  buildBoostReadRequest(frame, ctx.currentCardMac(), ctx.currentAdapter().mac, what);
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, kBoostReadRequestLength);
}

}  // namespace

void sendPrivateRequest(ProgramContext& ctx, const MacAddress& destination, std::uint8_t code,
                        const std::uint8_t* data, std::size_t dataLength) {
  std::uint8_t frame[kBoostPrivateRequestLength];
  buildBoostPrivateRequest(frame, ctx.currentCardMac(), destination, code, data, dataLength);
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, kBoostPrivateRequestLength);
}

void requestIdentity(ProgramContext& ctx) {
  sendPrivateRequest(ctx, kBroadcastMac, kBoostIdentity, nullptr, 0);
}

void requestStatistics(ProgramContext& ctx, const MacAddress& destination) {
  const std::uint8_t zero = 0;
  sendPrivateRequest(ctx, destination, kBoostStatistics, &zero, 1);
  processHp10Frames(ctx, nullptr);
}

void requestVersionString(ProgramContext& ctx) {
  sendReadRequest(ctx, kBoostReadVersion);
}
void requestCurrentKey(ProgramContext& ctx) {
  sendReadRequest(ctx, kBoostReadKey);
}

int processHp10Frames(ProgramContext& ctx, std::string* text) {
  int result = 0;
  std::uint8_t buffer[kFrameBufferSize];
  for (;;) {
    std::uint32_t length = 0;
    if (!pollCards(ctx.cards, buffer, length) || length == 0) return result;
    ByteView frame(buffer, length);
    if (etherTypeOf(frame) != kEtherTypeHomePlug10) return result;
    result = handleFrame(ctx, frame, text);
  }
}

int pollHp10(ProgramContext& ctx, std::string* text) {
  std::uint64_t deadline = ctx.clock.nowMs() + 100;
  int result = 0;
  for (;;) {
    result = processHp10Frames(ctx, text);
    std::uint64_t now = ctx.clock.nowMs();
    if (now >= deadline) return result;
    waitForCards(ctx.cards, static_cast<int>(deadline - now));
  }
}

bool probeBoostAdapter(ProgramContext& ctx) {
  ctx.boost.found = false;
  requestIdentity(ctx);
  pollHp10(ctx, nullptr);
  return ctx.boost.found;
}

}  // namespace strandline
