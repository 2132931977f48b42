// File access for the stored files, behind a small interface so that tests can
// make any step fail (a full disk after N bytes, a failing fsync or rename).
//
// Files are read whole and replaced whole: a new version is written to a
// temporary file in the same folder, synced and renamed over the old one, so a
// crash or a full disk leaves either the old file or the new one, never a
// half-written file.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>

#include "base/bytes.h"
#include "base/status.h"

namespace strandline {

class FileOps {
 public:
  virtual ~FileOps() = default;
  // The system calls of the same names; -1 and errno on failure.
  virtual int open(const char* path, int flags, mode_t mode);
  virtual ssize_t read(int fd, void* buffer, std::size_t n);
  virtual ssize_t write(int fd, const void* data, std::size_t n);
  virtual int fchmod(int fd, mode_t mode);
  virtual int fsync(int fd);
  virtual int close(int fd);
  virtual int rename(const char* from, const char* to);
  virtual int unlink(const char* path);
  virtual int mkdir(const char* path, mode_t mode);
  virtual int chmod(const char* path, mode_t mode);
  virtual int stat(const char* path, struct stat* st);  // follows symbolic links
  virtual int fstat(int fd, struct stat* st);
  virtual ssize_t readlink(const char* path, char* buffer, std::size_t size);
  virtual int flock(int fd, int operation);
  virtual bool exists(const char* path);
};

// The real file system.
FileOps& systemFileOps();

struct ReadFileResult {
  enum class Status { Ok, Missing, Failed };
  Status status = Status::Missing;
  Bytes data;          // at most the requested number of bytes
  std::string error;   // for Failed: "cannot read <path>: <reason>"
  std::string reason;  // for Failed: the system's reason, or what is there instead of a file
};

// Reads the file, at most maxBytes of it. A file that does not exist is Missing.
// Only a regular file (or a link to one) is read: anything else (a folder, a
// FIFO, a device) Fails at once, without being opened.
ReadFileResult readWholeFile(FileOps& ops, const std::string& path, std::size_t maxBytes);

// The file that path leads to: the symbolic links at its end followed (a
// relative link from the link's own folder), the folders left as written. A
// dangling link gives the missing file it points to. Fails on a loop.
struct ResolvedPath {
  std::string path;
  std::string error;  // the system's reason, when it failed
};
ResolvedPath resolveLinks(FileOps& ops, const std::string& path);

// Replaces the file with data: temporary file with the given mode, write,
// fsync, rename over the old file. On failure the old file is untouched and
// the temporary file removed. When path is a symbolic link, the file it leads
// to is replaced and the link stays.
Status writeFileAtomically(FileOps& ops, const std::string& path, ByteView data,
                           mode_t mode = 0600);

// Removes the temporary files that writers of path left behind when they
// were killed (those whose process is gone). Returns how many were removed.
int removeStaleTemporaries(const std::string& path);

// Renames a damaged file out of the way: "<path>.<YYYYmmdd-HHMMSS>.damaged"
// (with "-2", "-3", ... before ".damaged" if that name is taken). A link at
// path is renamed itself: give the path resolveLinks found to move the file.
// Returns the new name, or an error.
struct KeepAsideResult {
  std::string path;
  std::string error;
};
KeepAsideResult keepAside(FileOps& ops, const std::string& path, std::time_t now);

// An exclusive advisory lock (flock) on the file "<path>.lock", taken by the
// constructor, which waits while another process or thread holds it, and
// released by the destructor. It serialises the programs that read, change
// and replace one file, for as long as that takes. The lock file (owner
// read/write; a link in its place is not followed) stays: were it removed, a
// waiter could lock a file that no longer has the name while a newcomer locks
// a new one.
class FileLock {
 public:
  FileLock(FileOps& ops, const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Why the lock could not be taken (the lock file cannot be made, say).
  const Status& status() const { return status_; }

 private:
  FileOps& ops_;
  int fd_ = -1;
  Status status_;
};

// Creates the folder and any missing parents (mode 0700 for new ones).
Status makeFolders(FileOps& ops, const std::string& path);

// makeFolders, and when the folder itself already existed with rights for
// others, narrows it to its owner as a new one is made (the folders above it
// are left as they are). A folder the user does not own stays as it is.
Status makePrivateFolder(FileOps& ops, const std::string& path);

}  // namespace strandline
