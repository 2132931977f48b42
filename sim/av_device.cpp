#include "sim/av_device.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "sim/checksum.h"
#include "sim/firmware_image.h"
#include "sim/frame_header.h"
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
  bool wrongOffset = false;  // a fault: the module confirm states another offset
  bool refuse = false;       // a fault: a module or memory write is refused
};

// What the wrong-offset fault adds to the offset a module confirm states.
constexpr std::uint32_t kWrongOffsetShift = 1024;

bool parseRequest(ByteView frame, AvRequest& req) {
  ByteReader r(frame);
  req.destination = r.array<6>();
  req.source = r.array<6>();
  r.skip(2);
  req.version = r.u8();
  req.type = r.u16le();
  if (!r.ok() || req.version > 1) return false;
  r.seek(avOuiAt(req.version));
  auto oui = r.array<3>();
  if (!r.ok() || std::memcmp(oui.data(), kAvOui, 3) != 0) return false;
  req.payload = avPayloadAt(req.version);
  req.frame = frame;
  return true;
}

// An answer of `type` from `station` to the request's source, in the
// request's header version, with `payloadLength` zero bytes to fill.
Bytes answer(const Adapter& station, const AvRequest& req, std::uint16_t type,
             std::size_t payloadLength) {
  Bytes f(std::max(avPayloadAt(req.version) + payloadLength, kMinFrameLength), 0);
  writeAvHeader(f, req.source, station.mac, type, req.version);
  return f;
}

std::uint8_t forcedStatus(const Adapter& station, std::uint16_t requestType) {
  auto it = station.faults.status.find(requestType);
  return it == station.faults.status.end() ? 0 : it->second;
}

// The device restarts: down for its reboot time, unless told never to go down.
void restart(DeviceContext& ctx, Adapter& station) {
  ctx.reboot(station, station.faults.neverGoesDown ? 0 : station.faults.rebootMs);
}

// Answers that carry only a status byte (and optionally one more byte).
void statusAnswer(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote,
                  std::uint8_t status, int second = -1) {
  Bytes f = answer(station, req, static_cast<std::uint16_t>(req.type + 1), 2);
  f[req.payload] = status;
  if (second >= 0) f[req.payload + 1] = static_cast<std::uint8_t>(second);
  ctx.reply(station, std::move(f), remote);
}

void version(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  Bytes f = answer(station, req, kAvVersion + 1, 68);
  ByteWriter w(f, req.payload);
  std::size_t length = std::min<std::size_t>(station.firmware.size(), 64);
  w.u8(forcedStatus(station, req.type));
  w.u8(static_cast<std::uint8_t>(station.deviceId));
  w.u8(static_cast<std::uint8_t>(length));
  w.bytes(reinterpret_cast<const std::uint8_t*>(station.firmware.data()), length);
  ctx.reply(station, std::move(f), remote);
}

