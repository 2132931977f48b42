#include "protocol/boost_frames.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "protocol/management_frame.h"

namespace strandline {

namespace {

constexpr std::uint8_t kBoostVendor[3] = {0x00, 0x04, 0x87};
constexpr std::size_t kMaxBoostText = 79;
constexpr std::size_t kMaxBoostVersion = 64;
constexpr std::size_t kMaxStatisticsStations = 15;

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

}  // namespace

void buildBoostPrivateRequest(std::uint8_t* frame, const MacAddress& source,
                              const MacAddress& destination, std::uint8_t code,
                              const std::uint8_t* data, std::size_t dataLength) {
  std::memset(frame, 0, kBoostPrivateRequestLength);
  buildHp1Header(frame, source.data(), destination.data());
  std::size_t n = std::min<std::size_t>(std::max<std::size_t>(dataLength, 1), 14);
  frame[14] = 1;
  frame[15] = kBoostPrivateRequest;
  frame[16] = static_cast<std::uint8_t>(n + 4);
  std::memcpy(frame + 17, kBoostVendor, 3);
  frame[20] = code;
  if (data && dataLength) std::memcpy(frame + 21, data, n);
}

void buildBoostReadRequest(std::uint8_t* frame, const MacAddress& source,
                           const MacAddress& destination, std::uint8_t what) {
  std::memset(frame, 0, kBoostReadRequestLength);
  buildHp1Header(frame, source.data(), destination.data());
  frame[14] = 1;
  frame[15] = kBoostReadRequest;
  frame[16] = 1;
  frame[17] = what;
}

std::optional<BoostIdentity> parseBoostIdentity(ByteView frame) {
  ByteReader r(frame, 21);
  std::uint8_t where = r.u8();
  r.skip(1);
  std::uint8_t form = r.u8(), major = r.u8(), minor = r.u8();
  if (!r.ok()) return std::nullopt;
  BoostIdentity identity;
  identity.remote = where & 1;
  identity.version = boostVersionText(form, major, minor);
  std::size_t next = readCountedText(frame, 26, identity.vendor);
  if (next == 0 || readCountedText(frame, next, identity.product) == 0) return std::nullopt;
  std::memcpy(identity.source.data(), frame.data() + 6, 6);
  return identity;
}

std::vector<BoostStationRate> parseBoostStatistics(ByteView frame) {
  std::vector<BoostStationRate> stations;
  if (frame.size() <= 16) return stations;
  std::size_t entryLength = frame[16];
  std::size_t count = entryLength >= 3 ? (entryLength - 3) / 14 : 0;
  count = std::min(count, kMaxStatisticsStations);
  for (std::size_t i = 0; i < count; ++i) {
    ByteReader r(frame, 21 + 14 * i);
    BoostStationRate station;
    station.mac = r.array<6>();
    station.raw = r.u16be();
    if (!r.ok()) break;
    stations.push_back(station);
  }
  return stations;
}

std::string parseBoostVersionString(ByteView frame) {
  if (frame.size() < 18) return {};
  std::size_t n = std::min<std::size_t>(frame[16], frame.size() - 18);
  std::string version(frame.begin() + 18, frame.begin() + 18 + static_cast<long>(n));
  version = version.substr(0, version.find('\0'));
  if (version.size() > kMaxBoostVersion) version.resize(kMaxBoostVersion);
  return version;
}

bool boostFirmwareTooOld(const std::string& version) {
  return version.size() > 16 && version[14] == '1' && (version[16] == '5' || version[16] == '6');
}

std::string boostVersionText(std::uint8_t form, std::uint8_t major, std::uint8_t minor) {
  if (form == 1) return minor == 0x15 ? "Version 1.2" : "Version 1.4";
  char text[32];
  std::snprintf(text, sizeof text, "Version %d.%d", major, minor);
  return text;
}

double scaleHp10Rate(double raw) {
  double v = raw * 8 / 336;
  if (v <= 6) return v;
  if (v <= 12.357142857142858) return (v - 6) / 6.357142857142858 * 8 + 6;
  return (v - 12.357142857142858) / 54.59523809523809 * 71 + 14;
}

}  // namespace strandline
