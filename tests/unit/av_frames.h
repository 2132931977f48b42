// Frames as an adapter sends them, written byte by byte for the AV library
// tests (deliberately without the library's own header builders), and the
// byte helpers the unit tests share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "base/checksum.h"
#include "base/mac_address.h"

namespace strandline::testframes {

inline const MacAddress kHost{0x02, 0x00, 0x00, 0x00, 0x00, 0x10};
inline const MacAddress kAdapter{0x00, 0xB0, 0x52, 0x12, 0x34, 0x56};

// Little-endian fields of `width` bytes.
inline void putU32(Bytes& f, std::size_t at, std::uint32_t v, int width = 4) {
  for (int i = 0; i < width; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t getU32(const Bytes& f, std::size_t at, int width = 4) {
  std::uint32_t v = 0;
  for (int i = 0; i < width; ++i) v |= std::uint32_t{f[at + i]} << (8 * i);
  return v;
}
inline std::uint16_t getU16(const Bytes& f, std::size_t at) {
  return static_cast<std::uint16_t>(getU32(f, at, 2));
}
// Hex of `n` bytes of `f` from `at`, to compare with golden text.
inline std::string hexAt(ByteView f, std::size_t at, std::size_t n) {
  return toHex(f.subspan(at, n));
}
// Golden hex written with spaces between the fields, without them.
inline std::string golden(std::string_view spaced) {
  std::string s;
  for (char c : spaced)
    if (c != ' ') s += c;
  return s;
}

// A version-0 AV frame of `length` bytes (at least 20) from the adapter to the host.
inline Bytes avFrame(std::uint16_t type, std::size_t length) {
  Bytes f(length < 20 ? 20 : length, 0);
  std::copy(kHost.begin(), kHost.end(), f.begin());
  std::copy(kAdapter.begin(), kAdapter.end(), f.begin() + 6);
  const std::uint8_t rest[] = {
      0x88, 0xE1, 0,   static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8),
      0x00, 0xB0, 0x52};
  std::copy(std::begin(rest), std::end(rest), f.begin() + 12);
  return f;
}

// The same with the version-1 header (fragment bytes at 17, OUI at 19).
inline Bytes avFrameV1(std::uint16_t type, std::size_t length) {
  Bytes f = avFrame(type, length);
  const std::uint8_t rest[] = {0, 0, 0x00, 0xB0, 0x52};
  f[14] = 1;
  std::copy(std::begin(rest), std::end(rest), f.begin() + 17);
  return f;
}

// A 44-byte image header: word 2 load address, 3 length, 4 image checksum, 5
// entry point, 9 next header offset; word 10 makes the header check to 0.
inline Bytes imageHeader(std::uint32_t loadAddress, std::uint32_t length, std::uint32_t next,
                         std::uint32_t entry = 0x1234, std::uint32_t imageChecksum = 0xC0FFEE) {
  Bytes h(44, 0);
  putU32(h, 0, 0x00000001);
  putU32(h, 8, loadAddress);
  putU32(h, 12, length);
  putU32(h, 16, imageChecksum);
  putU32(h, 20, entry);
  putU32(h, 36, next);
  putU32(h, 40, checksum32(ByteView(h.data(), 40)));
  return h;
}

// Module read confirmation (0xA025) carrying `data` at `offset`.
inline Bytes readConfirm(std::uint8_t status, std::uint8_t module, ByteView data,
                         std::uint32_t offset) {
  Bytes f = avFrame(0xA025, std::max<std::size_t>(60, 36 + data.size()));
  f[20] = status;
  f[24] = module;
  putU32(f, 26, static_cast<std::uint32_t>(data.size()), 2);
  putU32(f, 28, offset);
  putU32(f, 32, checksum32(data));
  std::copy(data.begin(), data.end(), f.begin() + 36);
  return f;
}

inline Bytes moduleWriteConfirm(std::uint8_t status, std::uint8_t module, std::uint16_t length,
                                std::uint32_t offset) {
  Bytes f = avFrame(0xA021, 60);
  f[20] = status;
  f[21] = module;
  putU32(f, 23, length, 2);
  putU32(f, 25, offset);
  return f;
}

inline Bytes memoryWriteConfirm(std::uint8_t status, std::uint32_t address, std::uint32_t length) {
  Bytes f = avFrame(0xA005, 60);
  f[20] = status;
  putU32(f, 21, address);
  putU32(f, 25, length);
  return f;
}

inline Bytes pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
  return b;
}

}  // namespace strandline::testframes
