// Module read and update confirmations fed in sequence to one transfer.
//
// Input: a mode byte, then records. Mode: bits 0-1 read type (1-3), or 0 for
// an update with option bits from bits 2-7. Each record starts with a kind byte:
//   0  raw frame: a length byte, then that many bytes
//   1  read confirmation for the outstanding request: status, length (2 bytes),
//      a flag (bit 0: keep the checksum right), then the data bytes
//   2  write confirmation for the outstanding request: status byte
//   3  start or commit confirmation: status byte
// After every decode the pending request is built, as the caller would.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/checksum.h"
#include "protocol/av_decode.h"
#include "protocol/module_transfer.h"

using namespace strandline;

namespace {

const MacAddress kHost{0x02, 0, 0, 0, 0, 0x10};
const MacAddress kAdapter{0x00, 0xB0, 0x52, 0x12, 0x34, 0x56};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool more() const { return pos_ < size_; }
  std::uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::vector<std::uint8_t> bytes(std::size_t n) {
    n = std::min(n, size_ - pos_);
    std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

std::vector<std::uint8_t> header(std::uint16_t type, std::size_t length) {
  std::vector<std::uint8_t> f(length, 0);
  std::copy(kHost.begin(), kHost.end(), f.begin());
  std::copy(kAdapter.begin(), kAdapter.end(), f.begin() + 6);
  f[12] = 0x88;
  f[13] = 0xE1;
  f[15] = static_cast<std::uint8_t>(type);
  f[16] = static_cast<std::uint8_t>(type >> 8);
  f[18] = 0xB0;
  f[19] = 0x52;
  return f;
}

void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A firmware image with two checked headers, and a parameter block.
std::vector<std::uint8_t> makeImageA() {
  std::vector<std::uint8_t> a(44 + 16 + 44 + 2100, 0x5A);
  auto header = [&](std::size_t at, std::uint32_t load, std::uint32_t len, std::uint32_t next) {
    for (std::size_t i = 0; i < 44; ++i) a[at + i] = 0;
    put32(a, at + 8, load);
    put32(a, at + 12, len);
    put32(a, at + 36, next);
    put32(a, at + 40, checksum32(ByteView(a.data() + at, 40)));
  };
  header(0, 0, 16, 60);
  header(60, 0x100000, 2100, 0);
  return a;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> imageA = makeImageA();
  static const std::vector<std::uint8_t> imageB(1500, 0xB7);
  Input in(data, size);
  ThpapiContext lib;
  std::uint8_t mode = in.u8();
  if (mode & 3) {
    if (thpapiBeginModuleRead(lib, kHost, kLocalDeviceMac, mode & 3) != 0) std::abort();
  } else if (thpapiBeginUpdate(lib, kHost, kLocalDeviceMac, ByteView(imageA), ByteView(imageB),
                               mode >> 2) != 0) {
    return 0;
  }
  std::array<std::uint8_t, 1528> request{};
  std::size_t requestLength = thpapiNextRequest(lib, request);
  ThpapiResult result;
  while (in.more()) {
    std::vector<std::uint8_t> frame;
    switch (in.u8() & 3) {
      case 0:
        frame = in.bytes(in.u8());
        break;
      case 1: {
        std::uint8_t status = in.u8();
        std::size_t length = in.u8() | std::size_t{in.u8()} << 8;
        std::uint8_t flags = in.u8();
        std::vector<std::uint8_t> chunk = in.bytes(length % 1100);
        frame = header(0xA025, 36 + chunk.size());
        frame[20] = status;
        frame[24] = request[20];                        // module
        frame[26] = static_cast<std::uint8_t>(length);  // stated length
        frame[27] = static_cast<std::uint8_t>(length >> 8);
        std::copy(request.begin() + 24, request.begin() + 28, frame.begin() + 28);  // offset
        std::uint32_t sum = checksum32(ByteView(chunk));
        put32(frame, 32, (flags & 1) ? sum : sum ^ flags);
        std::copy(chunk.begin(), chunk.end(), frame.begin() + 36);
        break;
      }
      case 2: {
        std::uint16_t type = request[15] | request[16] << 8;
        frame = header(type == 0xA004 ? 0xA005 : 0xA021, 60);
        frame[20] = in.u8();
        if (type == 0xA004) {
          std::copy(request.begin() + 20, request.begin() + 28, frame.begin() + 21);
        } else {
          frame[21] = request[20];
          std::copy(request.begin() + 22, request.begin() + 28, frame.begin() + 23);
        }
        break;
      }
      case 3:
        frame = header((in.u8() & 1) ? 0xA029 : 0xA00D, 60);
        frame[20] = in.u8();
        break;
    }
    thpapiDecodeFrame(lib, ByteView(frame.data(), frame.size()), result, 0);
    if (result.dataLength > result.data.size()) std::abort();
    if (result.operation == kOperationModuleRead && result.dataValid &&
        result.dataLength > 9 + kTransferChunkSize)
      std::abort();
    std::size_t n = thpapiNextRequest(lib, request);
    if (n != 0) {
      if (n < 64 || n > 20 + 20 + kTransferChunkSize) std::abort();
      requestLength = n;
    }
  }
  (void)requestLength;
  return 0;
}
