// The Diagnostics page's actions that run on the engine thread: the facts the
// report is built from, and deleting devices from the history.
#pragma once

#include <string>
#include <vector>

#include "app/main_page_model.h"
#include "core/diagnostics/report.h"

namespace strandline::app {

inline constexpr const char* kDeletePasswordQuestion =
    "A Password for this device has been entered. \nAre you sure you want to delete it?";
inline constexpr const char* kSelectDeviceFirst = "Please select a device first by clicking on it.";
inline constexpr const char* kDiagnosticsCaption = "Attention!";
inline constexpr const char* kNoPrinterText =
    "Before you can perform printer-related tasks such as page setup or printing a document, you "
    "need to install a printer.";

// The report's facts: the context's state, the preferences, the OUI list and
// this computer.
ReportFacts reportFacts(const ProgramContext& ctx, const OemPrefs& prefs, const OuiList& oui);

// Deletes the known devices with these MAC texts, each with its station
// record (so the remote list drops its row), asking first for one that holds
// a password (only Yes deletes it); then saves the database. With no MAC the
// user is asked to select a device first, and the database is saved all the
// same. Returns how many were deleted.
int deleteDevices(ProgramContext& ctx, MainPageState& state, const std::vector<std::string>& macs);

// The data folder the window's database lives in.
std::string dataFolderOf(const MainPageState& state);

}  // namespace strandline::app
