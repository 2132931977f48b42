// The diagnostics report: the host and its adapters, then every remote device
// the selected card has seen and the device database knows. One writer builds
// it line by line into a sink: the Diagnostics page's two lists, or the text
// of a report file.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "core/program_context.h"
#include "platform/file_ops.h"
#include "platform/host_info.h"
#include "storage/oem_prefs.h"
#include "storage/oui_list.h"

namespace strandline {

// Where the writer's lines go.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // A new line (a new row) that begins with this text.
  virtual void startLine(std::string_view text) = 0;
  // The next field (column) of the current line.
  virtual void addField(std::string_view text) = 0;
  // Text that only a report file has (the devices part's headings, blank lines).
  virtual void fileText(std::string_view) {}
  // The devices part begins: a list sink moves on to its second, emptied list.
  virtual void beginDevices() {}
};

// The report file's text: "\n<text>" for a line, "\t<text>" for a field.
class TextSink final : public ReportSink {
 public:
  void startLine(std::string_view line) override;
  void addField(std::string_view field) override;
  void fileText(std::string_view more) override { text.append(more); }
  std::string text;
};

// The rows of the Diagnostics page: the host part goes to `system` (one
// column), the devices part to `devices` (one cell per column).
class ListSink final : public ReportSink {
 public:
  void startLine(std::string_view line) override;
  void addField(std::string_view field) override;
  void beginDevices() override;
  std::vector<std::vector<std::string>> system, devices;

 private:
  std::vector<std::vector<std::string>>* current_ = &system;
};

// Everything the report shows, copied from the program's state.
struct ReportFacts {
  std::int32_t cardCount = 0;
  std::int32_t currentCard = 0;
  std::array<AdapterNetwork, kMaxCards> networks{};
  std::array<LocalAdapter, kMaxCards> adapters{};
  BoostState boost;
  KnownDeviceTable known;
  OemPrefs prefs;
  OuiList oui;
  HostInfo host;
};

// The program's part of the facts (cards, adapters, stations, Boost texts,
// known devices); the caller adds the preferences, the OUI list and the host.
void takeProgramFacts(const ProgramContext& ctx, ReportFacts& facts);

// Column titles and widths of the page's two lists.
struct ListColumn {
  const char* title;
  int width;
};
inline constexpr ListColumn kSystemColumn{"System Information", 520};
inline constexpr std::array<ListColumn, 14> kDeviceColumns{{{"Device", 80},
                                                            {"MAC Address", 110},
                                                            {"Password", 120},
                                                            {"Rate(Tx/Rx)", 90},
                                                            {"Network", 70},
                                                            {"Last Seen", 100},
                                                            {"Vendor", 80},
                                                            {"Firmware", 120},
                                                            {"Sent", 45},
                                                            {"Misses", 45},
                                                            {"Drops", 45},
                                                            {"Fails", 45},
                                                            {"Hi Rate", 50},
                                                            {"Low Rate", 60}}};

inline constexpr const char* kNoPasswordEntered = "--- not entered ---";
inline constexpr const char* kReportErrorText = "Unknown error occured";
inline constexpr const char* kReportErrorCaption = "updateDiagnosticsList";

// "Released: June 13, 2011".
std::string releaseText();
// "v6.0.0.0, Build 0004".
std::string versionText();
// The last-seen form of a time in local time: "Jun 13 22:20", or with ampm
// the hour taken modulo 12 when 13 or more and "AM" (hour 12 or less) or "PM"
// appended.
std::string lastSeenText(std::time_t when, bool ampm);
// The 24-character calendar form of a local time with its newline.
std::string calendarText(std::time_t when);

// The body of the report: the host part, then the devices part. A failure
// while it is built ends it where it is and gives kReportErrorText.
Status updateDiagnosticsList(const ReportFacts& facts, ReportSink& sink);

// The whole report file: its head, then the body.
std::string diagnosticsReport(const ReportFacts& facts, std::time_t now);

// Writes the report to path (owner read/write only), replacing the file whole.
Status writeDiagnosticsReport(const std::string& path, const ReportFacts& facts, std::time_t now,
                              FileOps& ops = systemFileOps());

}  // namespace strandline
