// The files of a Boost HomePlug 1.0 firmware upgrade: the image file (".IMG",
// sent whole as module 0x100 in 1024-byte chunks) and the configuration file
// (".CFG", 960 bytes in full form):
//
//   offset   0, 128 bytes  identity section   module 0x10
//   offset 128, 256 bytes  parameter module   module 0x20
//   offset 384,  64 bytes  not sent
//   offset 448, 512 bytes  option section     module 0x80 (only in a file of exactly 960 bytes)
//
// A configuration file shorter than a section counts as zero-extended, for
// writing and for checking alike. The written-modules flags are the module ids
// of what was written (0x100 for the image).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"

namespace strandline {

inline constexpr std::uint32_t kBoostImageModule = 0x100;
inline constexpr std::size_t kBoostConfigFullLength = 960;
inline constexpr std::size_t kBoostConfigReadLength = 1024;  // what is read of the file
inline constexpr std::size_t kBoostImageChunk = 1024;

struct BoostSection {
  std::uint32_t module = 0;
  std::size_t offset = 0;  // in the configuration file
  std::size_t length = 0;
};
inline constexpr BoostSection kBoostIdentitySection{0x10, 0, 128};
inline constexpr BoostSection kBoostParameterSection{0x20, 128, 256};
inline constexpr BoostSection kBoostOptionSection{0x80, 448, 512};

// The first 1024 bytes of a configuration file in a zero-filled buffer, and
// how many bytes the file gave.
struct BoostConfig {
  std::array<std::uint8_t, kBoostConfigReadLength> bytes{};
  std::size_t fileLength = 0;
  ByteView section(const BoostSection& s) const {
    return ByteView(bytes).subspan(s.offset, s.length);
  }
};
BoostConfig boostConfigFrom(ByteView file);

// The sections written, in write order: identity, parameter, and the option
// section when exactly 960 bytes were read.
std::vector<BoostSection> boostWriteSections(const BoostConfig& config);
// The sections checked after the commit, in check order: identity, option,
// parameter, each only when its flag is among the written ones.
std::vector<BoostSection> boostVerifySections(std::uint32_t writtenFlags);
// The written-modules flags of a configuration (without the image's).
std::uint32_t boostConfigFlags(const BoostConfig& config);

// The complement of the XOR of the data's 32-bit little-endian words; a
// trailing 1 to 3 bytes count as a word zero-extended.
std::uint32_t moduleChecksum(ByteView data);

struct BoostChunk {
  std::size_t offset = 0;
  std::size_t length = 0;
};
// The chunks of an image: 1024 bytes each, the last what is left.
std::vector<BoostChunk> boostImageChunks(std::size_t imageLength);

}  // namespace strandline
