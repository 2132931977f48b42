#include "sim/boost_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sim/checksum.h"

namespace strandline::sim {

namespace {

constexpr std::size_t kMaxStatsEntries = 15;
constexpr std::uint32_t kImageModule = 0x100;
constexpr std::uint32_t kModuleFlags[] = {0x10, 0x20, 0x80, 0x100};

Bytes privateData(std::uint8_t code) {
  return Bytes{kBoostVendorId[0], kBoostVendorId[1], kBoostVendorId[2], code};
}

void appendText(Bytes& out, const std::string& text) {
  std::size_t n = std::min<std::size_t>(text.size(), 79);
  out.push_back(static_cast<std::uint8_t>(n));
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

void identity(DeviceContext& ctx, Adapter& station, const MacAddress& requester, bool remote) {
  Bytes data = privateData(kBoostIdentity | 0x80);
  data.push_back(remote ? 1 : 0);
  data.push_back(0);
  data.push_back(station.versionForm);
  data.push_back(station.versionMajor);
  data.push_back(station.versionMinor);
  appendText(data, station.vendor);
  appendText(data, station.product);
  ctx.reply(station, buildHp1Frame(requester, station.mac, {{kHp1Private, data}}), remote);
}

void statistics(DeviceContext& ctx, Adapter& station, const MacAddress& requester) {
  std::vector<Adapter*> peers = ctx.medium().peersOf(station, ctx.nowMs());
  if (peers.size() > kMaxStatsEntries) peers.resize(kMaxStatsEntries);
  Bytes data = privateData(kBoostStatistics | 0x80);
  data.resize(4 + 14 * peers.size(), 0);
  ByteWriter w(data, 4);
  for (Adapter* peer : peers) {
    w.bytes(peer->mac.data(), 6);
    w.u16be(boostRawRate(station.rateTo(*peer).tx));
    w.zeros(6);  // two 24-bit counters
  }
  ctx.reply(station, buildHp1Frame(requester, station.mac, {{kHp1Private, data}}), false);
}

void hostRequest(DeviceContext& ctx, Adapter& station, const MacAddress& requester,
                 const Hp1Entry& e) {
  if (e.data.empty()) return;
  std::uint8_t what = e.data[0];
  Bytes data{what};
  if (what == kBoostReadVersion) {
    std::size_t n = std::min<std::size_t>(station.firmware.size(), 64);
    data.insert(data.end(), station.firmware.begin(),
                station.firmware.begin() + static_cast<std::ptrdiff_t>(n));
  } else if (what == kBoostReadKey) {
    data.push_back(station.hp1Image[14]);
    data.insert(data.end(), station.networkKey.begin(), station.networkKey.begin() + 8);
  } else if (what == kBoostEnterLoader) {
    station.inLoader = true;
    station.stagedModules.clear();
    return;
  } else {
    return;
  }
  ctx.reply(station, buildHp1Frame(requester, station.mac, {{kHp1HostAnswer, data}}), false);
}

std::uint8_t forcedStatus(const Adapter& station, std::uint8_t code) {
  auto it = station.faults.status.find(static_cast<std::uint16_t>(0x1000 | code));
  return it == station.faults.status.end() ? 0 : it->second;
}

void loaderAnswer(DeviceContext& ctx, Adapter& station, const MacAddress& requester,
                  std::uint8_t code, std::uint8_t status, const Bytes& extra = {}) {
  Bytes data{code, 0, static_cast<std::uint8_t>(1 + extra.size()), status};
  data.insert(data.end(), extra.begin(), extra.end());
  MacAddress source = station.loaderFallback ? kLoaderFallbackMac : station.mac;
  ctx.reply(station, buildHp1Frame(requester, source, {{kHp1Loader, data}}), false);
}

void loader(DeviceContext& ctx, Adapter& station, const MacAddress& requester, const Hp1Entry& e) {
  // The entry length byte is 1; the command length at 18..19 counts the
  // command's fields, which may run to a 1024-byte chunk.
  ByteReader head(e.tail);
  std::uint8_t code = head.u8();
  std::uint16_t commandLength = head.u16be();
  if (!head.ok()) return;
  ByteView fields = head.view(commandLength);
  std::uint8_t status = forcedStatus(station, code);
  if (!head.ok() || !station.inLoader) status = status ? status : 1;
  ByteReader r(fields);
  switch (code) {
    case kLoaderWrite: {
      std::uint32_t module = r.u32be();
      std::uint32_t offset = r.u32be();
      std::uint16_t length = r.u16be();
      ByteView data = r.view(length);
      bool known = std::find(std::begin(kModuleFlags), std::end(kModuleFlags), module) !=
                   std::end(kModuleFlags);
      if (!r.ok() || !known || length > 1024 || offset + std::uint64_t{length} > kMaxModuleBytes)
        status = status ? status : 1;
      if (!status) {
        Bytes& staged = station.stagedModules[module];
        if (staged.size() < offset + length) staged.resize(offset + length, 0);
        std::copy(data.begin(), data.end(), staged.begin() + offset);
      }
      return loaderAnswer(ctx, station, requester, code, status);
    }
    case kLoaderCommit: {
      std::uint32_t flags = r.u32be();
      if (!r.ok()) status = status ? status : 1;
      for (std::uint32_t flag : kModuleFlags)
        if (!status && (flags & flag) && !station.stagedModules.count(flag)) status = 1;
      if (!status)
        for (std::uint32_t flag : kModuleFlags)
          if (flags & flag) station.modules[flag] = station.stagedModules[flag];
      return loaderAnswer(ctx, station, requester, code, status);
    }
    case kLoaderChecksum: {
      std::uint32_t module = r.u32be();
      std::uint32_t length = r.u32be();
      auto it = station.modules.find(module);
      if (!r.ok() || it == station.modules.end() || length > kMaxModuleBytes)
        status = status ? status : 1;
      std::uint32_t checksum = 0;
      if (!status) {
        // A module shorter than asked counts as zero-extended, and so do
        // the 1 to 3 bytes of a last word.
        Bytes data = it->second;
        data.resize(length, 0);
        data.resize((data.size() + 3) / 4 * 4, 0);
        checksum = checksum32(data);
        if (station.faults.corruptChecksum) checksum ^= 0x00000100;
      }
      Bytes extra(12, 0);
      ByteWriter w(extra);
      w.u32be(module);
      w.u32be(length);
      w.u32be(checksum);
      return loaderAnswer(ctx, station, requester, code, status, extra);
    }
    case kLoaderVerify:
      return loaderAnswer(ctx, station, requester, code, status);
    case kLoaderReset: {
      if (!station.inLoader) return;
      station.inLoader = false;
      auto image = station.modules.find(kImageModule);
      if (image != station.modules.end()) {
        ByteReader text(image->second);
        std::string version = text.text(std::min<std::size_t>(64, image->second.size()));
        if (!version.empty() && std::all_of(version.begin(), version.end(),
                                            [](char c) { return c >= 0x20 && c < 0x7F; }))
          station.firmware = version;
      }
      ctx.reboot(station, station.faults.rebootMs);
      return;
    }
    default:
      return;
  }
}

}  // namespace

std::uint16_t boostRawRate(double mbps) {
  // The adapter's scale: v = raw * 8 / 336, then three linear pieces to Mbit/s.
  double v = mbps;
  if (mbps > 14.0)
    v = (mbps - 14.0) / 71.0 * 54.59523809523809 + 12.357142857142858;
  else if (mbps > 6.0)
    v = (mbps - 6.0) / 8.0 * 6.357142857142858 + 6.0;
  // Rounded up, so that the whole part of the scaled figure is the rate.
  return static_cast<std::uint16_t>(std::clamp(std::ceil(v * 42.0 - 1e-6), 0.0, 65535.0));
}

bool handleBoostEntry(DeviceContext& ctx, Adapter& station, const MacAddress& requester,
                      const Hp1Entry& entry, bool remote) {
  switch (entry.type) {
    case kHp1Private: {
      ByteReader r(entry.data);
      auto vendor = r.array<3>();
      std::uint8_t code = r.u8();
      if (!r.ok() || std::memcmp(vendor.data(), kBoostVendorId, 3) != 0) return true;
      if (code == kBoostIdentity) identity(ctx, station, requester, remote);
      if (code == kBoostStatistics && !remote) statistics(ctx, station, requester);
      return true;
    }
    case kHp1HostRequest:
      if (!remote) hostRequest(ctx, station, requester, entry);
      return true;
    case kHp1Loader:
      if (!remote) loader(ctx, station, requester, entry);
      return true;
    default:
      return false;
  }
}

}  // namespace strandline::sim
