// thpapiDecodeFrame on arbitrary bytes. First input byte: bit 0 selects the
// version-1 header; the rest is the frame, in a buffer of exactly its size so
// that any read past it is caught.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocol/av_decode.h"
#include "protocol/module_transfer.h"

using namespace strandline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  int selector = (data[0] & 1) ? kVersionSelectorV1 : 0;
  std::vector<std::uint8_t> frame(data + 1, data + size);
  ThpapiContext lib;
  ThpapiResult result;
  int rc = thpapiDecodeFrame(lib, ByteView(frame.data(), frame.size()), result, selector);
  if (result.dataLength > result.data.size()) std::abort();
  if (rc != 0 && (lib.lastError == 0 || result.status == 0)) std::abort();
  std::vector<std::uint8_t> out(1528);
  std::size_t n = thpapiNextRequest(lib, out);
  if (n != 0 && (n < 64 || n > out.size())) std::abort();
  return 0;
}
