// The device names a command shows, read from the device database without
// touching the file.
#pragma once

#include <string>

#include "storage/device_database.h"

namespace strandline::cli {

// The database the window keeps in this data folder.
std::string databaseIn(const std::string& folder);

// The known devices of the database at path: empty when there is none; a
// damaged one is said on stderr and gives no names.
KnownDeviceTable readKnownNames(const std::string& path);

}  // namespace strandline::cli
