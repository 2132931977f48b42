// The data folder: where the program keeps the files it writes (the device
// database, parameter blocks, logs).
#pragma once

#include <optional>
#include <string>

#include "platform/file_ops.h"
#include "platform/prompter.h"

namespace strandline {

// $XDG_DATA_HOME/SLU when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/SLU.
std::string defaultDataFolder();

struct DataFolderChoice {
  std::string folder;
  std::optional<Notice> notice;  // for the user, when the fallback was taken
};

// The data folder, created if missing and made private to its owner (mode
// 0700) if it was not. When it cannot be created, ~/.SLU is used instead and
// the notice says so.
DataFolderChoice chooseDataFolder(FileOps& ops = systemFileOps());

}  // namespace strandline
