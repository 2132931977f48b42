// The program's start: options, the OEM preferences, the single-instance
// check, then the sheet.
#pragma once

#include <string>
#include <vector>

#include "storage/oem_prefs.h"
#include "ui/window_engine.h"

namespace strandline::ui {

inline constexpr const char* kUsage =
    "usage: strandline [--simulate [FILE]] [--interface IF]... [--size WIDTHxHEIGHT]\n"
    "                  [--screenshot FILE] [--probe-stall SECONDS] [--help] [--version]\n";

struct EntryOptions {
  WindowOptions window;
  std::string oemPrefsPath;    // empty: OEMPrefs.dat in the working or share folder
  std::string screenshotPath;  // take a picture of the window after the first scan, then quit
  int probeStallSeconds = 0;   // measure the event loop's longest stall, print it, quit
  int quitAfterMs = 0;         // close the window after this long (tests, demos)
  int width = 0, height = 0;   // the window's opening size; 0: its default size
};

// "strandline 1.2.3".
std::string versionLine();

// The data folder's subfolder that a window on a simulated network uses
// (persistent: the names typed in a demo stay for the next one).
inline constexpr const char* kDemoSubfolder = "demo";

// Parses the command line once --help and --version have been answered;
// false (with a message and the usage) on a bad option.
bool parseEntryOptions(const std::vector<std::string>& args, EntryOptions& options,
                       std::string& error);
// The path of the running program (/proc/self/exe).
std::string runningProgramPath();
// The network file of --simulate without a file: networks/home.json of the
// share folder beside the program's bin folder, else of the configured share
// folder, else sim/networks/home.json of the source tree (first for a program
// that lies in its build tree), else that path in the working directory.
std::string defaultNetworkFile(const std::string& programPath = runningProgramPath());

// Runs the program in the running QApplication; returns its exit code.
int entryPoint(const EntryOptions& options);

}  // namespace strandline::ui
