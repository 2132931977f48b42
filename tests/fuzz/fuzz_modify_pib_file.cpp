// modifyPibFile on arbitrary files: [flags][4-byte offset][2-byte count]
// [count patch bytes][file]. Flag bit 0 first gives the file a matching length
// field and a right checksum, so patches get past the checks. Afterwards a
// patched file holds the bytes and verifies (unless the patch rewrote the
// length field); a refused one is unchanged; no temporary file is left behind.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/checksum.h"
#include "core/device_ops/modify_pib_file.h"
#include "firmware/parameter_block.h"
#include "platform/file_ops.h"

using namespace strandline;

namespace {

const std::string& folder() {
  static const std::string path = [] {
    // Memory-backed where there is one: every patch syncs the file.
    char name[] = "/dev/shm/fuzz-modify-pib-XXXXXX";
    char fallback[] = "/tmp/fuzz-modify-pib-XXXXXX";
    std::string made = ::mkdtemp(name) ? name : ::mkdtemp(fallback) ? fallback : "";
    if (made.empty()) __builtin_trap();
    return made;
  }();
  static const bool removedAtExit = [] {
    std::atexit([] {
      ::unlink((path + "/block.pib").c_str());
      ::rmdir(path.c_str());
    });
    return true;
  }();
  (void)removedAtExit;
  return path;
}

std::size_t entries(const std::string& path) {
  std::size_t n = 0;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) __builtin_trap();
  while (dirent* e = ::readdir(dir))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) ++n;
  ::closedir(dir);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  ByteReader r(ByteView(data, size));
  std::uint8_t flags = r.u8();
  std::size_t offset = r.u32le();
  std::size_t count = r.u16le();
  std::size_t available = size - 7;
  Bytes bytes(data + 7, data + 7 + std::min(count, available));
  Bytes file(data + 7 + bytes.size(), data + size);
  bytes.resize(count);  // the source always holds `count` bytes
  if ((flags & 1) && file.size() >= pib::kHeaderLength && file.size() <= 0xFFFF) {
    ByteWriter w(file, pib::kOffsetLength);
    w.u16le(static_cast<std::uint16_t>(file.size()));
    w.seek(pib::kOffsetChecksum);
    w.u32le(0);
    std::uint32_t sum = checksum32(file);
    w.seek(pib::kOffsetChecksum);
    w.u32le(sum);
  }
  const std::string path = folder() + "/block.pib";
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() || std::fclose(out))
    __builtin_trap();

  int result = modifyPibFile(path, offset, bytes.data(), count);
  ReadFileResult after = readWholeFile(systemFileOps(), path, 0x20000);
  if (after.status != ReadFileResult::Status::Ok) __builtin_trap();
  if (result == 0) {
    // A patch may rewrite the length field itself; the block is then no
    // longer sound, which the next check finds.
    bool lengthPatched = offset < pib::kOffsetLength + 2 && offset + count > pib::kOffsetLength;
    if (after.data.size() != file.size() || (!lengthPatched && !pibVerifies(after.data)))
      __builtin_trap();
    for (std::size_t i = 0; i < count; ++i)
      if (offset + i < pib::kOffsetChecksum || offset + i >= pib::kOffsetChecksum + 4)
        if (after.data[offset + i] != bytes[i]) __builtin_trap();
  } else if (after.data != file) {
    __builtin_trap();
  }
  if (entries(folder()) != 1) __builtin_trap();
  return 0;
}
