#include "sim/hp10_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/boost_device.h"
#include "sim/frame_header.h"

namespace strandline::sim {

namespace {

constexpr std::size_t kImageKeySlot = 6;
constexpr std::size_t kImageKeySelect = 14;
constexpr std::size_t kImageNetworkKey = 15;
constexpr std::size_t kImageOptions = 23;
constexpr std::size_t kMaxStatsEntries = 15;

std::array<std::uint8_t, 8> first8(const Key16& k) {
  std::array<std::uint8_t, 8> out{};
  std::copy_n(k.begin(), 8, out.begin());
  return out;
}

void localParams(DeviceContext& ctx, Adapter& local, const Hp1Entry& e) {
  if (e.data.empty()) return;
  Bytes data(1 + local.hp1Image.size());
  data[0] = e.data[0] == 0x10 ? 2 : 1;  // RAM copy on request 16, else the EEPROM copy
  std::copy(local.hp1Image.begin(), local.hp1Image.end(), data.begin() + 1);
  ctx.reply(local, buildHp1Frame(local.mac, local.mac, {{kHp1LocalParams, data}}), false);
}

void networkStats(DeviceContext& ctx, Adapter& local, const Hp1Entry& e) {
  if (e.data.empty() || !(e.data[0] & 0x80)) return;  // only requests
  Bytes data(1 + 6 + kMaxStatsEntries * 12, 0);
  ByteWriter w(data);
  w.u8(static_cast<std::uint8_t>(local.deviceClass & 0x7F));
  w.zeros(6);
  std::vector<Adapter*> peers = ctx.medium().peersOf(local, ctx.nowMs());
  if (peers.size() > kMaxStatsEntries) peers.resize(kMaxStatsEntries);
  for (Adapter* peer : peers) {
    w.bytes(peer->mac.data(), 6);
    w.u16le(hp10RawRate(local.rateTo(*peer).tx));
    w.u16le(0);  // fails
    w.u16le(0);  // drops
  }
  ctx.reply(local, buildHp1Frame(local.mac, local.mac, {{kHp1NetworkStats, data}}), false);
}

Bytes statsReply() {
  return Bytes(22, 0);
}

// Boost remote set: entry 0x14 (1, 0, DEK) followed by 88 7B, a count byte
// and a set-key entry; the key goes to every station holding that DEK.
void remoteKey(DeviceContext& ctx, Adapter& local, const MacAddress& requester, ByteView frame,
               const Hp1Entry& e) {
  if (e.data.size() < 10) return;
  ByteView dek = e.data.subspan(2, 8);
  ByteReader r(frame, e.offset + e.data.size());
  std::uint16_t inner = r.u16be();
  r.skip(1);
  std::uint8_t type = r.u8();
  std::uint8_t length = r.u8();
  std::uint8_t select = r.u8();
  ByteView key = r.view(8);
  if (!r.ok() || inner != kEtherTypeHp10 || type != kHp1SetKey || length < 9) return;
  for (auto& a : ctx.medium().adapters()) {
    Adapter& s = *a;
    if (&s == &local || !s.isHp10Family() || !Medium::up(s, ctx.nowMs())) continue;
    if (std::memcmp(s.deviceKey.data(), dek.data(), 8) != 0) continue;
    setHp1Key(s, select, key);
    ctx.reply(s, buildHp1Frame(requester, s.mac, {{kHp1KeyConfirm, {}}}), true);
  }
}

void serveLocal(DeviceContext& ctx, Adapter& local, const MacAddress& destination,
                const MacAddress& requester, ByteView frame, const std::vector<Hp1Entry>& entries) {
  for (const Hp1Entry& e : entries) {
    switch (e.type) {
      case kHp1SetKey:
        if (e.data.size() < 9) break;
        setHp1Key(local, e.data[0], e.data.subspan(1, 8));
        // A Boost adapter confirms a key addressed to it.
        if (local.kind == AdapterKind::Boost && destination == local.mac)
          ctx.reply(local, buildHp1Frame(requester, local.mac, {{kHp1KeyConfirm, {}}}), false);
        break;
      case kHp1Options:
        if (e.data.size() < 3) break;
        std::copy_n(e.data.begin(), 3, local.hp1Image.begin() + kImageOptions);
        break;
      case kHp1LocalParams:
        localParams(ctx, local, e);
        break;
      case kHp1NetworkStats:
        networkStats(ctx, local, e);
        break;
      case kHp1StatsRequest:
        ctx.reply(local, buildHp1Frame(local.mac, local.mac, {{kHp1StatsReply, statsReply()}}),
                  false);
        break;
      case kHp1RemoteKey:
        if (local.kind == AdapterKind::Boost) remoteKey(ctx, local, requester, frame, e);
        break;
      default:
        if (local.kind == AdapterKind::Boost) handleBoostEntry(ctx, local, requester, e, false);
        break;
    }
  }
}

// A station takes a network key only when it came encrypted under its DEK.
void serveRemote(DeviceContext& ctx, Adapter& station, const MacAddress& requester,
                 const std::vector<Hp1Entry>& entries, bool underDeviceKey) {
  for (const Hp1Entry& e : entries) {
    switch (e.type) {
      case kHp1StatsRequest:
        ctx.reply(station, buildHp1Frame(requester, station.mac, {{kHp1StatsReply, statsReply()}}),
                  true);
        break;
      case kHp1SetKey:
        if (e.data.size() < 9 || !underDeviceKey) break;
        setHp1Key(station, e.data[0], e.data.subspan(1, 8));
        ctx.reply(station, buildHp1Frame(requester, station.mac, {{kHp1KeyConfirm, {}}}), true);
        break;
      case kHp1Private:
        if (station.kind == AdapterKind::Boost) handleBoostEntry(ctx, station, requester, e, true);
        break;
      default:
        break;
    }
  }
}

}  // namespace

std::vector<Hp1Entry> parseHp1Entries(ByteView frame) {
  std::vector<Hp1Entry> out;
  ByteReader r(frame, kHp1CountAt);
  std::uint8_t count = r.u8();
  for (std::uint8_t i = 0; i < count && r.ok(); ++i) {
    Hp1Entry e;
    e.type = r.u8() & 0x1F;  // the top three bits carry the entry version
    std::uint8_t length = r.u8();
    e.offset = r.position();
    if (!r.ok()) break;
    // A request may announce more data than its frame carries (the network
    // statistics request does): the entry keeps the bytes that are there.
    std::size_t present = std::min<std::size_t>(length, r.remaining());
    e.tail = frame.subspan(e.offset);
    e.data = r.view(present);
    out.push_back(e);
    if (present < length) break;
  }
  return out;
}

Bytes buildHp1Frame(const MacAddress& destination, const MacAddress& source,
                    const std::vector<std::pair<std::uint8_t, Bytes>>& entries) {
  std::size_t length = kHp1EntriesAt;
  for (const auto& [type, data] : entries) length += 2 + data.size();
  Bytes f(std::max(length, kMinFrameLength), 0);
  writeHp1Header(f, destination, source);
  ByteWriter w(f, kHp1CountAt);
  w.u8(static_cast<std::uint8_t>(entries.size()));
  for (const auto& [type, data] : entries) {
    w.u8(type);
    w.u8(static_cast<std::uint8_t>(data.size()));
    w.bytes(data);
  }
  return f;
}

std::uint16_t hp10RawRate(double mbps) {
  // A reader turns a raw figure r into 1.1434511434511434 * r / 42 - 0.1298
  // Mbit/s and keeps the whole part: the figure is rounded up so that the
  // whole part is the rate itself, not one below.
  double raw = (mbps + 0.12978912978912938) * 42.0 / 1.1434511434511434;
  return static_cast<std::uint16_t>(std::clamp(std::ceil(raw - 1e-6), 0.0, 65535.0));
}

void setHp1Key(Adapter& a, std::uint8_t select, ByteView key) {
  if (key.size() < 8) return;
  if (select == 0) {
    std::copy_n(key.begin(), 8, a.hp1Image.begin() + kImageKeySlot);
    return;
  }
  a.hp1Image[kImageKeySelect] = select;
  std::copy_n(key.begin(), 8, a.hp1Image.begin() + kImageNetworkKey);
  a.networkKey.fill(0);
  std::copy_n(key.begin(), 8, a.networkKey.begin());
}

void initHp1Image(Adapter& a) {
  a.hp1Image.fill(0);
  std::copy(a.mac.begin(), a.mac.end(), a.hp1Image.begin());
  std::copy_n(a.deviceKey.begin(), 8, a.hp1Image.begin() + kImageKeySlot);
  a.hp1Image[kImageKeySelect] = 1;
  std::copy_n(a.networkKey.begin(), 8, a.hp1Image.begin() + kImageNetworkKey);
  a.hp1Image[kImageOptions] = 0x40;
  a.hp1Image[kImageOptions + 1] = 0x00;
  a.hp1Image[kImageOptions + 2] = 0x01;
}

void handleHp10Frame(DeviceContext& ctx, Adapter& local, ByteView frame) {
  ByteReader r(frame);
  MacAddress destination = r.array<6>();
  MacAddress requester = r.array<6>();
  std::vector<Hp1Entry> entries = parseHp1Entries(frame);
  if (!r.ok() || entries.empty()) return;

  if (local.kind == AdapterKind::Boost && local.inLoader) {
    // The loader listens at one address only and knows only its commands.
    MacAddress own = local.loaderFallback ? kLoaderFallbackMac : local.mac;
    if (destination != own) return;
    for (const Hp1Entry& e : entries)
      if (e.type == kHp1Loader) handleBoostEntry(ctx, local, requester, e, false);
    return;
  }

  // The key for carried frames, as the options stood before this frame.
  bool underSlotKey = (local.hp1Image[kImageOptions + 2] & 0x0F) == 0;
  std::array<std::uint8_t, 8> carryKey{};
  std::copy_n(local.hp1Image.begin() + (underSlotKey ? kImageKeySlot : kImageNetworkKey), 8,
              carryKey.begin());

  if (destination == local.mac || destination == kBroadcastMac)
    serveLocal(ctx, local, destination, requester, frame, entries);
  if (destination == local.mac) return;

  for (auto& a : ctx.medium().adapters()) {
    Adapter& s = *a;
    if (&s == &local || !s.isHp10Family() || !Medium::up(s, ctx.nowMs())) continue;
    if (destination != kBroadcastMac && destination != s.mac) continue;
    auto heard = first8(underSlotKey ? s.deviceKey : s.networkKey);
    if (heard != carryKey) continue;
    serveRemote(ctx, s, requester, entries, underSlotKey);
  }
}

}  // namespace strandline::sim
