// Bounds-checked readers and writers for the byte layouts of frames and files.
//
// Every field of a received frame or a stored file is read through ByteReader,
// which refuses to read past the bytes actually there: a short read sets the
// reader's failed flag, returns zero, and every later read fails too. Callers
// read all fields, then check ok() once.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace strandline {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

class ByteReader {
 public:
  explicit ByteReader(ByteView data, std::size_t offset = 0) : data_(data), pos_(offset) {
    if (offset > data.size()) failed_ = true;
  }

  bool ok() const { return !failed_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return failed_ ? 0 : data_.size() - pos_; }
  bool has(std::size_t n) const { return !failed_ && n <= data_.size() - pos_; }

  void seek(std::size_t offset) {
    if (offset > data_.size())
      failed_ = true;
    else
      pos_ = offset;
  }
  void skip(std::size_t n) {
    if (!take(n)) return;
    pos_ += n;
  }

  std::uint8_t u8() {
    if (!take(1)) return 0;
    return data_[pos_++];
  }
  std::uint16_t u16le() { return static_cast<std::uint16_t>(uint_le(2)); }
  std::uint16_t u16be() { return static_cast<std::uint16_t>(uint_be(2)); }
  std::uint32_t u32le() { return static_cast<std::uint32_t>(uint_le(4)); }
  std::uint32_t u32be() { return static_cast<std::uint32_t>(uint_be(4)); }
  std::uint64_t u64le() { return uint_le(8); }

  // Copies n bytes into out (zero-filled on a short read).
  void bytes(std::uint8_t* out, std::size_t n) {
    if (!take(n)) {
      std::memset(out, 0, n);
      return;
    }
    std::memcpy(out, data_.data() + pos_, n);
    pos_ += n;
  }
  template <std::size_t N>
  std::array<std::uint8_t, N> array() {
    std::array<std::uint8_t, N> out{};
    bytes(out.data(), N);
    return out;
  }
  ByteView view(std::size_t n) {
    if (!take(n)) return {};
    ByteView v = data_.subspan(pos_, n);
    pos_ += n;
    return v;
  }
  // A fixed-size NUL-terminated text field of n bytes; the text ends at the
  // first NUL or at the end of the field, whichever comes first.
  std::string text(std::size_t n) {
    ByteView v = view(n);
    auto end = std::find(v.begin(), v.end(), std::uint8_t{0});
    return std::string(v.begin(), end);
  }

 private:
  bool take(std::size_t n) {
    if (!has(n)) failed_ = true;
    return !failed_;
  }
  std::uint64_t uint_le(std::size_t n) {
    if (!take(n)) return 0;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v |= std::uint64_t{data_[pos_ + i]} << (8 * i);
    pos_ += n;
    return v;
  }
  std::uint64_t uint_be(std::size_t n) {
    if (!take(n)) return 0;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = (v << 8) | data_[pos_ + i];
    pos_ += n;
    return v;
  }

  ByteView data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Writes fields into a fixed buffer. A write that would pass the end of the
// buffer writes nothing and sets the failed flag.
class ByteWriter {
 public:
  explicit ByteWriter(std::span<std::uint8_t> out, std::size_t offset = 0)
      : out_(out), pos_(offset) {
    if (offset > out.size()) failed_ = true;
  }

  bool ok() const { return !failed_; }
  std::size_t position() const { return pos_; }

  void seek(std::size_t offset) {
    if (offset > out_.size())
      failed_ = true;
    else
      pos_ = offset;
  }
  void u8(std::uint8_t v) { put_le(v, 1); }
  void u16le(std::uint16_t v) { put_le(v, 2); }
  void u16be(std::uint16_t v) { put_be(v, 2); }
  void u32le(std::uint32_t v) { put_le(v, 4); }
  void u32be(std::uint32_t v) { put_be(v, 4); }
  void u64le(std::uint64_t v) { put_le(v, 8); }
  void bytes(const std::uint8_t* data, std::size_t n) {
    if (!take(n)) return;
    if (n) std::memcpy(out_.data() + pos_, data, n);
    pos_ += n;
  }
  void bytes(ByteView data) { bytes(data.data(), data.size()); }
  void zeros(std::size_t n) {
    if (!take(n)) return;
    std::memset(out_.data() + pos_, 0, n);
    pos_ += n;
  }
  // A fixed-size text field of n bytes: the text cut to n - 1 bytes, then NULs.
  void text(const std::string& s, std::size_t n) {
    if (!take(n) || n == 0) return;
    std::size_t len = std::min(s.size(), n - 1);
    std::memcpy(out_.data() + pos_, s.data(), len);
    std::memset(out_.data() + pos_ + len, 0, n - len);
    pos_ += n;
  }

 private:
  bool take(std::size_t n) {
    if (failed_ || n > out_.size() - pos_) failed_ = true;
    return !failed_;
  }
  void put_le(std::uint64_t v, std::size_t n) {
    if (!take(n)) return;
    for (std::size_t i = 0; i < n; ++i) out_[pos_ + i] = static_cast<std::uint8_t>(v >> (8 * i));
    pos_ += n;
  }
  void put_be(std::uint64_t v, std::size_t n) {
    if (!take(n)) return;
    for (std::size_t i = 0; i < n; ++i)
      out_[pos_ + i] = static_cast<std::uint8_t>(v >> (8 * (n - 1 - i)));
    pos_ += n;
  }

  std::span<std::uint8_t> out_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// Hex text helpers shared by the command-line tools and the tests.
std::string toHex(ByteView data, bool upper = true);
// Parses hex digits (separators ':', '-', ' ' allowed between bytes); false on bad input.
bool parseHex(const std::string& text, Bytes& out);

}  // namespace strandline
