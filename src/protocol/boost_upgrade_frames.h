// The loader frames of a Boost HomePlug 1.0 firmware upgrade. All are
// HomePlug 1.0 frames with one entry; numbers wider than a byte are big-endian.
//
// Loader request (entry 0x12), 18 bytes: 14 count 1 | 15 0x12 | 16 1 | 17 0x67
// Loader commands (entry 0x10): 14 count 1 | 15 0x10 | 16 1 | 17 code |
//   18 command length (16, the bytes after offset 19) | 20 fields
//   0x81 write chunk  module (4), offset (4), data length (2), data in a
//                     1024-byte area: 1054 bytes
//   0x82 commit       written-modules flags (4): 25 bytes
//   0x83 checksum     module (4), length (4): 28 bytes
//   0x84 verify       value 0x40 (4): 25 bytes
//   0x7F reset        no fields: 20 bytes
// Answer (entry 0x10): 17 code | 20 status (0 = success) | 0x83: 29 checksum (32).
#pragma once

#include <cstdint>
#include <optional>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

inline constexpr std::uint8_t kBoostLoaderEntry = 0x10;
inline constexpr std::uint8_t kBoostEnterLoader = 0x67;
inline constexpr std::uint8_t kBoostWriteChunk = 0x81;
inline constexpr std::uint8_t kBoostCommitModules = 0x82;
inline constexpr std::uint8_t kBoostModuleChecksum = 0x83;
inline constexpr std::uint8_t kBoostVerifyModule = 0x84;
inline constexpr std::uint8_t kBoostHardwareReset = 0x7F;
inline constexpr std::uint32_t kBoostVerifyValue = 0x40;

inline constexpr std::size_t kBoostLoaderRequestLength = 18;
inline constexpr std::size_t kBoostChunkFrameLength = 1054;
inline constexpr std::size_t kBoostChunkArea = 1024;
inline constexpr std::size_t kBoostCommandFrameLength = 25;
inline constexpr std::size_t kBoostChecksumFrameLength = 28;
inline constexpr std::size_t kBoostResetFrameLength = 20;

// The adapter's address while in its loader, when it does not answer at its own.
inline constexpr MacAddress kBoostLoaderFallbackMac{0x00, 0x04, 0x87, 0xFE, 0x11, 0x00};

Bytes buildBoostLoaderRequest(const MacAddress& source, const MacAddress& destination);
// At most 1024 data bytes (more are cut); the rest of the area is zero.
Bytes buildBoostChunkFrame(const MacAddress& source, const MacAddress& destination,
                           std::uint32_t module, std::uint32_t offset, ByteView data);
// 0x82 or 0x84 with its 32-bit value.
Bytes buildBoostCommandFrame(const MacAddress& source, const MacAddress& destination,
                             std::uint8_t code, std::uint32_t value);
Bytes buildBoostChecksumRequest(const MacAddress& source, const MacAddress& destination,
                                std::uint32_t module, std::uint32_t length);
Bytes buildBoostResetFrame(const MacAddress& source, const MacAddress& destination);

struct BoostLoaderAnswer {
  MacAddress destination{};
  MacAddress source{};
  std::uint8_t code = 0;
  std::uint8_t status = 0;
  std::optional<std::uint32_t> checksum;  // 0x83 answers that hold one
};
// A loader answer (HomePlug 1.0, entry 0x10); nothing for anything else or a
// frame too short for its status.
std::optional<BoostLoaderAnswer> parseBoostLoaderAnswer(ByteView frame);

}  // namespace strandline
