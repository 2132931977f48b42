#include "sim/network_file.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <sstream>

#include "sim/av_device.h"
#include "sim/firmware_image.h"
#include "sim/hp10_device.h"
#include "sim/keys.h"
#include "sim/parameter_block.h"

namespace strandline::sim {

namespace {

using nlohmann::json;

struct Failure {
  std::string message;
};

[[noreturn]] void fail(const std::string& message) {
  throw Failure{message};
}

MacAddress macOf(const json& j, const std::string& field) {
  if (!j.is_string()) fail(field + ": expected a MAC address text");
  MacAddress mac;
  if (!parseMac(j.get<std::string>(), mac)) fail(field + ": not a MAC address: " + j.dump());
  return mac;
}

long integer(const json& obj, const char* field, long low, long high, long fallback) {
  if (!obj.contains(field)) return fallback;
  const json& j = obj.at(field);
  if (!j.is_number_integer()) fail(std::string(field) + ": expected an integer");
  long v = j.get<long>();
  if (v < low || v > high)
    fail(std::string(field) + ": " + std::to_string(v) + " is outside " + std::to_string(low) +
         ".." + std::to_string(high));
  return v;
}

std::string text(const json& obj, const char* field, const std::string& fallback) {
  if (!obj.contains(field)) return fallback;
  if (!obj.at(field).is_string()) fail(std::string(field) + ": expected a text");
  return obj.at(field).get<std::string>();
}

bool flag(const json& obj, const char* field) {
  if (!obj.contains(field)) return false;
  if (!obj.at(field).is_boolean()) fail(std::string(field) + ": expected true or false");
  return obj.at(field).get<bool>();
}

std::uint16_t parseType(const std::string& text, const std::string& field = "status") {
  std::size_t used = 0;
  unsigned long v = 0;
  try {
    v = std::stoul(text, &used, 0);
  } catch (...) {
    used = 0;
  }
  if (used != text.size() || v > 0xFFFF) fail("faults." + field + ": bad request type " + text);
  return static_cast<std::uint16_t>(v);
}

// {"0xA020": 3, ...}: a count of 1 or more for each request type.
std::map<std::uint16_t, std::uint32_t> countsByType(const json& j, const std::string& field) {
  std::map<std::uint16_t, std::uint32_t> out;
  if (!j.contains(field)) return out;
  if (!j[field].is_object()) fail("faults." + field + ": expected an object");
  for (const auto& [type, count] : j[field].items()) {
    if (!count.is_number_integer() || count.get<long>() < 1 || count.get<long>() > 0xFFFFFFFFL)
      fail("faults." + field + ": count of " + type + " must be 1 or more");
    out[parseType(type, field)] = static_cast<std::uint32_t>(count.get<long>());
  }
  return out;
}

// [[1, 2, 3], [7, 7, 7]]: the setting bytes of each LED, at most 34 LEDs,
// the first byte 0 to 39, the others 0 to 40.
std::vector<LedSetting> leds(const json& j) {
  if (!j.is_array() || j.size() > kPibMaxLeds) fail("leds: expected a list of at most 34 LEDs");
  std::vector<LedSetting> out;
  for (const json& led : j) {
    if (!led.is_array() || led.size() != 3) fail("leds: each LED has three setting bytes");
    LedSetting s{};
    for (std::size_t k = 0; k < 3; ++k) {
      int high = k == 0 ? 39 : 40;
      if (!led[k].is_number_integer() || led[k].get<int>() < 0 || led[k].get<int>() > high)
        fail("leds: setting byte " + std::to_string(k + 1) + " must be 0.." + std::to_string(high));
      s[k] = static_cast<std::uint8_t>(led[k].get<int>());
    }
    out.push_back(s);
  }
  return out;
}

FaultSettings faults(const json& j) {
  FaultSettings f;
  if (!j.is_object()) fail("faults: expected an object");
  if (j.contains("loss")) {
    if (!j["loss"].is_number()) fail("faults.loss: expected a number");
    f.lossRate = j["loss"].get<double>();
    if (f.lossRate < 0 || f.lossRate > 1) fail("faults.loss: must be from 0 to 1");
  }
  f.seed = static_cast<std::uint32_t>(integer(j, "seed", 0, 0xFFFFFFFFL, 1));
  f.delayMs = static_cast<std::uint32_t>(integer(j, "delayMs", 0, 60000, 0));
  f.duplicate = flag(j, "duplicate");
  f.corruptChecksum = flag(j, "corruptChecksum");
  f.corruptChecksumAt = integer(j, "corruptChecksumAt", -1, 0xFFFFFFFFL, -1);
  f.wrongOui = flag(j, "wrongOui");
  f.rebootMs = static_cast<std::uint32_t>(integer(j, "rebootMs", 0, 600000, 1500));
  f.remoteKeyFailure = static_cast<std::uint8_t>(integer(j, "remoteKeyFailure", 0, 255, 0));
  f.keepsOwnKey = flag(j, "keepsOwnKey");
  f.unplugAtMs = static_cast<std::uint64_t>(integer(j, "unplugAtMs", 0, 86400000, 0));
  f.replugAtMs = static_cast<std::uint64_t>(integer(j, "replugAtMs", 0, 86400000, 0));
  f.loseAnswerNth = countsByType(j, "loseAnswerNth");
  f.wrongOffsetNth = countsByType(j, "wrongOffsetNth");
  f.unplugAfterNth = countsByType(j, "unplugAfterNth");
  f.neverGoesDown = flag(j, "neverGoesDown");
  if (j.contains("status")) {
    if (!j["status"].is_object()) fail("faults.status: expected an object");
    for (const auto& [type, code] : j["status"].items()) {
      if (!code.is_number_integer() || code.get<long>() < 0 || code.get<long>() > 255)
        fail("faults.status: status of " + type + " must be 0..255");
      f.status[parseType(type)] = static_cast<std::uint8_t>(code.get<long>());
    }
  }
  return f;
}

Key16 keyFromHex(const std::string& text, std::size_t width) {
  Bytes bytes;
  if (!parseHex(text, bytes) || bytes.size() != width)
    fail("networkKey: expected " + std::to_string(width) + " bytes in hex");
  Key16 key{};
  std::copy(bytes.begin(), bytes.end(), key.begin());
  return key;
}

Adapter parseAdapter(const json& j) {
  if (!j.is_object()) fail("expected an object");
  Adapter a;
  if (!j.contains("mac")) fail("mac: missing");
  a.mac = macOf(j["mac"], "mac");
  if (a.mac[0] & 1) fail("mac: a group address cannot be an adapter");
  std::string kind = text(j, "kind", "av");
  if (kind == "av")
    a.kind = AdapterKind::Av;
  else if (kind == "hp10")
    a.kind = AdapterKind::Hp10;
  else if (kind == "boost")
    a.kind = AdapterKind::Boost;
  else
    fail("kind: expected \"av\", \"hp10\" or \"boost\", not \"" + kind + "\"");

  a.deviceId = static_cast<int>(integer(j, "deviceId", 1, 5, 2));
  a.deviceClass = static_cast<int>(integer(j, "deviceClass", 1, 3, 3));
  if (a.kind == AdapterKind::Boost) a.deviceClass = 2;
  a.card = text(j, "interface", "");
  if (a.card.size() > 15) fail("interface: names have at most 15 characters");
  a.password = text(j, "password", "");
  if (a.password.size() < 4 || a.password.size() > 24)
    fail("password: a device password has 4 to 24 characters");
  a.firmware =
      text(j, "firmware", a.kind == AdapterKind::Av ? "TSC1000-MAC-SIM-1.0" : "HP1.0-SIM-1.0");
  if (a.firmware.size() > 64) fail("firmware: at most 64 characters");
  a.defaultRate.tx = static_cast<std::uint16_t>(integer(j, "tx", 0, 65535, 100));
  a.defaultRate.rx = static_cast<std::uint16_t>(integer(j, "rx", 0, 65535, 100));
  if (j.contains("rates")) {
    if (!j["rates"].is_object()) fail("rates: expected an object of peers");
    for (const auto& [peer, rate] : j["rates"].items()) {
      MacAddress mac = macOf(json(peer), "rates");
      a.rates[mac] = {static_cast<std::uint16_t>(integer(rate, "tx", 0, 65535, 0)),
                      static_cast<std::uint16_t>(integer(rate, "rx", 0, 65535, 0))};
    }
  }
  if (j.contains("bridged")) a.bridged = macOf(j["bridged"], "bridged");
  a.firmwareType = static_cast<std::uint8_t>(integer(j, "firmwareType", 0, 255, 4));
  a.vendor = text(j, "vendor", a.vendor);
  a.product = text(j, "product", a.product);
  a.loaderFallback = flag(j, "loaderFallback");
  if (j.contains("faults")) a.faults = faults(j["faults"]);
  a.random = FaultRandom(a.faults.seed);

  std::string name =
      text(j, "networkName", a.isHp10Family() ? kPublicHp10NetworkName : kPublicAvNetworkName);
  completeAdapter(a, name);
  if (j.contains("networkKey")) {
    if (!j["networkKey"].is_string()) fail("networkKey: expected hex text");
    a.networkKey = keyFromHex(j["networkKey"].get<std::string>(), a.isHp10Family() ? 8 : 16);
    if (a.isHp10Family())
      initHp1Image(a);
    else
      pibSetNmk(a.pib, a.networkKey);
  }
  if (j.contains("leds")) {
    if (a.isHp10Family()) fail("leds: only HomePlug AV adapters have an LED table");
    pibSetLeds(a.pib, leds(j["leds"]));
  }
  return a;
}

}  // namespace

void completeAdapter(Adapter& a, const std::string& networkName) {
  if (a.isHp10Family()) {
    a.deviceKey = hp10Key(a.password);
    a.networkKey = hp10Key(networkName);
    initHp1Image(a);
    return;
  }
  a.deviceKey = avDeviceKey(a.password);
  a.networkKey = avNetworkKey(networkName);
  PibIdentity id;
  id.mac = a.mac;
  id.dak = a.deviceKey;
  id.nmk = avNetworkKey(kPublicAvNetworkName);
  a.factoryPib = buildParameterBlock(id);
  id.nmk = a.networkKey;
  a.pib = buildParameterBlock(id);
  a.firmwareImage = buildFirmwareImage(a.firmware);
}

bool parseNetwork(const std::string& text, Medium& medium, std::string& error) {
  json doc = json::parse(text, nullptr, false);
  if (doc.is_discarded()) {
    error = "network file: not valid JSON";
    return false;
  }
  if (!doc.is_object() || !doc.contains("adapters") || !doc["adapters"].is_array()) {
    error = "network file: expected an object with an \"adapters\" list";
    return false;
  }
  Medium built;
  std::set<MacAddress> macs;
  std::set<std::string> cards;
  std::size_t index = 0;
  try {
    for (const json& j : doc["adapters"]) {
      Adapter a = parseAdapter(j);
      if (!macs.insert(a.mac).second) fail("mac: " + macToText(a.mac) + " appears twice");
      if (a.isLocal() && !cards.insert(a.card).second)
        fail("interface: " + a.card + " already has a local adapter");
      built.add(std::move(a));
      ++index;
    }
  } catch (const Failure& f) {
    error = "network file: adapter " + std::to_string(index + 1) + ": " + f.message;
    return false;
  } catch (const json::exception& e) {
    error = "network file: adapter " + std::to_string(index + 1) + ": " + e.what();
    return false;
  }
  if (cards.empty()) {
    error = "network file: no adapter names an \"interface\": nothing is local";
    return false;
  }
  medium = std::move(built);
  return true;
}

bool loadNetworkFile(const std::string& path, Medium& medium, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = path + ": cannot be opened";
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!parseNetwork(text.str(), medium, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace strandline::sim