void networkInfo(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
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
  std::size_t fits = (kMaxFrameLength - req.payload - before) / entry;
  if (stations.size() > fits) stations.resize(fits);

  Bytes f = answer(station, req, kAvNetworkInfo + 1, before + entry * stations.size());
  ByteWriter w(f, req.payload);
  Nid nid = pibNid(station.pib);
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

void takeNetworkKey(Adapter& a, const Key16& nmk) {
  a.networkKey = nmk;
  pibSetNmk(a.pib, nmk);
}

void setKey(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  r.skip(1);
  Key16 nmk = r.array<16>();
  std::uint8_t selector = r.u8();
  MacAddress target = r.array<6>();
  Key16 dak = r.array<16>();
  if (!r.ok()) return;
  if (std::uint8_t forced = forcedStatus(station, req.type)) {
    statusAnswer(ctx, station, req, remote, forced);
    return;
  }
  if (selector == 15) {
    statusAnswer(ctx, station, req, remote, 0);
    if (!station.faults.keepsOwnKey) takeNetworkKey(station, nmk);
    return;
  }
  if (selector != 0) {
    statusAnswer(ctx, station, req, remote, 0x10);  // Bad PEKS
    return;
  }
  // The key travels under the DAK, so it reaches stations of any network;
  // every station holding that DAK takes it and confirms. Nobody confirms
  // when no station holds it, unless the adapter is told to report that.
  bool reached = false;
  for (auto& a : ctx.medium().adapters()) {
    Adapter& s = *a;
    if (&s == &station || s.kind != AdapterKind::Av || !Medium::up(s, ctx.nowMs())) continue;
    if (target != kBroadcastMac && s.mac != target) continue;
    if (s.deviceKey != dak) continue;
    statusAnswer(ctx, s, req, true, 0);
    takeNetworkKey(s, nmk);
    reached = true;
  }
  if (!reached && station.faults.remoteKeyFailure)
    statusAnswer(ctx, station, req, remote, station.faults.remoteKeyFailure);
}

void configBlock(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  constexpr std::size_t kBlock = 84;  // a 44-byte image header and 40 bytes of memory settings
  Bytes f = answer(station, req, kAvConfigBlock + 1, 2 + kBlock);
  f[req.payload] = forcedStatus(station, req.type);
  f[req.payload + 1] = kBlock;
  f[req.payload + 2 + 47] = station.firmwareType;
  ctx.reply(station, std::move(f), remote);
}

const Bytes* moduleBytes(const Adapter& station, std::uint8_t module) {
  if (module == 1) return &station.firmwareImage;
  if (module == 2) return &station.pib;
  return nullptr;
}

void moduleRead(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(1);
  std::uint16_t length = r.u16le();
  std::uint32_t offset = r.u32le();
  if (!r.ok()) return;
  const Bytes* source = moduleBytes(station, module);
  std::uint8_t status = forcedStatus(station, req.type);
  if (!status && !source) status = 0x10;                         // Bad Module
  if (!status && (length == 0 || length > 1024)) status = 0x12;  // Bad Length
  if (!status && offset >= source->size()) status = 0x20;        // Unexpected Offset
  Bytes data(status ? 0 : length, 0);
  if (!status) {
    std::size_t n = std::min<std::size_t>(length, source->size() - offset);
    std::copy_n(source->begin() + offset, n, data.begin());
  }
  std::uint32_t checksum = checksum32(data);
  bool repeated = station.lastReadOffset == std::int64_t{offset};
  station.lastReadOffset = offset;
  if (station.faults.corruptChecksum ||
      (std::int64_t{offset} == station.faults.corruptChecksumAt && !repeated))
    checksum ^= 0x00010000;
  Bytes f = answer(station, req, kAvModuleRead + 1, 16 + data.size());
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.zeros(3);
  w.u8(module);
  w.u8(0);
  w.u16le(length);
  w.u32le(req.wrongOffset ? offset + kWrongOffsetShift : offset);
  w.u32le(checksum);
  w.bytes(data);
  ctx.reply(station, std::move(f), remote);
}

void moduleWrite(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(1);
  std::uint16_t length = r.u16le();
  std::uint32_t offset = r.u32le();
  std::uint32_t checksum = r.u32le();
  if (!r.ok()) return;
  ByteView data = r.view(length);
  std::uint8_t status = req.refuse ? 0x14 : forcedStatus(station, req.type);
  if (!status && module != 1 && module != 2) status = 0x10;                 // Bad Module
  if (!status && (length == 0 || length > 1024 || !r.ok())) status = 0x12;  // Bad Length
  if (!status && checksum32(data, checksum) != 0) status = 0x14;            // Bad Checksum
  Bytes& staged = station.staged[module];
  if (!status && (offset > staged.size() || offset + length > kMaxModuleBytes))
    status = 0x20;  // Bad Offset: a gap, or past what the device holds
  if (!status) {
    if (staged.size() < offset + length) staged.resize(offset + length);
    std::copy(data.begin(), data.end(), staged.begin() + offset);
  }
  if (staged.empty()) station.staged.erase(module);
  Bytes f = answer(station, req, kAvModuleWrite + 1, 9);
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.u8(module);
  w.u8(0);
  w.u16le(length);
  w.u32le(req.wrongOffset ? offset + kWrongOffsetShift : offset);
  ctx.reply(station, std::move(f), remote);
}

void memoryWrite(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint32_t address = r.u32le();
  std::uint32_t length = r.u32le();
  if (!r.ok()) return;
  ByteView data = r.view(length);
  std::uint8_t status = req.refuse ? 0x14 : forcedStatus(station, req.type);
  if (!status && (length == 0 || length > 1024 || !r.ok())) status = 0x1C;  // Bad Length
  if (!status && address % 4 != 0) status = 0x3C;                           // Bad Data Alignment
  if (!status && station.memory.size() >= kMaxMemoryChunks && !station.memory.count(address))
    status = 0x38;  // Bad Address: memory full
  if (!status) station.memory[address] = Bytes(data.begin(), data.end());
  Bytes f = answer(station, req, kAvMemoryWrite + 1, 9);
  ByteWriter w(f, req.payload);
  w.u8(status);
  w.u32le(address);
  w.u32le(length);
  ctx.reply(station, std::move(f), remote);
}

// The bytes [address, address + length) as written; false when any is missing.
bool readMemory(const Adapter& station, std::uint32_t address, std::uint32_t length, Bytes& out) {
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

// A start after module writes: the written firmware file runs (its first
// header must be the one the start names) with the written block beside it;
// neither is put into flash.
void startStaged(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(3);
  std::array<std::uint32_t, 4> words{};
  for (auto& w : words) w = r.u32le();
  const Bytes& image = station.staged.at(1);
  ByteReader header(image, 8);
  std::array<std::uint32_t, 4> named{};
  for (auto& w : named) w = header.u32le();
  std::uint8_t status = 0;
  if (!r.ok() || !header.ok() || words != named) status = 0x1C;  // Bad Image Length
  if (!status && checkFirmwareImage(image) != ImageCheck::Ok) status = 0x14;
  const Bytes* pib = station.staged.count(2) ? &station.staged.at(2) : nullptr;
  if (!status && pib && (checkParameterBlock(*pib) != PibCheck::Ok || pibMac(*pib) != station.mac))
    status = 0x24;  // Bad PIB
  statusAnswer(ctx, station, req, remote, status, module);
  if (status) return;
  if (auto version = firmwareVersionOf(image)) station.firmware = *version;
  if (pib) adoptParameterBlock(station, *pib);
  station.staged.clear();
  restart(ctx, station);
}

void start(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t module = r.u8();
  r.skip(3);
  std::uint32_t load = r.u32le();
  std::uint32_t length = r.u32le();
  std::uint32_t checksum = r.u32le();
  std::uint32_t entry = r.u32le();
  if (!r.ok()) return;
  std::uint8_t status = forcedStatus(station, req.type);
  if (!status && station.staged.count(1)) return startStaged(ctx, station, req, remote);
  Bytes image;
  if (!status &&
      (length == 0 || length > kMaxModuleBytes || !readMemory(station, load, length, image)))
    status = 0x1C;                                                 // Bad Image Length
  if (!status && checksum32(image, checksum) != 0) status = 0x14;  // Bad Image Checksum
  if (!status && entry % 4 != 0) status = 0x40;                    // Bad Start Address
  statusAnswer(ctx, station, req, remote, status, module);
  if (status) return;
  // The started image announces its version; a parameter block loaded beside
  // it becomes the running one.
  ByteReader text(image);
  std::string version = text.text(std::min<std::size_t>(64, image.size()));
  if (!version.empty() &&
      std::all_of(version.begin(), version.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
    station.firmware = version;
  Bytes pib;
  if (readMemory(station, kPibLoadAddress, kPibLength, pib) &&
      checkParameterBlock(pib) == PibCheck::Ok && pibMac(pib) == station.mac)
    adoptParameterBlock(station, std::move(pib));
  restart(ctx, station);
}

std::uint8_t commitStatus(const Adapter& station, std::uint8_t mask) {
  bool firmware = mask & 1;
  bool pib = mask & 2;
  if (!firmware && !pib) return 0x10;  // Bad Module
  if (firmware && !station.staged.count(1)) return 0x10;
  if (pib && !station.staged.count(2)) return 0x10;
  if (pib) {
    const Bytes& block = station.staged.at(2);
    switch (checkParameterBlock(block)) {
      case PibCheck::Ok:
        break;
      case PibCheck::BadChecksum:
        return 0x44;  // Bad PIB Checksum
      default:
        return 0x24;  // Bad PIB
    }
    if (pibMac(block) != station.mac) return 0x48;  // MAC Mismatch
  }
  if (firmware) {
    switch (checkFirmwareImage(station.staged.at(1))) {
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

void commit(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t mask = r.u8();
  if (!r.ok()) return;
  if (station.faults.powerLossOnCommit) {
    station.staged.clear();
    ctx.reboot(station, station.faults.rebootMs);
    return;
  }
  std::uint8_t status = forcedStatus(station, req.type);
  if (!status) status = commitStatus(station, mask);
  statusAnswer(ctx, station, req, remote, status, mask);
  if (status) return;
  if (mask & 1) {
    station.firmwareImage = station.staged.at(1);
    if (auto version = firmwareVersionOf(station.firmwareImage)) station.firmware = *version;
  }
  if (mask & 2) adoptParameterBlock(station, station.staged.at(2));
  restart(ctx, station);
}

void reset(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote, bool factory) {
  std::uint8_t status = forcedStatus(station, req.type);
  statusAnswer(ctx, station, req, remote, status);
  if (status) return;
  if (factory) adoptParameterBlock(station, station.factoryPib);
  restart(ctx, station);
}

void led(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  ByteReader r(req.frame, req.payload);
  std::uint8_t value = r.u8();
  if (!r.ok()) return;
  std::uint8_t status = forcedStatus(station, req.type);
  if (!status) station.ledState = value;
  statusAnswer(ctx, station, req, remote, status);
}

// Passes everything on but the answers: the answers of a request whose
// answer a fault loses.
class LosingContext final : public DeviceContext {
 public:
  explicit LosingContext(DeviceContext& inner) : inner_(inner) {}
  Medium& medium() override { return inner_.medium(); }
  std::uint64_t nowMs() override { return inner_.nowMs(); }
  void reply(Adapter&, Bytes, bool) override {}
  void reboot(Adapter& adapter, std::uint32_t ms) override { inner_.reboot(adapter, ms); }

 private:
  DeviceContext& inner_;
};

void dispatch(DeviceContext& ctx, Adapter& station, const AvRequest& req, bool remote) {
  switch (req.type) {
    case kAvVersion:
      return version(ctx, station, req, remote);
    case kAvNetworkInfo:
      return networkInfo(ctx, station, req, remote);
    case kAvSetKey:
      return setKey(ctx, station, req, remote);
    case kAvConfigBlock:
      return configBlock(ctx, station, req, remote);
    case kAvModuleRead:
      return moduleRead(ctx, station, req, remote);
    case kAvModuleWrite:
      return moduleWrite(ctx, station, req, remote);
    case kAvMemoryWrite:
      return memoryWrite(ctx, station, req, remote);
    case kAvStart:
      return start(ctx, station, req, remote);
    case kAvCommit:
      return commit(ctx, station, req, remote);
    case kAvReset:
      return reset(ctx, station, req, remote, false);
    case kAvFactoryDefaults:
      return reset(ctx, station, req, remote, true);
    case kAvLed:
      return led(ctx, station, req, remote);
    default:
      return;  // not a request these devices know: no answer
  }
}

// Counts the request and applies the faults that hit a request by its count.
void serve(DeviceContext& ctx, Adapter& station, const AvRequest& request, bool remote) {
  const std::uint32_t count = ++station.requestCounts[request.type];
  auto hits = [&](const std::map<std::uint16_t, std::uint32_t>& nth) {
    auto it = nth.find(request.type);
    return it != nth.end() && it->second == count;
  };
  AvRequest req = request;
  req.wrongOffset = hits(station.faults.wrongOffsetNth);
  req.refuse = hits(station.faults.refuseNth);
  if (hits(station.faults.loseAnswerNth)) {
    LosingContext losing(ctx);
    dispatch(losing, station, req, remote);
  } else {
    dispatch(ctx, station, req, remote);
  }
  if (hits(station.faults.unplugAfterNth)) station.plugged = false;
}

}  // namespace

void adoptParameterBlock(Adapter& station, Bytes pib) {
  station.networkKey = pibNmk(pib);
  station.deviceKey = pibDak(pib);
  station.pib = std::move(pib);
}

void handleAvFrame(DeviceContext& ctx, Adapter& local, ByteView frame) {
  AvRequest req;
  if (!parseRequest(frame, req) || !isAvRequest(req.type)) return;
  if (req.version == 1 && req.type != kAvNetworkInfo) return;
  if (req.destination == local.mac || req.destination == kLocalDeviceMac) {
    serve(ctx, local, req, false);
    return;
  }
  // Stations of the local adapter's network, taken before anything changes keys.
  std::vector<Adapter*> peers = ctx.medium().peersOf(local, ctx.nowMs());
  if (req.destination == kBroadcastMac) {
    serve(ctx, local, req, false);
    for (Adapter* peer : peers) serve(ctx, *peer, req, true);
    return;
  }
  for (Adapter* peer : peers)
    if (peer->mac == req.destination) serve(ctx, *peer, req, true);
}

}  // namespace strandline::sim
