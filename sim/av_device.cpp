#include "sim/av_device.h"

#include <algorithm>
#include <cstring>

#include "api/management_frame.h"
#include "sim/checksum.h"
#include "sim/firmware_image.h"
#include "sim/parameter_block.h"

namespace strandline::sim {

namespace {

struct AvRequest {
  MacAddress destination{};
  MacAddress source{};
  std::uint8_t version = 0;
  std::uint16_t type = 0;
  std::size_t payload = 0;  // offset of the payload: 20, or 22 in version 1
  ByteView frame;
};

bool ParseRequest(ByteView frame, AvRequest& req) {
  ByteReader r(frame);
  req.destination = r.array<6>();
  req.source = r.array<6>();
  r.skip(2);
  req.version = r.u8();
  req.type = r.u16le();
  if (!r.ok() || req.version > 1) return false;
  std::size_t ouiAt = req.version == 1 ? kAvV1OffsetOui : kAvV0OffsetOui;
  r.seek(ouiAt);
  auto oui = r.array<3>();
  if (!r.ok() || std::memcmp(oui.data(), kVendorOui, 3) != 0) return false;
  req.payload = ouiAt + 3;
  req.frame = frame;
  return true;
}

// An answer of `type` from `station` to the request's source, in the
// request's header version, with `payloadLength` zero bytes to fill.
Bytes Answer(const Adapter& station, const AvRequest& req, std::uint16_t type,
             std::size_t payloadLength) {
  std::size_t header = req.version == 1 ? kAvV1OffsetPayload : kAvV0OffsetPayload;
  Bytes f(std::max(header + payloadLength, kMinEthernetFrame), 0);
  if (req.version == 1)
    BuildAvHeaderV1(f.data(), req.source.data(), station.mac.data(), type);
  else
    BuildAvHeaderV0(f.data(), req.source.data(), station.mac.data(), type);
  return f;
}

std::uint8_t ForcedStatus(const Adapter& station, std::uint16_t requestType) {
  auto it = station.faults.status.find(requestType);
  return it == station.faults.status.end() ? 0 : it->second;
}

// Answers that carry only a status byte (and optionally one more byte).
void StatusAnswer(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote,
                  std::uint8_t status, int second = -1) {
  Bytes f = Answer(station, req, static_cast<std::uint16_t>(req.type + 1), 2);
  f[req.payload] = status;
  if (second >= 0) f[req.payload + 1] = static_cast<std::uint8_t>(second);
  ctx.reply(station, std::move(f), remote);
}

void Version(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  Bytes f = Answer(station, req, kAvVersion + 1, 68);
  ByteWriter w(f, req.payload);
  std::size_t length = std::min<std::size_t>(station.firmware.size(), 64);
  w.u8(ForcedStatus(station, req.type));
  w.u8(static_cast<std::uint8_t>(station.deviceId));
  w.u8(static_cast<std::uint8_t>(length));
  w.bytes(reinterpret_cast<const std::uint8_t*>(station.firmware.data()), length);
  ctx.reply(station, std::move(f), remote);
}

void NetworkInfo(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  bool v1 = req.version == 1;
  if (v1 && station.deviceId != kDeviceIdTsc4000) return;  // older families ignore the form
  std::vector<Adapter*> members = ctx.medium().networkOf(station, ctx.nowMs());
  auto teiOf = [&](const Adapter* a) {
    auto it = std::find(members.begin(), members.end(), a);
    return static_cast<std::uint8_t>(it - members.begin() + 1);
  };
  Adapter* cco = members.empty() ? &station : members.front();
  std::vector<Adapter*> stations;
  for (Adapter* a : members)
    if (a != &station) stations.push_back(a);
  std::size_t entry = v1 ? 24 : 15;
  std::size_t before = v1 ? 6 + 32 : 1 + 18;  // payload bytes before the first entry
  std::size_t fits = (kMaxEthernetFrame - req.payload - before) / entry;
  if (stations.size() > fits) stations.resize(fits);

  Bytes f = Answer(station, req, kAvNetworkInfo + 1, before + entry * stations.size());
  ByteWriter w(f, req.payload);
  Nid nid = PibNid(station.pib);
  if (v1) w.zeros(5);
  w.u8(1);  // one network: the station's own
  w.bytes(nid.data(), nid.size());
  if (v1) w.zeros(2);
  w.u8(static_cast<std::uint8_t>(nid[0] & 0x0F));  // short network identifier
  w.u8(teiOf(&station));
  if (v1) w.zeros(4);
  w.u8(cco == &station ? 2 : 0);  // role: central coordinator or station
  w.bytes(cco->mac.data(), 6);
  w.u8(teiOf(cco));
  if (v1) w.zeros(3);
  w.u8(static_cast<std::uint8_t>(stations.size()));
  if (v1) w.zeros(5);
  for (Adapter* peer : stations) {
    PeerRate rate = station.rateTo(*peer);
    w.bytes(peer->mac.data(), 6);
    w.u8(teiOf(peer));
    if (v1) {
      w.zeros(3);
      w.bytes(peer->bridged.data(), 6);
      w.u16le(rate.tx);
      w.zeros(2);
      w.u16le(rate.rx);
      w.zeros(2);
    } else {
      w.bytes(peer->bridged.data(), 6);
      w.u8(static_cast<std::uint8_t>(std::min<std::uint16_t>(rate.tx, 255)));
      w.u8(static_cast<std::uint8_t>(std::min<std::uint16_t>(rate.rx, 255)));
    }
  }
  ctx.reply(station, std::move(f), remote);
}

void TakeNetworkKey(Adapter& a, const Key16& nmk) {
  a.networkKey = nmk;
  PibSetNmk(a.pib, nmk);
}

void SetKey(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  r.skip(1);
  Key16 nmk = r.array<16>();
  std::uint8_t selector = r.u8();
  MacAddress target = r.array<6>();
  Key16 dak = r.array<16>();
  if (!r.ok()) return;
  if (std::uint8_t forced = ForcedStatus(station, req.type)) {
    StatusAnswer(ctx, station, req, remote, forced);
    return;
  }
  if (selector == 15) {
    StatusAnswer(ctx, station, req, remote, 0);
    if (!station.faults.keepsOwnKey) TakeNetworkKey(station, nmk);
    return;
  }
  if (selector != 0) {
    StatusAnswer(ctx, station, req, remote, 0x10);  // Bad PEKS
    return;
  }
  // The key travels under the DAK, so it reaches stations of any network;
  // every station holding that DAK takes it and confirms. Nobody confirms
  // when no station holds it, unless the adapter is told to report that.
  bool reached = false;
  for (auto& a : ctx.medium().adapters()) {
    Adapter& s = *a;
    if (&s == &station || s.kind != AdapterKind::Av || !Medium::Up(s, ctx.nowMs())) continue;
    if (target != kBroadcastMac && s.mac != target) continue;
    if (s.deviceKey != dak) continue;
    StatusAnswer(ctx, s, req, true, 0);
    TakeNetworkKey(s, nmk);
    reached = true;
  }
  if (!reached && station.faults.remoteKeyFailure)
    StatusAnswer(ctx, station, req, remote, station.faults.remoteKeyFailure);
}

void ConfigBlock(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  constexpr std::size_t kBlock = 84;  // a 44-byte image header and 40 bytes of memory settings
  Bytes f = Answer(station, req, kAvConfigBlock + 1, 2 + kBlock);
  f[req.payload] = ForcedStatus(station, req.type);
  f[req.payload + 1] = kBlock;
  f[req.payload + 2 + 47] = station.firmwareType;
  ctx.reply(station, std::move(f), remote);
}

const Bytes* Module(const Adapter& station, std::uint8_t module) {
  if (module == 1) return &station.firmwareImage;
  if (module == 2) return &station.pib;
  return nullptr;
}

void ModuleRead(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(1);
  std::uint16_t length = r.u16le();
  std::uint32_t offset = r.u32le();
  if (!r.ok()) return;
  const Bytes* source = Module(station, module);
  std::uint8_t status = ForcedStatus(station, req.type);
  if (!status && !source) status = 0x10;                         // Bad Module
  if (!status && (length == 0 || length > 1024)) status = 0x12;  // Bad Length
  if (!status && offset >= source->size()) status = 0x20;        // Unexpected Offset
  Bytes data(status ? 0 : length, 0);
  if (!status) {
    std::size_t n = std::min<std::size_t>(length, source->size() - offset);
    std::copy_n(source->begin() + offset, n, data.begin());
  }
  std::uint32_t checksum = Checksum32(data);
  if (station.faults.corruptChecksum) checksum ^= 0x00010000;
  Bytes f = Answer(station, req, kAvModuleRead + 1, 16 + data.size());
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.zeros(3);
  w.u8(module);
  w.u8(0);
  w.u16le(length);
  w.u32le(offset);
  w.u32le(checksum);
  w.bytes(data);
  ctx.reply(station, std::move(f), remote);
}

void ModuleWrite(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(1);
  std::uint16_t length = r.u16le();
  std::uint32_t offset = r.u32le();
  std::uint32_t checksum = r.u32le();
  if (!r.ok()) return;
  ByteView data = r.view(length);
  std::uint8_t status = ForcedStatus(station, req.type);
  if (!status && module != 1 && module != 2) status = 0x10;                 // Bad Module
  if (!status && (length == 0 || length > 1024 || !r.ok())) status = 0x12;  // Bad Length
  if (!status && Checksum32(data, checksum) != 0) status = 0x14;            // Bad Checksum
  Bytes& staged = station.staged[module];
  if (!status && (offset > staged.size() || offset + length > kMaxModuleBytes))
    status = 0x20;  // Bad Offset: a gap, or past what the device holds
  if (!status) {
    if (staged.size() < offset + length) staged.resize(offset + length);
    std::copy(data.begin(), data.end(), staged.begin() + offset);
  }
  if (staged.empty()) station.staged.erase(module);
  Bytes f = Answer(station, req, kAvModuleWrite + 1, 9);
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.u8(module);
  w.u8(0);
  w.u16le(length);
  w.u32le(offset);
  ctx.reply(station, std::move(f), remote);
}

void MemoryWrite(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint32_t address = r.u32le();
  std::uint32_t length = r.u32le();
  if (!r.ok()) return;
  ByteView data = r.view(length);
  std::uint8_t status = ForcedStatus(station, req.type);
  if (!status && (length == 0 || length > 1024 || !r.ok())) status = 0x1C;  // Bad Length
  if (!status && address % 4 != 0) status = 0x3C;                           // Bad Data Alignment
  if (!status && station.memory.size() >= kMaxMemoryChunks && !station.memory.count(address))
    status = 0x38;  // Bad Address: memory full
  if (!status) station.memory[address] = Bytes(data.begin(), data.end());
  Bytes f = Answer(station, req, kAvMemoryWrite + 1, 9);
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.u32le(address);
  w.u32le(length);
  ctx.reply(station, std::move(f), remote);
}

// The bytes [address, address + length) as written; false when any is missing.
bool ReadMemory(const Adapter& station, std::uint32_t address, std::uint32_t length, Bytes& out) {
  out.assign(length, 0);
  std::vector<bool> covered(length, false);
  for (const auto& [at, bytes] : station.memory) {
    std::uint64_t begin = std::max<std::uint64_t>(at, address);
    std::uint64_t end =
        std::min<std::uint64_t>(std::uint64_t{at} + bytes.size(), std::uint64_t{address} + length);
    for (std::uint64_t p = begin; p < end; ++p) {
      out[p - address] = bytes[p - at];
      covered[p - address] = true;
    }
  }
  return std::all_of(covered.begin(), covered.end(), [](bool c) { return c; });
}

void Start(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(3);
  std::uint32_t load = r.u32le();
  std::uint32_t length = r.u32le();
  std::uint32_t checksum = r.u32le();
  std::uint32_t entry = r.u32le();
  if (!r.ok()) return;
  std::uint8_t status = ForcedStatus(station, req.type);
  Bytes image;
  if (!status &&
      (length == 0 || length > kMaxModuleBytes || !ReadMemory(station, load, length, image)))
    status = 0x1C;                                                 // Bad Image Length
  if (!status && Checksum32(image, checksum) != 0) status = 0x14;  // Bad Image Checksum
  if (!status && entry % 4 != 0) status = 0x40;                    // Bad Start Address
  StatusAnswer(ctx, station, req, remote, status, module);
  if (status) return;
  // The started image announces its version; a parameter block loaded beside
  // it becomes the running one.
  ByteReader text(image);
  std::string version = text.text(std::min<std::size_t>(64, image.size()));
  if (!version.empty() &&
      std::all_of(version.begin(), version.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
    station.firmware = version;
  Bytes pib;
  if (ReadMemory(station, kPibLoadAddress, kPibLength, pib) &&
      CheckParameterBlock(pib) == PibCheck::Ok && PibMac(pib) == station.mac)
    AdoptParameterBlock(station, std::move(pib));
  ctx.reboot(station, station.faults.rebootMs);
}

std::uint8_t CommitStatus(const Adapter& station, std::uint8_t mask) {
  bool firmware = mask & 1;
  bool pib = mask & 2;
  if (!firmware && !pib) return 0x10;  // Bad Module
  if (firmware && !station.staged.count(1)) return 0x10;
  if (pib && !station.staged.count(2)) return 0x10;
  if (pib) {
    const Bytes& block = station.staged.at(2);
    switch (CheckParameterBlock(block)) {
      case PibCheck::Ok:
        break;
      case PibCheck::BadChecksum:
        return 0x44;  // Bad PIB Checksum
      default:
        return 0x24;  // Bad PIB
    }
    if (PibMac(block) != station.mac) return 0x48;  // MAC Mismatch
  }
  if (firmware) {
    switch (CheckFirmwareImage(station.staged.at(1))) {
      case ImageCheck::Ok:
        break;
      case ImageCheck::BadImageChecksum:
        return 0x20;  // Bad Image Checksum
      default:
        return 0x1C;  // Bad Header Checksum
    }
  }
  return 0;
}

void Commit(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t mask = r.u8();
  if (!r.ok()) return;
  std::uint8_t status = ForcedStatus(station, req.type);
  if (!status) status = CommitStatus(station, mask);
  StatusAnswer(ctx, station, req, remote, status, mask);
  if (status) return;
  if (mask & 1) {
    station.firmwareImage = station.staged.at(1);
    if (auto version = FirmwareVersionOf(station.firmwareImage)) station.firmware = *version;
  }
  if (mask & 2) AdoptParameterBlock(station, station.staged.at(2));
  ctx.reboot(station, station.faults.rebootMs);
}

void Reset(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote, bool factory) {
  std::uint8_t status = ForcedStatus(station, req.type);
  StatusAnswer(ctx, station, req, remote, status);
  if (status) return;
  if (factory) AdoptParameterBlock(station, station.factoryPib);
  ctx.reboot(station, station.faults.rebootMs);
}

void Led(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t value = r.u8();
  if (!r.ok()) return;
  std::uint8_t status = ForcedStatus(station, req.type);
  if (!status) station.ledState = value;
  StatusAnswer(ctx, station, req, remote, status);
}

void Serve(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  switch (req.type) {
    case kAvVersion:
      return Version(ctx, station, req, remote);
    case kAvNetworkInfo:
      return NetworkInfo(ctx, station, req, remote);
    case kAvSetKey:
      return SetKey(ctx, station, req, remote);
    case kAvConfigBlock:
      return ConfigBlock(ctx, station, req, remote);
    case kAvModuleRead:
      return ModuleRead(ctx, station, req, remote);
    case kAvModuleWrite:
      return ModuleWrite(ctx, station, req, remote);
    case kAvMemoryWrite:
      return MemoryWrite(ctx, station, req, remote);
    case kAvStart:
      return Start(ctx, station, req, remote);
    case kAvCommit:
      return Commit(ctx, station, req, remote);
    case kAvReset:
      return Reset(ctx, station, req, remote, false);
    case kAvFactoryDefaults:
      return Reset(ctx, station, req, remote, true);
    case kAvLed:
      return Led(ctx, station, req, remote);
    default:
      return;  // not a request these devices know: no answer
  }
}

}  // namespace

void AdoptParameterBlock(Adapter& station, Bytes pib) {
  station.networkKey = PibNmk(pib);
  station.deviceKey = PibDak(pib);
  station.pib = std::move(pib);
}

void HandleAvFrame(DeviceContext& ctx, Adapter& local, ByteView frame) {
  AvRequest req;
  if (!ParseRequest(frame, req) || KindOf(req.type) != AvKind::Request) return;
  if (req.version == 1 && req.type != kAvNetworkInfo) return;
  if (req.destination == local.mac || req.destination == kLocalDeviceMac) {
    Serve(ctx, local, req, false);
    return;
  }
  // Stations of the local adapter's network, taken before anything changes keys.
  std::vector<Adapter*> peers = ctx.medium().peersOf(local, ctx.nowMs());
  if (req.destination == kBroadcastMac) {
    Serve(ctx, local, req, false);
    for (Adapter* peer : peers) Serve(ctx, *peer, req, true);
    return;
  }
  for (Adapter* peer : peers)
    if (peer->mac == req.destination) Serve(ctx, *peer, req, true);
}

}  // namespace strandline::sim
