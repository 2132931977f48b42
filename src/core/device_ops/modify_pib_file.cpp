#include "core/device_ops/modify_pib_file.h"

#include <sys/stat.h>

#include <limits>

#include "firmware/pib_file.h"
#include "platform/file_ops.h"

namespace strandline {

int modifyPibFile(const std::string& path, std::size_t offset, const std::uint8_t* bytes,
                  std::size_t count) {
  // The length field is 16 bits wide: a file read one byte past that limit
  // can never match it and is refused.
  constexpr std::size_t kMaxPibFileSize = std::numeric_limits<std::uint16_t>::max();
  FileOps& ops = systemFileOps();
  ReadFileResult file = readWholeFile(ops, path, kMaxPibFileSize + 1);
  if (file.status != ReadFileResult::Status::Ok) return -1;
  if (!patchPibImage(file.data, offset, bytes, count)) return -1;
  struct stat st {};
  mode_t mode = ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0600;
  return writeFileAtomically(ops, path, file.data, mode).ok() ? 0 : -1;
}

}  // namespace strandline
