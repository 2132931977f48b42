#include "model/network_records.h"

#include <algorithm>
#include <bit>

namespace strandline {

static void putDouble(ByteWriter& w, double v) {
  w.u64le(std::bit_cast<std::uint64_t>(v));
}
static double getDouble(ByteReader& r) {
  return std::bit_cast<double>(r.u64le());
}

void RateStats::serialize(ByteWriter& w) const {
  w.u32le(fails);
  w.u32le(drops);
  putDouble(w, current);
  putDouble(w, lowest);
  putDouble(w, highest);
  w.u8(changed);
}

void RateStats::parse(ByteReader& r) {
  fails = r.u32le();
  drops = r.u32le();
  current = getDouble(r);
  lowest = getDouble(r);
  highest = getDouble(r);
  changed = r.u8();
}

void StationRecord::serialize(ByteWriter& w) const {
  w.u32le(valid);
  w.bytes(mac.data(), mac.size());
  w.bytes(reserved.data(), reserved.size());
  w.u8(static_cast<std::uint8_t>(missesLeft));
  w.u32le(kind);
  vendor.serialize(w);
  product.serialize(w);
  firmware.serialize(w);
  w.u32le(sent);
  w.u32le(misses);
  w.u8(kindChanged);
  tx.serialize(w);
  rx.serialize(w);
  w.bytes(networkKey.data(), networkKey.size());
  networkName.serialize(w);
}

void StationRecord::parse(ByteReader& r) {
  valid = r.u32le();
  r.bytes(mac.data(), mac.size());
  r.bytes(reserved.data(), reserved.size());
  missesLeft = static_cast<std::int8_t>(r.u8());
  kind = r.u32le();
  vendor.parse(r);
  product.parse(r);
  firmware.parse(r);
  sent = r.u32le();
  misses = r.u32le();
  kindChanged = r.u8();
  tx.parse(r);
  rx.parse(r);
  r.bytes(networkKey.data(), networkKey.size());
  networkName.parse(r);
}

void AdapterNetwork::serialize(ByteWriter& w) const {
  w.bytes(cardMac.data(), cardMac.size());
  w.u32le(present);
  w.u32le(kind);
  w.bytes(adapterMac.data(), adapterMac.size());
  w.bytes(reserved.data(), reserved.size());
  for (const StationRecord& s : stations) s.serialize(w);
  localTx.serialize(w);
  localRx.serialize(w);
  firmware.serialize(w);
  w.u32le(static_cast<std::uint32_t>(stationCount));
  w.bytes(networkKey.data(), networkKey.size());
  networkName.serialize(w);
}

void AdapterNetwork::parse(ByteReader& r) {
  r.bytes(cardMac.data(), cardMac.size());
  present = r.u32le();
  kind = r.u32le();
  r.bytes(adapterMac.data(), adapterMac.size());
  r.bytes(reserved.data(), reserved.size());
  for (StationRecord& s : stations) s.parse(r);
  localTx.parse(r);
  localRx.parse(r);
  firmware.parse(r);
  stationCount = static_cast<std::int32_t>(r.u32le());
  r.bytes(networkKey.data(), networkKey.size());
  networkName.parse(r);
}

bool removeStation(AdapterNetwork& network, const MacAddress& mac) {
  if (!macIsSet(mac.data())) return false;
  auto& s = network.stations;
  auto it =
      std::find_if(s.begin(), s.end(), [&](const StationRecord& st) { return st.mac == mac; });
  if (it == s.end()) return false;
  std::move(it + 1, s.end(), it);
  s.back() = StationRecord{};
  return true;
}

}  // namespace strandline
