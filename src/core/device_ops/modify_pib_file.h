// Patching a parameter block file field by field: each change is a complete
// read, verify, modify, reseal and replace of the file, so a file is never
// left half-written and a patch of many fields that fails part-way leaves a
// sound file holding the fields written before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace strandline {

// Writes `count` bytes at `offset` of the block file at `path` (see
// patchPibImage): 0, or -1 when the file cannot be read, is refused or cannot
// be replaced. The new file takes the old one's place atomically and keeps its
// permissions; on failure the old file is untouched.
int modifyPibFile(const std::string& path, std::size_t offset, const std::uint8_t* bytes,
                  std::size_t count);

}  // namespace strandline
