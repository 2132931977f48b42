#include "model/known_device.h"

#include <algorithm>

namespace strandline {

void KnownDevice::serialize(ByteWriter& w) const {
  name.serialize(w);
  w.bytes(mac.data(), mac.size());
  password.serialize(w);
  networkName.serialize(w);
  w.bytes(networkKey.data(), networkKey.size());
  w.bytes(reserved.data(), reserved.size());
  w.u64le(static_cast<std::uint64_t>(lastSeen));
}

void KnownDevice::parse(ByteReader& r) {
  name.parse(r);
  r.bytes(mac.data(), mac.size());
  password.parse(r);
  networkName.parse(r);
  r.bytes(networkKey.data(), networkKey.size());
  r.bytes(reserved.data(), reserved.size());
  lastSeen = static_cast<std::int64_t>(r.u64le());
}

template <typename Match>
static int findFirst(const KnownDeviceTable& table, Match match) {
  for (std::size_t i = 0; i < table.devices.size(); ++i)
    if (match(table.devices[i])) return static_cast<int>(i + 1);
  return 0;
}

int findKnownByMac(const KnownDeviceTable& table, const MacAddress& mac) {
  return findFirst(table, [&](const KnownDevice& d) { return d.mac == mac; });
}

int findKnownByMacText(const KnownDeviceTable& table, std::string_view text) {
  return findFirst(table, [&](const KnownDevice& d) { return macToText(d.mac) == text; });
}

int findKnownByName(const KnownDeviceTable& table, std::string_view name) {
  return findFirst(table, [&](const KnownDevice& d) { return d.name.str() == name; });
}

bool deleteKnownDevice(KnownDeviceTable& table, int position, AdapterNetwork* currentAdapter) {
  if (position < 1 || static_cast<std::size_t>(position) > table.devices.size()) return false;
  if (currentAdapter) removeStation(*currentAdapter, table.at(position).mac);
  table.devices.erase(table.devices.begin() + (position - 1));
  return true;
}

void purgeEmptyKnownDevices(KnownDeviceTable& table) {
  std::erase_if(table.devices, [](const KnownDevice& d) { return !macIsSet(d.mac.data()); });
}

static std::string deviceName(int number) {
  return "Device " + std::to_string(number);
}

std::string automaticName(const KnownDeviceTable& table) {
  std::string name = deviceName(static_cast<int>(table.count()) + 1);
  // At most kMaxKnownDevices names are taken, so one of the first 101 numbers is free.
  for (int n = 1; findKnownByName(table, name) != 0; ++n) name = deviceName(n);
  return name;
}

static std::string_view cutName(std::string_view name) {
  return name.substr(0, std::min(name.size(), kMaxDeviceNameLength));
}

int addKnownDevice(KnownDeviceTable& table, const MacAddress& mac, std::string_view name,
                   std::string_view password) {
  if (table.full()) return 0;
  KnownDevice& d = table.devices.emplace_back();
  d.mac = mac;
  d.name.set(cutName(name));
  d.password.set(password);
  return static_cast<int>(table.count());
}

int addKnownDevice(KnownDeviceTable& table, const MacAddress& mac) {
  return addKnownDevice(table, mac, automaticName(table));
}

bool renameKnownDevice(KnownDeviceTable& table, int position, std::string_view name) {
  if (position < 1 || static_cast<std::size_t>(position) > table.devices.size()) return false;
  if (name.empty()) return false;
  std::string_view cut = cutName(name);
  if (findKnownByName(table, name) != 0) return false;
  int holder = findKnownByName(table, cut);
  if (holder != 0 && holder != position) return false;
  table.at(position).name.set(cut);
  return true;
}

}  // namespace strandline
