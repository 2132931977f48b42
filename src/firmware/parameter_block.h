// The parameter block (PIB) of a HomePlug AV device: the image that holds the
// device's identity, QoS and classification tables, LED and other hardware
// settings. The same bytes live in the device's flash, travel in chunks, and
// are kept on disk as ".pib" files.
//
// Header (12 bytes, little-endian):
//   0 1 major version (4)   1 1 minor version (4)   2 2 reserved
//   4 2 length (15560)      6 2 reserved            8 4 checksum
//
// ParameterBlockImage wraps the caller's buffer (never owned) and offers the
// fields the system reads or writes. Every operation returns a PibStatus and
// leaves the image unchanged when it refuses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/bytes.h"
#include "base/keys.h"
#include "base/mac_address.h"

namespace strandline {

enum class PibStatus : int {
  Ok = 0,
  NidUnchanged = 1,        // setting the NMK produced the NID already stored
  ContentInvalid = 2,      // version and length right, a content rule failed
  VersionMismatch = 3,     // version is not 4.4 (attach only)
  NotValidated = 4,        // accessor on an image that did not pass attach
  NoImage = 5,             // no buffer attached
  VersionUnsupported = 6,  // accessor on an image whose version it does not serve
  BadLength = 7,           // length field wrong, or longer than the buffer
  BadValue = 8,            // a setter rejected its argument
};

const char* pibStatusText(PibStatus status);

namespace pib {

inline constexpr std::uint8_t kMajorVersion = 4;
inline constexpr std::uint8_t kMinorVersion = 4;
inline constexpr std::size_t kImageLength = 15560;
inline constexpr std::size_t kMaxResealLength = 16384;

inline constexpr std::size_t kHeaderLength = 12;
inline constexpr std::size_t kOffsetMajor = 0;
inline constexpr std::size_t kOffsetMinor = 1;
inline constexpr std::size_t kOffsetLength = 4;
inline constexpr std::size_t kOffsetChecksum = 8;

// Identity.
inline constexpr std::size_t kOffsetMac = 12;
inline constexpr std::size_t kOffsetDak = 18;
inline constexpr std::size_t kOffsetManufacturerHfid = 36;
inline constexpr std::size_t kOffsetNmk = 100;
inline constexpr std::size_t kOffsetUserHfid = 116;
inline constexpr std::size_t kOffsetNetworkHfid = 180;
inline constexpr std::size_t kHfidLength = 64;
inline constexpr std::size_t kOffsetNid = 248;
inline constexpr std::size_t kNidLength = 7;
inline constexpr std::size_t kOffsetSecurityByte = 254;  // bits 4-5: security level

// Quality of service.
inline constexpr std::size_t kOffsetDefaultCap =
    524;  // 4 x 1: unicast, multicast, IGMP, IGMP streams
inline constexpr std::size_t kOffsetTimeToLive = 528;  // 4 x 4: CAP 0..3, microseconds
inline constexpr std::size_t kOffsetVlanSwitch = 544;
inline constexpr std::size_t kOffsetTosSwitch = 545;
inline constexpr std::size_t kOffsetPriorityMap =
    548;  // 4 x 1: VLAN 0-3, VLAN 4-7, TOS 0-3, TOS 4-7
inline constexpr std::size_t kOffsetQosFlag = 8021;
inline constexpr std::uint32_t kMinTimeToLive = 10000;
inline constexpr std::uint32_t kMaxTimeToLive = 65000000;

inline constexpr std::size_t kOffsetDefaultTable = 2576;
inline constexpr std::size_t kDefaultTableLength = 4620;
inline constexpr std::size_t kOffsetNidDependent = 7820;  // cleared when the NID changes

// Hardware block.
inline constexpr std::size_t kOffsetHardwareMarker = 8200;
inline constexpr std::uint8_t kHardwareMarker = 0xC0;
inline constexpr std::size_t kOffsetLedCount = 9406;
inline constexpr std::size_t kOffsetLedTable = 9407;
inline constexpr std::size_t kLedEntryLength = 11;
inline constexpr std::size_t kMaxLedEntries = 34;
inline constexpr std::size_t kLedSettingBytes = 3;  // bytes 2..4 of an entry
// Offset of setting byte k (0..2) of LED entry i.
constexpr std::size_t ledSettingOffset(std::size_t i, std::size_t k) {
  return kOffsetLedTable + kLedEntryLength * i + 2 + k;
}
static_assert(ledSettingOffset(0, 0) == 9409 && ledSettingOffset(1, 2) == 9422);

// Configuration block at 10888.
inline constexpr std::size_t kOffsetModeWord = 10888;
inline constexpr std::size_t kOffsetModeParameters = 10890;
inline constexpr std::size_t kModeParameterWords = 12;
inline constexpr std::size_t kOffsetListA = 10938;
inline constexpr std::size_t kOffsetListACount = 11142;
inline constexpr std::size_t kOffsetListB = 11144;
inline constexpr std::size_t kOffsetListBCount = 11348;
inline constexpr std::size_t kListEntryLength = 68;
inline constexpr std::size_t kMaxListEntries = 3;
inline constexpr std::size_t kOffsetIntervalField = 11350;
inline constexpr std::uint32_t kMinIntervalField = 5000;
static_assert(kOffsetModeParameters + 4 * kModeParameterWords == kOffsetListA);
static_assert(kOffsetListA + kMaxListEntries * kListEntryLength == kOffsetListACount);
static_assert(kOffsetListB + kMaxListEntries * kListEntryLength == kOffsetListBCount);

// The sections of a version 4.4 image; each is cleared on its own by the default build.
struct Section {
  std::size_t offset;
  std::size_t size;
};
inline constexpr std::array<Section, 19> kSections{{
    {0, 12},      {12, 256},    {268, 128},   {396, 96},   {492, 32},     {524, 2048}, {2572, 5120},
    {7692, 128},  {7820, 44},   {7864, 128},  {7992, 64},  {8056, 16},    {8072, 64},  {8136, 64},
    {8200, 2048}, {10248, 640}, {10888, 512}, {11400, 64}, {11464, 4096},
}};
constexpr bool sectionsTileTheImage() {
  std::size_t next = 0;
  for (const Section& s : kSections) {
    if (s.offset != next) return false;
    next += s.size;
  }
  return next == kImageLength;
}
static_assert(sectionsTileTheImage());

}  // namespace pib

using PibListEntry = std::array<std::uint8_t, pib::kListEntryLength>;
using PibModeParameters = std::array<std::uint32_t, pib::kModeParameterWords>;

// The two lists of 68-byte entries in the configuration block at 10888.
enum class PibList { First, Second };

enum class PibHfid { Manufacturer, User, Network };

// Default QoS traffic kinds, in the order of their bytes at 524.
enum class PibTraffic { Unicast = 0, MulticastBroadcast = 1, Igmp = 2, IgmpManagedStream = 3 };

// True when the image's length field fits the buffer and its checksum verifies.
bool pibVerifies(ByteView image);

class ParameterBlockImage {
 public:
  // Stores the buffer and validates it: NoImage, BadLength (buffer shorter than
  // the header), VersionMismatch (not 4.4, nothing more checked), BadLength
  // (length field not 15560 or longer than the buffer), ContentInvalid, Ok.
  PibStatus attach(std::span<std::uint8_t> image);
  // Attaches, then writes the checksum over length/4 words. Images of other
  // versions and images that fail the content rules are resealed too; the
  // attach result is returned. NoImage and BadLength come back untouched; a
  // length field over 16384 or past the buffer leaves the checksum field 0.
  PibStatus reseal(std::span<std::uint8_t> image);
  // Writes a complete default version 4.4 image into the buffer and attaches it.
  PibStatus buildDefault(std::span<std::uint8_t> image);

