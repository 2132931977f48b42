// Frames of the device-operations toolkit: vendor requests to the local
// device and the confirms that answer them. A request of type T is answered
// by a confirm of type T + 1.
//
// Every frame (offsets from its first byte, numbers little-endian unless said):
//    0 6 destination       6 6 source          12 2 ethertype 88 E1 (big-endian)
//   14 1 version 0        15 2 MMTYPE          17 3 OUI 00 B0 52
//   20 ... payload
// Bytes 14..19 are the vendor header (VendorMmeHeader).
//
// | operation        | request: payload                         | confirm: fields read            |
// |------------------|------------------------------------------|---------------------------------|
// | version query    | 0xA000: none                             | 0xA001: 20 status (0 running),  |
// |                  |                                          | 21 hardware type, 23.. text     |
// | reset            | 0xA01C: none                             | 0xA01D: 20 status               |
// | write module     | 0xA020: 20 module, 21 0, 22 2 length,    | 0xA021: 20 status, 23 2 length, |
// |                  | 24 4 offset, 28 4 checksum, 32 chunk     | 25 4 offset                     |
// | read module      | 0xA024: 20 module, 22 2 length,          | 0xA025: 20 status, 26 2 length, |
// |                  | 24 4 offset                              | 28 4 offset, 32 4 checksum,     |
// |                  |                                          | 36.. data                       |
// | commit           | 0xA028: 20 module                        | 0xA029: 20 status               |
// | factory defaults | 0xA07C: none                             | 0xA07D: 20 status               |
// | disable LED      | 0xA094: 20 module                        | 0xA095: 20 status               |
//
// Requests without data are 64 bytes, zero behind their fields; a
// write-module frame is always 1056 bytes, also for a shorter last chunk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/bytes.h"
#include "base/mac_address.h"
#include "protocol/management_frame.h"

namespace strandline {

inline constexpr std::uint16_t kToolVersionRequest = 0xA000;
inline constexpr std::uint16_t kToolResetRequest = 0xA01C;
inline constexpr std::uint16_t kToolWriteModuleRequest = 0xA020;
inline constexpr std::uint16_t kToolReadModuleRequest = 0xA024;
inline constexpr std::uint16_t kToolCommitRequest = 0xA028;
inline constexpr std::uint16_t kToolFactoryDefaultsRequest = 0xA07C;
inline constexpr std::uint16_t kToolDisableLedRequest = 0xA094;
constexpr std::uint16_t toolConfirmOf(std::uint16_t request) {
  return static_cast<std::uint16_t>(request + 1);
}

// Module numbers of the write, read and commit requests.
inline constexpr std::uint8_t kToolModuleFirmware = 1;
inline constexpr std::uint8_t kToolModuleParameters = 2;

struct VendorMmeHeader {
  std::uint8_t version = 0;
  std::uint16_t mmtype = 0;
  std::array<std::uint8_t, 3> oui{0x00, 0xB0, 0x52};
};
inline constexpr std::size_t kVendorMmeHeaderLength = 6;
inline constexpr std::size_t kToolHeaderAt = kEthernetHeaderLength;
inline constexpr std::size_t kToolPayloadAt = kToolHeaderAt + kVendorMmeHeaderLength;
static_assert(kToolPayloadAt == kAvV0OffsetPayload);

inline constexpr std::size_t kToolRequestLength = 64;  // a request without data
inline constexpr std::size_t kToolChunkLength = 1024;  // data bytes per module chunk

// Request fields.
inline constexpr std::size_t kToolModuleAt = 20;  // commit, disable LED, read and write module
inline constexpr std::size_t kReadRequestLengthAt = 22;
inline constexpr std::size_t kReadRequestOffsetAt = 24;
inline constexpr std::size_t kWriteRequestReservedAt = 21;
inline constexpr std::size_t kWriteRequestLengthAt = 22;
inline constexpr std::size_t kWriteRequestOffsetAt = 24;
inline constexpr std::size_t kWriteRequestChecksumAt = 28;
inline constexpr std::size_t kWriteRequestDataAt = 32;
inline constexpr std::size_t kWriteModuleFrameLength = kWriteRequestDataAt + kToolChunkLength;
static_assert(kReadRequestOffsetAt + 4 <= kToolRequestLength);
static_assert(kWriteModuleFrameLength == 1056);
static_assert(kWriteModuleFrameLength <= kMaxEthernetFrame);

// Confirm fields.
inline constexpr std::size_t kToolStatusAt = 20;
inline constexpr std::size_t kLinkStatusAt = 24;  // the status of the four link confirms
inline constexpr std::size_t kVersionHardwareAt = 21;
inline constexpr std::size_t kVersionTextAt = 23;
inline constexpr std::size_t kVersionTextMax = 128;
inline constexpr std::size_t kWriteConfirmLengthAt = 23;
inline constexpr std::size_t kWriteConfirmOffsetAt = 25;
inline constexpr std::size_t kWriteConfirmLength = kWriteConfirmOffsetAt + 4;
inline constexpr std::size_t kReadConfirmLengthAt = 26;
inline constexpr std::size_t kReadConfirmOffsetAt = 28;
inline constexpr std::size_t kReadConfirmChecksumAt = 32;
inline constexpr std::size_t kReadConfirmDataAt = 36;
static_assert(kWriteConfirmLength == 29);
static_assert(kReadConfirmDataAt + kToolChunkLength <= kMaxEthernetFrame);

// Builders write into `frame` (at least 64 bytes; 1056 for a chunk) and return
// the length to send, or 0 when the frame is too small for the request.

// A request without data (version query, reset, factory defaults).
std::size_t buildToolRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                             const MacAddress& host, std::uint16_t mmtype);
// Commit or disable LED: the module value at 20.
std::size_t buildToolModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                   const MacAddress& host, std::uint16_t mmtype,
                                   std::uint8_t module);
