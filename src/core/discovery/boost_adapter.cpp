#include "core/discovery/boost_adapter.h"

#include <cstdio>
#include <cstring>

#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr std::uint8_t kBoostVendor[3] = {0x00, 0x04, 0x87};
constexpr std::size_t kMaxBoostText = 79;
constexpr std::size_t kMaxBoostVersion = 64;

// A length-prefixed text at `offset`; its end offset, or 0 when it leaves the frame.
std::size_t readCountedText(ByteView frame, std::size_t offset, std::string& text) {
  ByteReader r(frame, offset);
  std::uint8_t n = r.u8();
  ByteView bytes = r.view(n);
  if (!r.ok()) return 0;
  text.assign(bytes.begin(), bytes.end());
  text = text.substr(0, text.find('\0'));
  if (text.size() > kMaxBoostText) text.resize(kMaxBoostText);
  if (text.empty()) text = " ";
  return offset + 1 + n;
}

void handleIdentity(ProgramContext& ctx, ByteView frame) {
  ByteReader r(frame, 21);
  std::uint8_t where = r.u8();
  r.skip(1);
  std::uint8_t form = r.u8(), major = r.u8(), minor = r.u8();
  if (!r.ok()) return;
  std::string version = boostVersionText(form, major, minor);
  std::string vendor, product;
  std::size_t next = readCountedText(frame, 26, vendor);
  if (next == 0 || readCountedText(frame, next, product) == 0) return;
  MacAddress source;
  std::memcpy(source.data(), frame.data() + 6, 6);

  if (where & 1) {  // a remote station's answer
    StationRecord* station = findStation(ctx, source);
    if (!station) return;
    station->valid = 1;
    station->missesLeft = static_cast<std::int8_t>(std::clamp<int>(ctx.missesTillDrop, 1, 10));
    if (station->kind != kKindBoost) station->kindChanged = 1;
    station->kind = kKindBoost;
    station->firmware.set(version);
    station->vendor.set(vendor);
    station->product.set(product);
    return;
  }
  ctx.currentAdapter().mac = source;
  ctx.boost.found = true;
  ctx.boost.firmware = version;
  ctx.boost.vendor = vendor;
  ctx.boost.product = product;
}

void handleStatistics(ProgramContext& ctx, ByteView frame) {
  std::size_t entryLength = frame[16];
  std::size_t count = entryLength >= 3 ? (entryLength - 3) / 14 : 0;
  count = std::min<std::size_t>(count, 15);
  for (std::size_t i = 0; i < count; ++i) {
    ByteReader r(frame, 21 + 14 * i);
    MacAddress mac = r.array<6>();
    std::uint16_t raw = r.u16be();
    if (!r.ok()) break;
    StationRecord* station = findStation(ctx, mac);
    if (!station) continue;
    // One raw rate per station: it serves both directions.
    updateRate(station->tx, {raw, 0, 0}, RateMode::Boost);
    updateRate(station->rx, {raw, 0, 0}, RateMode::Boost);
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
      handleIdentity(ctx, frame);
    else if (code == kBoostStatistics)
      handleStatistics(ctx, frame);
    else if (code == kBoostExtendedStatistics)
      writeText(text, "Extended Stats response recieved (%d).", frame[17]);
    else
      writeText(text, "Unknown private response recieved (%d).", frame[17]);
    return 1;
  }
  if (type == kBoostReadRequest) return 1;
  if (type == kBoostReadAnswer && frame[17] == kBoostReadVersion) {
    std::size_t n = std::min<std::size_t>(frame[16], frame.size() - 18);
    std::string version(frame.begin() + 18, frame.begin() + 18 + static_cast<long>(n));
    version = version.substr(0, version.find('\0'));
    if (version.size() > kMaxBoostVersion) version.resize(kMaxBoostVersion);
    ctx.boost.versionString = version;
    if (version.size() > 16 && version[14] == '1' && (version[16] == '5' || version[16] == '6'))
      ctx.boost.firmwareTooOld = true;
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
  std::uint8_t frame[kBoostReadRequestLength] = {};
  buildHp1Header(frame, ctx.currentCardMac().data(), ctx.currentAdapter().mac.data());
  frame[14] = 1;
  frame[15] = kBoostReadRequest;
  frame[16] = 1;
  frame[17] = what;
  sendFrame(ctx.cards, ctx.cards.currentCard, frame, kBoostReadRequestLength);
}

}  // namespace

void sendPrivateRequest(ProgramContext& ctx, const MacAddress& destination, std::uint8_t code,
                        const std::uint8_t* data, std::size_t dataLength) {
  std::uint8_t frame[kBoostPrivateRequestLength] = {};
  buildHp1Header(frame, ctx.currentCardMac().data(), destination.data());
  std::size_t n = std::min<std::size_t>(std::max<std::size_t>(dataLength, 1), 14);
  frame[14] = 1;
  frame[15] = kBoostPrivateRequest;
  frame[16] = static_cast<std::uint8_t>(n + 4);
  std::memcpy(frame + 17, kBoostVendor, 3);
  frame[20] = code;
  if (data && dataLength) std::memcpy(frame + 21, data, n);
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

double scaleHp10Rate(double raw) {
  double v = raw * 8 / 336;
  if (v <= 6) return v;
  if (v <= 12.357142857142858) return (v - 6) / 6.357142857142858 * 8 + 6;
  return (v - 12.357142857142858) / 54.59523809523809 * 71 + 14;
}

std::string boostVersionText(std::uint8_t form, std::uint8_t major, std::uint8_t minor) {
  if (form == 1) return minor == 0x15 ? "Version 1.2" : "Version 1.4";
  char text[32];
  std::snprintf(text, sizeof text, "Version %d.%d", major, minor);
  return text;
}

}  // namespace strandline