  bool valid() const { return valid_; }
  std::span<std::uint8_t> image() const { return image_; }

  // Identity. getNmk and setMac serve every version from 1.4 up.
  PibStatus getMac(MacAddress& out) const;
  PibStatus setMac(const MacAddress& mac);
  PibStatus getDak(Key16& out) const;
  PibStatus setDak(const Key16& dak);
  PibStatus getNmk(Key16& out) const;
  PibStatus setNmk(const Key16& nmk, std::uint8_t securityLevel);
  PibStatus getNid(Nid& out) const;
  PibStatus getSecurityLevel(std::uint8_t& out) const;
  PibStatus getHfid(PibHfid which, std::string& out) const;
  PibStatus setHfid(PibHfid which, const std::string& text);  // at most 63 characters

  // Quality of service.
  PibStatus getDefaultCap(PibTraffic kind, std::uint8_t& out) const;
  PibStatus setDefaultCap(PibTraffic kind, std::uint8_t cap);  // 0..3
  PibStatus getTimeToLive(int cap, std::uint32_t& microseconds) const;
  PibStatus setTimeToLive(int cap, std::uint32_t microseconds);  // 10000..65000000
  PibStatus getVlanSwitch(bool& on) const;
  PibStatus setVlanSwitch(bool on);
  PibStatus getTosSwitch(bool& on) const;
  PibStatus setTosSwitch(bool on);
  // index 0..3: VLAN 0-3, VLAN 4-7, TOS 0-3, TOS 4-7; two bits per priority.
  PibStatus getPriorityMap(int index, std::uint8_t& out) const;
  PibStatus setPriorityMap(int index, std::uint8_t map);
  PibStatus getQosFlag(std::uint8_t& out) const;
  PibStatus setQosFlag(std::uint8_t value);

  // Hardware block and LED table.
  PibStatus getHardwareMarker(std::uint8_t& out) const;
  PibStatus setHardwareMarker(std::uint8_t marker);
  PibStatus getLedCount(std::uint8_t& out) const;
  // Setting byte k (0..2) of LED entry i (below the LED count); byte 0 at most 39,
  // bytes 1 and 2 at most 40.
  PibStatus getLedSetting(int entry, int k, std::uint8_t& out) const;
  PibStatus setLedSetting(int entry, int k, std::uint8_t value);

  // Configuration block at 10888.
  PibStatus getModeWord(std::uint16_t& out) const;
  PibStatus setModeWord(std::uint16_t value);  // 0, 256, 512, 2048, 8192, 32768
  PibStatus getModeParameters(PibModeParameters& out) const;
  PibStatus setModeParameters(const PibModeParameters& words);
  PibStatus getIntervalField(std::uint32_t& out) const;
  PibStatus setIntervalField(std::uint32_t value);  // at least 5000

  PibStatus getListCount(PibList list, std::size_t& count) const;
  PibStatus clearList(PibList list);
  // Refused when the list is full or the entry breaks the list's entry rules.
  PibStatus appendListEntry(PibList list, const PibListEntry& entry);
  PibStatus getListEntry(PibList list, std::size_t index, PibListEntry& out) const;
  PibStatus replaceList(PibList list, std::span<const PibListEntry> entries);

 private:
  PibStatus guard() const;
  PibStatus identityGate(std::size_t fieldEnd) const;
  void writeBytes(std::size_t offset, ByteView data);
  std::uint8_t byteAt(std::size_t offset) const { return image_[offset]; }

  std::span<std::uint8_t> image_;
  bool valid_ = false;
};

}  // namespace strandline
