// The libFuzzer entry of a receive-path target: the build names the target's
// function in STRANDLINE_FUZZ_FUNCTION.
#include <cstddef>
#include <cstdint>

#include "fuzz/receive_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return strandline::fuzz::STRANDLINE_FUZZ_FUNCTION(strandline::ByteView(data, size));
}
