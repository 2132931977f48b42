// One running copy per user: the first copy holds an exclusive lock on a file
// in the user's runtime folder for as long as it runs; the system drops the
// lock when the process ends, however it ends.
#pragma once

#include <string>

namespace strandline::app {

inline constexpr const char* kAlreadyRunningFormat =
    "%s is already running.\nOnly one copy can run at a time.";
inline constexpr const char* kAlreadyRunningCaption = "Attention!";

std::string alreadyRunningText(const std::string& appName);

// $XDG_RUNTIME_DIR when it is an absolute path, else /tmp/strandline-UID
// (created owner-only; refused when it exists and is not ours).
std::string runtimeFolder(std::string& error);

class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Result { First, AlreadyRunning, Unavailable };
  // Takes the lock "<folder>/<program>.lock". Unavailable: the lock file
  // could not be made (error says why); the caller may run anyway.
  Result acquire(const std::string& folder, std::string& error,
                 const std::string& program = "strandline");

 private:
  int fd_ = -1;
};

}  // namespace strandline::app
