// Walk a firmware image file made of arbitrary bytes, in memory and with the
// full file check. The buffer is exactly the input's size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "firmware/firmware_image.h"

using namespace strandline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  NvmLastBlock last = findLastNvmBlock(file);
  if (last.ok() && last.block.imageOffset() + last.block.header.imageLength > file.size())
    __builtin_trap();
  nvmFirstBlockIsLast(file);
  NvmCheck check = checkNvmFile(file, "fuzz.nvm");
  if (check.ok && check.blocks.empty()) __builtin_trap();
  return 0;
}
