// The OEM preferences file "OEMPrefs.dat": branding and tuning of the utility,
// written by the editor Livery and read once at start-up.
//
// One layout for both programs: 309 bytes, little-endian, no header. A missing
// file gives the defaults; a short file gives zero for every field it does not
// reach.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "platform/file_ops.h"

namespace strandline {

inline constexpr std::size_t kOemPrefsSize = 309;
inline constexpr const char* kOemPrefsFileName = "OEMPrefs.dat";
inline constexpr const char* kDefaultAppName = "Strandline Utility";
inline constexpr const char* kDefaultWebAddress = "https://strandline.example.org";
inline constexpr const char* kDefaultCopyright = "Copyright (C) the Strandline developers";

// Text field widths; the stored text is at most one less.
inline constexpr std::size_t kWebAddressWidth = 64;
inline constexpr std::size_t kAppNameWidth = 64;
inline constexpr std::size_t kVendorNameWidth = 64;
inline constexpr std::size_t kCopyrightWidth = 80;

struct OemPrefs {
  std::int32_t scanInterval = 0;
  std::int16_t qualityType = 0;
  std::int32_t color = 0;
  std::int16_t iconSize = 0;
  std::int16_t diagnosticsLevel = 0;
  std::int16_t showOnlyActive = 0;
  std::int16_t autoScan = 0;
  std::int16_t smLogoLeft = 0;
  std::int16_t smLogoTop = 0;
  std::int16_t lgLogoLeft = 0;
  std::int16_t lgLogoTop = 0;
  std::int16_t showRate = 0;
  std::int16_t showQuality = 0;
  std::int16_t ampm = 0;
  std::int16_t upgradeCapability = 0;
  std::string webAddress;
  std::string appName;
  std::array<std::uint8_t, 3> oui{};
  std::string vendorName;
  std::string copyright;

  bool operator==(const OemPrefs&) const = default;
};

// The values used when there is no file.
OemPrefs defaultOemPrefs();

// Reads the fields in file order; those beyond the end of the data stay zero.
// Text fields end at their first NUL and hold at most width - 1 characters.
OemPrefs parseOemPrefs(ByteView data);
// The 309-byte file image; texts are cut to width - 1 and NUL-padded.
Bytes serializeOemPrefs(const OemPrefs& prefs);

// The record as the utility uses it.
struct OemSettings {
  OemPrefs prefs;
  bool fromFile = false;           // false: the defaults
  bool gridLines = false;          // iconSize is 0
  std::int16_t timerInterval = 1;  // the low 16 bits of scanInterval, signed
  std::string problem;             // a file that exists but could not be read
};

// Reads the file at path (defaults when it cannot be opened), raises a
// scanInterval below 1 to 1 and derives the grid-lines flag and timer value.
OemSettings readOemPrefs(const std::string& path, FileOps& ops = systemFileOps());

// Replaces the file with the 309-byte image of prefs.
Status writeOemPrefs(const std::string& path, const OemPrefs& prefs,
                     FileOps& ops = systemFileOps());

// The first of <working directory>/name and <installed share folder>/name that
// exists; the working-directory path when neither does.
std::string findShippedFile(const std::string& name);

}  // namespace strandline