std::size_t buildReadModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                   const MacAddress& host, std::uint8_t module,
                                   std::uint16_t length, std::uint32_t offset);
// One chunk (at most 1024 bytes) with its checksum; always 1056 bytes long.
std::size_t buildWriteModuleRequest(std::span<std::uint8_t> frame, const MacAddress& peer,
                                    const MacAddress& host, std::uint8_t module,
                                    std::uint32_t offset, ByteView chunk);

// The vendor header of a frame; nothing when the frame is too short to hold it.
std::optional<VendorMmeHeader> readVendorHeader(ByteView frame);
// A confirm of the asked type: ethertype 0x88E1, version 0, the type and the
// OUI 00 B0 52. The source address is not compared.
bool isToolConfirm(ByteView frame, std::uint16_t confirmType);

// Confirm parsers: nothing when the frame is too short for the fields read.
struct ToolVersionConfirm {
  std::uint8_t status = 0;
  std::uint8_t hardwareType = 0;
  std::string version;  // up to the first NUL, at most 128 bytes
};
std::optional<ToolVersionConfirm> parseToolVersionConfirm(ByteView frame);

// The status byte at 20 (reset, commit, factory defaults, disable LED).
std::optional<std::uint8_t> parseToolStatusConfirm(ByteView frame);

struct ToolWriteConfirm {
  std::uint8_t status = 0;
  std::uint16_t length = 0;
  std::uint32_t offset = 0;
};
std::optional<ToolWriteConfirm> parseToolWriteConfirm(ByteView frame);

struct ToolReadConfirm {
  std::uint8_t status = 0;
  std::uint16_t length = 0;
  std::uint32_t offset = 0;
  std::uint32_t checksum = 0;
  // The data bytes the frame holds, at most `length`: shorter when the frame
  // ends before the length it states.
  ByteView data;
};
std::optional<ToolReadConfirm> parseToolReadConfirm(ByteView frame);

}  // namespace strandline
