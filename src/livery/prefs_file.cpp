#include "livery/prefs_file.h"

#include "platform/file_ops.h"

namespace strandline::livery {

Status loadPrefs(const std::string& path, OemPrefs& prefs) {
  ReadFileResult file = readWholeFile(systemFileOps(), path, kOemPrefsSize);
  switch (file.status) {
    case ReadFileResult::Status::Ok:
      prefs = parseOemPrefs(file.data);
      return {};
    case ReadFileResult::Status::Missing:
      return {};
    case ReadFileResult::Status::Failed:
      break;
  }
  return Status::failure(file.error);
}

Status savePrefs(const std::string& path, const OemPrefs& prefs) {
  Status status = writeOemPrefs(path, prefs);
  if (!status.ok())
    return Status::failure("The preferences could not be saved to " + path + ".\n" +
                           status.message);
  return status;
}

}  // namespace strandline::livery
