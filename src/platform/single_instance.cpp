#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace strandline::app {

std::string alreadyRunningText(const std::string& appName) {
  return appName + " is already running.\nOnly one copy can run at a time.";
}

std::string runtimeFolder(std::string& error) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return runtime;
  std::string folder = "/tmp/strandline-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    error = folder + ": " + std::strerror(errno);
    return {};
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    error = folder + " is not a folder of this user";
    return {};
  }
  return folder;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

SingleInstance::Result SingleInstance::acquire(const std::string& folder, std::string& error,
                                               const std::string& program) {
  if (folder.empty()) {
    if (error.empty()) error = "no runtime folder";
    return Result::Unavailable;
  }
  std::string path = folder + "/" + program + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return Result::Unavailable;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int e = errno;
    ::close(fd);
    if (e == EWOULDBLOCK) return Result::AlreadyRunning;
    error = path + ": " + std::strerror(e);
    return Result::Unavailable;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return Result::First;
}

}  // namespace strandline::app
