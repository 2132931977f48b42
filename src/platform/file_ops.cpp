#include "platform/file_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace strandline {

int FileOps::open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t FileOps::read(int fd, void* buffer, std::size_t n) {
  return ::read(fd, buffer, n);
}
ssize_t FileOps::write(int fd, const void* data, std::size_t n) {
  return ::write(fd, data, n);
}
int FileOps::fchmod(int fd, mode_t mode) {
  return ::fchmod(fd, mode);
}
int FileOps::fsync(int fd) {
  return ::fsync(fd);
}
int FileOps::close(int fd) {
  return ::close(fd);
}
int FileOps::rename(const char* from, const char* to) {
  return ::rename(from, to);
}
int FileOps::unlink(const char* path) {
  return ::unlink(path);
}
int FileOps::mkdir(const char* path, mode_t mode) {
  return ::mkdir(path, mode);
}
int FileOps::chmod(const char* path, mode_t mode) {
  return ::chmod(path, mode);
}
int FileOps::stat(const char* path, struct stat* st) {
  return ::stat(path, st);
}
int FileOps::fstat(int fd, struct stat* st) {
  return ::fstat(fd, st);
}
ssize_t FileOps::readlink(const char* path, char* buffer, std::size_t size) {
  return ::readlink(path, buffer, size);
}
int FileOps::flock(int fd, int operation) {
  return ::flock(fd, operation);
}
bool FileOps::exists(const char* path) {
  struct stat st;
  return ::lstat(path, &st) == 0;
}

FileOps& systemFileOps() {
  static FileOps ops;
  return ops;
}

static std::string failureText(const char* what, const std::string& path, int error) {
  return std::string(what) + " " + path + ": " + std::strerror(error);
}

// What a path holds when it is not a regular file.
static const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "something else";
}

static ReadFileResult readFailure(const std::string& path, std::string reason) {
  ReadFileResult result;
  result.status = ReadFileResult::Status::Failed;
  result.error = "cannot read " + path + ": " + reason;
  result.reason = std::move(reason);
  return result;
}

