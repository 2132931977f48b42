#include "firmware/parameter_block.h"

#include <algorithm>
#include <cstring>

#include "base/checksum.h"
#include "firmware/pib_default.h"
#include "firmware/pib_rules.h"

namespace strandline {

namespace {

std::uint16_t lengthField(ByteView image) {
  ByteReader r(image, pib::kOffsetLength);
  return r.u16le();
}

bool isVersion44(ByteView image) {
  return image[pib::kOffsetMajor] == pib::kMajorVersion &&
         image[pib::kOffsetMinor] == pib::kMinorVersion;
}

std::size_t hfidOffset(PibHfid which) {
  switch (which) {
    case PibHfid::Manufacturer:
      return pib::kOffsetManufacturerHfid;
    case PibHfid::User:
      return pib::kOffsetUserHfid;
    case PibHfid::Network:
      return pib::kOffsetNetworkHfid;
  }
  return pib::kOffsetUserHfid;
}

struct ListPlace {
  std::size_t entries;
  std::size_t count;
};
ListPlace placeOf(PibList list) {
  if (list == PibList::First) return {pib::kOffsetListA, pib::kOffsetListACount};
  return {pib::kOffsetListB, pib::kOffsetListBCount};
}

// Addresses the device answers as the local device or reserves for itself.
constexpr MacAddress kReservedMacs[] = {
    {0x00, 0xB0, 0x52, 0x00, 0x00, 0x01},
    {0x00, 0xB0, 0x52, 0x00, 0x00, 0x02},
    {0x00, 0xB0, 0x52, 0x00, 0x00, 0x03},
};

}  // namespace

const char* pibStatusText(PibStatus status) {
  switch (status) {
    case PibStatus::Ok:
      return "ok";
    case PibStatus::NidUnchanged:
      return "network identifier unchanged";
    case PibStatus::ContentInvalid:
      return "parameter block content invalid";
    case PibStatus::VersionMismatch:
      return "parameter block version is not 4.4";
    case PibStatus::NotValidated:
      return "parameter block not validated";
    case PibStatus::NoImage:
      return "no parameter block";
    case PibStatus::VersionUnsupported:
      return "parameter block version not supported";
    case PibStatus::BadLength:
      return "parameter block length wrong";
    case PibStatus::BadValue:
      return "value refused";
  }
  return "unknown parameter block status";
}

bool pibVerifies(ByteView image) {
  if (image.size() < pib::kHeaderLength) return false;
  std::size_t length = lengthField(image);
  if (length < pib::kHeaderLength || length > image.size()) return false;
  return checksum32(image.first(length)) == 0;
}

PibStatus ParameterBlockImage::attach(std::span<std::uint8_t> image) {
  image_ = image;
  valid_ = false;
  if (image.empty()) return PibStatus::NoImage;
  if (image.size() < pib::kHeaderLength) return PibStatus::BadLength;
  if (!isVersion44(image)) return PibStatus::VersionMismatch;
  if (lengthField(image) != pib::kImageLength || image.size() < pib::kImageLength)
    return PibStatus::BadLength;
  if (!pibContentValid(image)) return PibStatus::ContentInvalid;
  valid_ = true;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::reseal(std::span<std::uint8_t> image) {
  PibStatus status = attach(image);
  if (status == PibStatus::NoImage || status == PibStatus::BadLength) return status;
  ByteWriter w(image, pib::kOffsetChecksum);
  w.u32le(0);
  std::size_t length = lengthField(image);
  // Never sum past the buffer, whatever the length field claims.
  if (length > pib::kMaxResealLength || length > image.size()) return PibStatus::BadLength;
  w.seek(pib::kOffsetChecksum);
  w.u32le(checksum32(image.first(length)));
  return status;
}

PibStatus ParameterBlockImage::buildDefault(std::span<std::uint8_t> image) {
  image_ = image;
  valid_ = false;
  if (image.empty()) return PibStatus::NoImage;
  if (!writeDefaultPib(image)) return PibStatus::BadLength;
  return reseal(image);
}

PibStatus ParameterBlockImage::guard() const {
  if (image_.empty()) return PibStatus::NoImage;
  if (image_.size() < pib::kHeaderLength) return PibStatus::BadLength;
  if (!isVersion44(image_)) return PibStatus::VersionUnsupported;
  if (lengthField(image_) != pib::kImageLength || image_.size() < pib::kImageLength)
    return PibStatus::BadLength;
  if (!valid_) return PibStatus::NotValidated;
  return PibStatus::Ok;
}

// Identity fields of every layout from version 1.4 on sit at the same offsets;
// such images are served whether or not they passed the 4.4 rules.
PibStatus ParameterBlockImage::identityGate(std::size_t fieldEnd) const {
  if (image_.empty()) return PibStatus::NoImage;
  if (image_.size() < pib::kHeaderLength) return PibStatus::BadLength;
  std::uint8_t major = image_[pib::kOffsetMajor];
  std::uint8_t minor = image_[pib::kOffsetMinor];
  if (major < 1 || (major == 1 && minor < 4)) return PibStatus::VersionUnsupported;
  if (image_.size() < fieldEnd) return PibStatus::BadLength;
  return PibStatus::Ok;
}

void ParameterBlockImage::writeBytes(std::size_t offset, ByteView data) {
  ByteWriter w(image_, offset);
  w.bytes(data);
}

PibStatus ParameterBlockImage::getMac(MacAddress& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  std::copy_n(image_.begin() + pib::kOffsetMac, out.size(), out.begin());
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setMac(const MacAddress& mac) {
  if (PibStatus s = identityGate(pib::kOffsetMac + mac.size()); s != PibStatus::Ok) return s;
  if (mac[0] & 0x01) return PibStatus::BadValue;
  for (const MacAddress& reserved : kReservedMacs)
    if (mac == reserved) return PibStatus::BadValue;
  writeBytes(pib::kOffsetMac, mac);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getDak(Key16& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  std::copy_n(image_.begin() + pib::kOffsetDak, out.size(), out.begin());
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setDak(const Key16& dak) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  writeBytes(pib::kOffsetDak, dak);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getNmk(Key16& out) const {
  if (PibStatus s = identityGate(pib::kOffsetNmk + out.size()); s != PibStatus::Ok) return s;
  std::copy_n(image_.begin() + pib::kOffsetNmk, out.size(), out.begin());
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setNmk(const Key16& nmk, std::uint8_t securityLevel) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (securityLevel >= 2) return PibStatus::BadValue;
  Nid nid = deriveNid(nmk, securityLevel);
  bool keySame = std::equal(nmk.begin(), nmk.end(), image_.begin() + pib::kOffsetNmk);
  bool nidSame = std::equal(nid.begin(), nid.end(), image_.begin() + pib::kOffsetNid);
  if (keySame && nidSame) return PibStatus::NidUnchanged;
  writeBytes(pib::kOffsetNmk, nmk);
  writeBytes(pib::kOffsetNid, nid);
  ByteWriter w(image_, pib::kOffsetNidDependent);
  w.u32le(0);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getNid(Nid& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  std::copy_n(image_.begin() + pib::kOffsetNid, out.size(), out.begin());
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getSecurityLevel(std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  out = (byteAt(pib::kOffsetSecurityByte) >> 4) & 3;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getHfid(PibHfid which, std::string& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteReader r(image_, hfidOffset(which));
  out = r.text(pib::kHfidLength);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setHfid(PibHfid which, const std::string& text) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (text.size() >= pib::kHfidLength || text.find('\0') != std::string::npos)
    return PibStatus::BadValue;
  ByteWriter w(image_, hfidOffset(which));
  w.text(text, pib::kHfidLength);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getDefaultCap(PibTraffic kind, std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  out = byteAt(pib::kOffsetDefaultCap + static_cast<std::size_t>(kind));
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setDefaultCap(PibTraffic kind, std::uint8_t cap) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (cap > 3) return PibStatus::BadValue;
  image_[pib::kOffsetDefaultCap + static_cast<std::size_t>(kind)] = cap;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getTimeToLive(int cap, std::uint32_t& microseconds) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (cap < 0 || cap > 3) return PibStatus::BadValue;
  ByteReader r(image_, pib::kOffsetTimeToLive + 4 * static_cast<std::size_t>(cap));
  microseconds = r.u32le();
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setTimeToLive(int cap, std::uint32_t microseconds) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (cap < 0 || cap > 3) return PibStatus::BadValue;
  if (microseconds < pib::kMinTimeToLive || microseconds > pib::kMaxTimeToLive)
    return PibStatus::BadValue;
  ByteWriter w(image_, pib::kOffsetTimeToLive + 4 * static_cast<std::size_t>(cap));
  w.u32le(microseconds);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getVlanSwitch(bool& on) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  on = byteAt(pib::kOffsetVlanSwitch) != 0;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setVlanSwitch(bool on) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  image_[pib::kOffsetVlanSwitch] = on ? 1 : 0;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getTosSwitch(bool& on) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  on = byteAt(pib::kOffsetTosSwitch) != 0;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setTosSwitch(bool on) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  image_[pib::kOffsetTosSwitch] = on ? 1 : 0;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getPriorityMap(int index, std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (index < 0 || index > 3) return PibStatus::BadValue;
  out = byteAt(pib::kOffsetPriorityMap + static_cast<std::size_t>(index));
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setPriorityMap(int index, std::uint8_t map) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (index < 0 || index > 3) return PibStatus::BadValue;
  image_[pib::kOffsetPriorityMap + static_cast<std::size_t>(index)] = map;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getQosFlag(std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  out = byteAt(pib::kOffsetQosFlag);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setQosFlag(std::uint8_t value) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  image_[pib::kOffsetQosFlag] = value;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getHardwareMarker(std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  out = byteAt(pib::kOffsetHardwareMarker);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setHardwareMarker(std::uint8_t marker) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  image_[pib::kOffsetHardwareMarker] = marker;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getLedCount(std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  out = byteAt(pib::kOffsetLedCount);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getLedSetting(int entry, int k, std::uint8_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  std::size_t count = std::min<std::size_t>(byteAt(pib::kOffsetLedCount), pib::kMaxLedEntries);
  if (entry < 0 || static_cast<std::size_t>(entry) >= count || k < 0 || k > 2)
    return PibStatus::BadValue;
  out = byteAt(pib::ledSettingOffset(static_cast<std::size_t>(entry), static_cast<std::size_t>(k)));
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setLedSetting(int entry, int k, std::uint8_t value) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  std::size_t count = std::min<std::size_t>(byteAt(pib::kOffsetLedCount), pib::kMaxLedEntries);
  if (entry < 0 || static_cast<std::size_t>(entry) >= count || k < 0 || k > 2)
    return PibStatus::BadValue;
  if (value > (k == 0 ? 39 : 40)) return PibStatus::BadValue;
  image_[pib::ledSettingOffset(static_cast<std::size_t>(entry), static_cast<std::size_t>(k))] =
      value;
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getModeWord(std::uint16_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteReader r(image_, pib::kOffsetModeWord);
  out = r.u16le();
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setModeWord(std::uint16_t value) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  constexpr std::uint16_t kAccepted[] = {0, 256, 512, 2048, 8192, 32768};
  if (std::find(std::begin(kAccepted), std::end(kAccepted), value) == std::end(kAccepted))
    return PibStatus::BadValue;
  ByteWriter w(image_, pib::kOffsetModeWord);
  w.u16le(value);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getModeParameters(PibModeParameters& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteReader r(image_, pib::kOffsetModeParameters);
  for (std::uint32_t& word : out) word = r.u32le();
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setModeParameters(const PibModeParameters& words) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteWriter w(image_, pib::kOffsetModeParameters);
  for (std::uint32_t word : words) w.u32le(word);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getIntervalField(std::uint32_t& out) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteReader r(image_, pib::kOffsetIntervalField);
  out = r.u32le();
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::setIntervalField(std::uint32_t value) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (value < pib::kMinIntervalField) return PibStatus::BadValue;
  ByteWriter w(image_, pib::kOffsetIntervalField);
  w.u32le(value);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getListCount(PibList list, std::size_t& count) const {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ByteReader r(image_, placeOf(list).count);
  count = r.u16le();
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::clearList(PibList list) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  ListPlace place = placeOf(list);
  ByteWriter w(image_, place.entries);
  w.zeros(pib::kMaxListEntries * pib::kListEntryLength);
  w.u16le(0);
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::appendListEntry(PibList list, const PibListEntry& entry) {
  std::size_t count = 0;
  if (PibStatus s = getListCount(list, count); s != PibStatus::Ok) return s;
  if (count >= pib::kMaxListEntries || !pibListEntryValid(list, entry)) return PibStatus::BadValue;
  ListPlace place = placeOf(list);
  writeBytes(place.entries + count * pib::kListEntryLength, entry);
  ByteWriter w(image_, place.count);
  w.u16le(static_cast<std::uint16_t>(count + 1));
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::getListEntry(PibList list, std::size_t index,
                                            PibListEntry& out) const {
  std::size_t count = 0;
  if (PibStatus s = getListCount(list, count); s != PibStatus::Ok) return s;
  if (index >= count || index >= pib::kMaxListEntries) return PibStatus::BadValue;
  ByteReader r(image_, placeOf(list).entries + index * pib::kListEntryLength);
  r.bytes(out.data(), out.size());
  return PibStatus::Ok;
}

PibStatus ParameterBlockImage::replaceList(PibList list, std::span<const PibListEntry> entries) {
  if (PibStatus s = guard(); s != PibStatus::Ok) return s;
  if (entries.size() > pib::kMaxListEntries) return PibStatus::BadValue;
  for (const PibListEntry& entry : entries)
    if (!pibListEntryValid(list, entry)) return PibStatus::BadValue;
  clearList(list);
  ListPlace place = placeOf(list);
  ByteWriter w(image_, place.entries);
  for (const PibListEntry& entry : entries) w.bytes(entry);
  w.seek(place.count);
  w.u16le(static_cast<std::uint16_t>(entries.size()));
  return PibStatus::Ok;
}

}  // namespace strandline
