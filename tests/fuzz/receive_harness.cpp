#include "fuzz/receive_harness.h"

#include <algorithm>

#include "core/discovery/network_scan.h"

namespace strandline::fuzz {

namespace {

constexpr const char* kCard = "fz0";
constexpr std::uint64_t kLatestDelayMs = 1 + 50 * 15;

}  // namespace

ReceiveHarness::ReceiveHarness(ByteView input, std::uint32_t kind) {
  if (!input.empty()) {
    mode_ = input[0];
    rest_ = input.subspan(1);
  }
  link_.addCard({kCard, "", kCardMac});
  link_.setFarEnd([this](const std::string&, ByteView) { scheduleBurst(); });
  openAllCards(ctx_.cards);

  LocalAdapter& adapter = ctx_.currentAdapter();
  adapter.kind = kind;
  adapter.mac = kAdapterMac;
  adapter.present = 1;
  adapter.paramsValid = 1;
  AdapterNetwork& network = ctx_.currentNetwork();
  network.cardMac = kCardMac;
  network.adapterMac = kAdapterMac;
  network.present = 1;
  network.kind = kind;
  ctx_.avMode = kind == kKindAv || kind == kKindAvTsc4000;
  ctx_.kestrelMode = kind == kKindBoost;
  ctx_.tsc4000Local = kind == kKindAvTsc4000 ? 4 : 0;
  seeStation(ctx_, kStationMac);

  scheduleBurst();
  clock_.sleepMs(kLatestDelayMs);
}

void ReceiveHarness::scheduleBurst() {
  while (!rest_.empty()) {
    std::uint16_t word = rest_[0];
    if (rest_.size() > 1) word |= static_cast<std::uint16_t>(rest_[1] << 8);
    rest_ = rest_.subspan(std::min<std::size_t>(2, rest_.size()));
    std::size_t length = std::min<std::size_t>(word & 0x7FF, rest_.size());
    Bytes frame(rest_.begin(), rest_.begin() + static_cast<std::ptrdiff_t>(length));
    rest_ = rest_.subspan(length);
    clock_.scheduleIn(1 + 50 * ((word >> 11) & 0xF),
                      [this, frame = std::move(frame)] { link_.deliver(kCard, frame); });
    if (!(word & 0x8000)) break;
  }
}

Bytes seedInput(std::uint8_t mode, const std::vector<std::vector<Bytes>>& bursts) {
  Bytes input{mode};
  for (const std::vector<Bytes>& burst : bursts) {
    if (burst.empty()) input.insert(input.end(), {0, 0});
    for (std::size_t i = 0; i < burst.size(); ++i) {
      std::size_t word = burst[i].size() | (i + 1 < burst.size() ? 0x8000 : 0);
      input.push_back(static_cast<std::uint8_t>(word));
      input.push_back(static_cast<std::uint8_t>(word >> 8));
      input.insert(input.end(), burst[i].begin(), burst[i].end());
    }
  }
  return input;
}

static Bytes header(const MacAddress& to, const MacAddress& from, std::uint8_t typeHigh,
                    std::uint8_t typeLow) {
  Bytes f(to.begin(), to.end());
  f.insert(f.end(), from.begin(), from.end());
  f.insert(f.end(), {typeHigh, typeLow});
  return f;
}

Bytes hp1Frame(const MacAddress& from, std::uint8_t type, const Bytes& data, const MacAddress& to) {
  Bytes f = header(to, from, 0x88, 0x7B);
  f.insert(f.end(), {1, type, static_cast<std::uint8_t>(data.size())});
  f.insert(f.end(), data.begin(), data.end());
  f.resize(std::max<std::size_t>(f.size(), 60));
  return f;
}

Bytes avFrame(const MacAddress& from, std::uint16_t type, const Bytes& payload, std::size_t length,
              bool versionOne) {
  Bytes f = header(kCardMac, from, 0x88, 0xE1);
  f.insert(f.end(), {versionOne ? std::uint8_t{1} : std::uint8_t{0},
                     static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8)});
  if (versionOne) f.insert(f.end(), {0, 0});
  f.insert(f.end(), {0x00, 0xB0, 0x52});
  f.insert(f.end(), payload.begin(), payload.end());
  f.resize(std::max(f.size(), length));
  return f;
}

bool stationsHaveOwnAddresses(ProgramContext& ctx) {
  for (const StationRecord& station : ctx.currentNetwork().stations)
    if (station.valid && (!macIsSet(station.mac.data()) || (station.mac[0] & 1))) return false;
  return true;
}

const std::vector<ReceiveTarget>& receiveTargets() {
  static const std::vector<ReceiveTarget> targets = {
      {"fuzz_network_info", fuzzNetworkInfo, networkInfoSeeds},
      {"fuzz_hp10_scan", fuzzHp10Scan, hp10ScanSeeds},
      {"fuzz_boost_answers", fuzzBoostAnswers, boostAnswersSeeds},
      {"fuzz_key_setting", fuzzKeySetting, keySettingSeeds},
  };
  return targets;
}

}  // namespace strandline::fuzz