ReadFileResult readWholeFile(FileOps& ops, const std::string& path, std::size_t maxBytes) {
  ReadFileResult result;
  // Looked at before opening: opening a FIFO waits for a writer, and opening a
  // device may act on it.
  struct stat st;
  if (ops.stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return result;
    return readFailure(path, std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode))
    return readFailure(path, std::string("not a regular file but ") + kindOf(st.st_mode));
  // Non-blocking in case something else was put there meanwhile; checked again.
  int fd = ops.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  if (fd < 0) {
    if (errno == ENOENT) return result;
    return readFailure(path, std::strerror(errno));
  }
  if (ops.fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ops.close(fd);
    return readFailure(path, "not a regular file");
  }
  // Grows by chunks: maxBytes is a limit, not a size to allocate up front.
  constexpr std::size_t kChunk = 256 * 1024;
  std::size_t got = 0;
  while (got < maxBytes) {
    result.data.resize(std::min(maxBytes, got + kChunk));
    ssize_t n = ops.read(fd, result.data.data() + got, result.data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ops.close(fd);
      return readFailure(path, std::strerror(error));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ops.close(fd);
  result.data.resize(got);
  result.status = ReadFileResult::Status::Ok;
  return result;
}

static std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

static bool writeAll(FileOps& ops, int fd, ByteView data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ops.write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Opens a new temporary file beside path, exclusively, with the given mode.
// Writers on any thread draw their numbers from one counter.
static int openTemporary(FileOps& ops, const std::string& path, mode_t mode, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned number = counter.fetch_add(1, std::memory_order_relaxed);
    temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(number);
    int fd = ops.open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

static void syncFolder(FileOps& ops, const std::string& folder) {
  // Makes the rename itself durable; the new file is complete either way.
  int fd = ops.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) return;
  ops.fsync(fd);
  ops.close(fd);
}

ResolvedPath resolveLinks(FileOps& ops, const std::string& path) {
  std::string current = path;
  // The system's own limit on links followed in one lookup.
  for (int hops = 0; hops < 40; ++hops) {
    char target[PATH_MAX];
    ssize_t n = ops.readlink(current.c_str(), target, sizeof target);
    // Not a link (EINVAL), or nothing there: this is the file. Other errors
    // are the next step's to report.
    if (n < 0) return {current, ""};
    if (static_cast<std::size_t>(n) >= sizeof target) return {"", std::strerror(ENAMETOOLONG)};
    std::string next(target, static_cast<std::size_t>(n));
    current = next.starts_with('/') ? next : folderOf(current) + "/" + next;
  }
  return {"", std::strerror(ELOOP)};
}

Status writeFileAtomically(FileOps& ops, const std::string& givenPath, ByteView data, mode_t mode) {
  ResolvedPath resolved = resolveLinks(ops, givenPath);
  if (!resolved.error.empty())
    return Status::failure("cannot replace " + givenPath + ": " + resolved.error);
  const std::string& path = resolved.path;
  // The messages name the file being replaced and the system's reason; the
  // temporary file is a detail of how.
  std::string temp;
  int fd = openTemporary(ops, path, mode, temp);
  if (fd < 0) return Status::failure(failureText("cannot create a file in", folderOf(path), errno));

  const char* step = nullptr;
  // The mode given at creation is narrowed by the umask; set it exactly.
  if (ops.fchmod(fd, mode) != 0)
    step = "cannot set the mode of";
  else if (!writeAll(ops, fd, data))
    step = "cannot write";
  else if (ops.fsync(fd) != 0)
    step = "cannot sync";
  int error = errno;
  if (ops.close(fd) != 0 && !step) {
    step = "cannot close";
    error = errno;
  }
  if (!step && ops.rename(temp.c_str(), path.c_str()) != 0) {
    step = "cannot replace";
    error = errno;
  }
  if (step) {
    ops.unlink(temp.c_str());
    return Status::failure(failureText(step, path, error));
  }
  syncFolder(ops, folderOf(path));
  return {};
}

int removeStaleTemporaries(const std::string& path) {
  std::string folder = folderOf(path);
  std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp-";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    // "<file>.tmp-<pid>-<n>": only a writer that no longer runs has left it.
    long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    if (::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

KeepAsideResult keepAside(FileOps& ops, const std::string& path, std::time_t now) {
  char stamp[32];
  struct tm parts;
  gmtime_r(&now, &parts);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
  std::string base = path + "." + stamp;
  std::string target = base + ".damaged";
  for (int n = 2; ops.exists(target.c_str()); ++n) {
    if (n > 1000) return {"", "no free name to keep " + path + " aside"};
    target = base + "-" + std::to_string(n) + ".damaged";
  }
  if (ops.rename(path.c_str(), target.c_str()) != 0)
    return {"", failureText("cannot keep aside", path, errno)};
  return {target, ""};
}

FileLock::FileLock(FileOps& ops, const std::string& path) : ops_(ops) {
  std::string lockPath = path + ".lock";
  fd_ = ops.open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    status_ = Status::failure(failureText("cannot create a file in", folderOf(path), errno));
    return;
  }
  int locked;
  do {
    locked = ops.flock(fd_, LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    status_ = Status::failure(failureText("cannot lock", lockPath, errno));
    ops.close(fd_);
    fd_ = -1;
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ops_.close(fd_);  // closing releases the lock
}

Status makeFolders(FileOps& ops, const std::string& path) {
  if (path.empty()) return Status::failure("no folder given");
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    std::string prefix = path.substr(0, pos);
    if (ops.mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
      return Status::failure(failureText("cannot create folder", prefix, errno));
  }
  return {};
}

Status makePrivateFolder(FileOps& ops, const std::string& path) {
  if (Status made = makeFolders(ops, path); !made.ok()) return made;
  struct stat st;
  if (ops.stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0)
    ops.chmod(path.c_str(), st.st_mode & 0700);
  return {};
}

}  // namespace strandline
