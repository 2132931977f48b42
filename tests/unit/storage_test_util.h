// Helpers of the storage tests: a scratch folder and a file system that fails
// on demand.
#pragma once

#include <fcntl.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "platform/file_ops.h"

namespace strandline::test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strandline-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries of the folder, sorted.
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline void writeBytes(const std::string& path, ByteView data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

inline Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The real file system, except that writes stop with ENOSPC after failAfter
// bytes, come back short, or a chosen step fails. Opening a file for reading
// or reading fails with the errno given (tests run as root, who may read
// anything).
class FailingFileOps : public FileOps {
 public:
  std::size_t failAfter = SIZE_MAX;
  std::size_t maxChunk = SIZE_MAX;  // a write takes at most this many bytes
  bool failFchmod = false, failFsync = false, failClose = false, failRename = false;
  int failOpenForReading = 0, failRead = 0;
  std::size_t written = 0;

  int open(const char* path, int flags, mode_t mode) override {
    if (failOpenForReading && (flags & O_ACCMODE) == O_RDONLY && !(flags & O_DIRECTORY)) {
      errno = failOpenForReading;
      return -1;
    }
    return FileOps::open(path, flags, mode);
  }
  ssize_t read(int fd, void* buffer, std::size_t n) override {
    return failRead ? (errno = failRead, -1) : FileOps::read(fd, buffer, n);
  }
  ssize_t write(int fd, const void* data, std::size_t n) override {
    if (written >= failAfter) {
      errno = ENOSPC;
      return -1;
    }
    n = std::min({n, failAfter - written, maxChunk});
    ssize_t done = FileOps::write(fd, data, n);
    if (done > 0) written += static_cast<std::size_t>(done);
    return done;
  }
  int fchmod(int fd, mode_t mode) override {
    return failFchmod ? (errno = EPERM, -1) : FileOps::fchmod(fd, mode);
  }
  int fsync(int fd) override { return failFsync ? (errno = EIO, -1) : FileOps::fsync(fd); }
  int close(int fd) override {
    int r = FileOps::close(fd);  // the descriptor is closed even when the close fails
    return failClose ? (errno = EIO, -1) : r;
  }
  int rename(const char* from, const char* to) override {
    return failRename ? (errno = EXDEV, -1) : FileOps::rename(from, to);
  }
};

}  // namespace strandline::test
