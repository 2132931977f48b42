// Livery's reading and writing of the preferences file.
#pragma once

#include <string>

#include "base/status.h"
#include "storage/oem_prefs.h"

namespace strandline::livery {

// Reads the file into prefs, every field in file order (zero beyond the end
// of a short file). A missing file leaves prefs as it is and is no failure; a
// file that exists but cannot be read leaves prefs alone and says why.
Status loadPrefs(const std::string& path, OemPrefs& prefs);

// Replaces the file whole with the 309-byte image of prefs (temporary file in
// the same folder, synced, renamed), so a crash leaves the old file or the
// new one. On failure the message names the file and the reason.
Status savePrefs(const std::string& path, const OemPrefs& prefs);

}  // namespace strandline::livery
