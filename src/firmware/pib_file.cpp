#include "firmware/pib_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>

#include "base/checksum.h"
#include "firmware/parameter_block.h"

namespace strandline {

namespace {

// The length field is 16 bits wide: a larger file can never match it.
constexpr std::size_t kMaxPibFileSize = std::numeric_limits<std::uint16_t>::max();

bool readBlockFile(const std::string& path, Bytes& out, mode_t& mode) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
            static_cast<std::uint64_t>(st.st_size) <= kMaxPibFileSize;
  if (ok) {
    mode = st.st_mode & 07777;
    // One byte more than the size: a file that grew meanwhile shows as too long.
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t got = 0;
    while (got < out.size()) {
      ssize_t n = ::read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);
  }
  ::close(fd);
  return ok;
}

bool writeAll(int fd, ByteView data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces the file: a temporary beside it ("<file>.tmp-<pid>-<n>", the name
// the stale-temporary sweep knows), written, synced and renamed over it.
bool replaceFile(const std::string& path, ByteView data, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

bool patchPibImage(Bytes& image, std::size_t offset, const std::uint8_t* bytes, std::size_t count) {
  ByteReader r(image, pib::kOffsetLength);
  std::uint16_t length = r.u16le();
  if (!r.ok() || length != image.size() || image.size() < pib::kHeaderLength) return false;
  if (!pibVerifies(image)) return false;
  if (offset >= image.size() || image.size() - offset < count) return false;
  if (count) std::memcpy(image.data() + offset, bytes, count);
  ByteWriter w(image, pib::kOffsetChecksum);
  w.u32le(0);
  std::uint32_t sum = checksum32(image);
  w.seek(pib::kOffsetChecksum);
  w.u32le(sum);
  return true;
}

int modifyPibFile(const std::string& path, std::size_t offset, const std::uint8_t* bytes,
                  std::size_t count) {
  Bytes image;
  mode_t mode = 0600;
  if (!readBlockFile(path, image, mode)) return -1;
  if (!patchPibImage(image, offset, bytes, count)) return -1;
  return replaceFile(path, image, mode) ? 0 : -1;
}

}  // namespace strandline
