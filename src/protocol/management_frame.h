// Layout of the Ethernet management frames exchanged with powerline adapters.
//
// Ethernet header (14 bytes):
//   0  6  destination        6  6  source        12  2  ethertype (big-endian)
//
// HomePlug AV management message, version 0 (every request but one):
//   14 1  version = 0        15 2  MMTYPE (LE)    17 3  OUI 00 B0 52   20 ... payload
// HomePlug AV management message, version 1 (network information to a
// TSC4000-family local adapter only):
//   14 1  version = 1        15 2  MMTYPE (LE)    17 2  fragment info 0 0
//   19 3  OUI 00 B0 52       22 ... payload
//
// HomePlug 1.0 management frame (ethertype 0x887B):
//   14 1  entry count, then entries of type (1), length (1), data (length).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

inline constexpr std::uint16_t kEtherTypeHomePlugAv = 0x88E1;
inline constexpr std::uint16_t kEtherTypeHomePlug10 = 0x887B;

inline constexpr std::size_t kEthernetHeaderLength = 14;
inline constexpr std::size_t kMinEthernetFrame = 60;  // without frame check sequence
inline constexpr std::size_t kMaxEthernetFrame = 1514;
inline constexpr std::size_t kMinAvRequest = 64;
inline constexpr std::size_t kFrameBufferSize = 1514;

inline constexpr std::size_t kOffsetDestination = 0;
inline constexpr std::size_t kOffsetSource = 6;
inline constexpr std::size_t kOffsetEtherType = 12;

inline constexpr std::size_t kAvOffsetVersion = 14;
inline constexpr std::size_t kAvOffsetType = 15;
inline constexpr std::size_t kAvV0OffsetOui = 17;
inline constexpr std::size_t kAvV0OffsetPayload = 20;
inline constexpr std::size_t kAvV1OffsetFragment = 17;
inline constexpr std::size_t kAvV1OffsetOui = 19;
inline constexpr std::size_t kAvV1OffsetPayload = 22;
inline constexpr std::uint8_t kVendorOui[3] = {0x00, 0xB0, 0x52};

inline constexpr std::size_t kHp1OffsetEntryCount = 14;
inline constexpr std::size_t kHp1OffsetFirstEntry = 15;

// errno-style codes used by the AV decoder for rejected frames.
inline constexpr int kErrWrongEtherType = 1;  // EPERM
inline constexpr int kErrWrongHeader = 14;    // EFAULT

// MMTYPE kind, in the two low bits.
enum class AvKind : std::uint8_t { Request = 0, Confirm = 1, Indication = 2, Response = 3 };
inline AvKind kindOf(std::uint16_t mmtype) {
  return static_cast<AvKind>(mmtype & 3);
}

std::uint16_t etherTypeOf(ByteView frame);  // 0 when shorter than 14 bytes

// Writes the Ethernet header and the version-0 AV header; returns the payload offset (20).
std::size_t buildAvHeaderV0(std::uint8_t* frame, const std::uint8_t* destination,
                            const std::uint8_t* source, std::uint16_t mmtype);
// Writes the Ethernet header and the version-1 AV header; returns the payload offset (22).
std::size_t buildAvHeaderV1(std::uint8_t* frame, const std::uint8_t* destination,
                            const std::uint8_t* source, std::uint16_t mmtype);
// Zeroes bytes 0..16 and writes destination, source and ethertype 0x887B.
void buildHp1Header(std::uint8_t* frame, const std::uint8_t* source,
                    const std::uint8_t* destination);

// Length of an AV request whose contents end at `contentEnd`: at least 64; the
// caller's buffer must hold 64 bytes and the bytes past the contents be zero.
inline std::size_t avRequestLength(std::size_t contentEnd) {
  return contentEnd < kMinAvRequest ? kMinAvRequest : contentEnd;
}

// Checks the header of a received AV frame: 0 when valid, kErrWrongEtherType for
// another ethertype (or a frame too short to hold one), kErrWrongHeader for a
// version byte or OUI that does not match the asked form.
int checkAvHeader(ByteView frame, bool versionOne);

}  // namespace strandline
