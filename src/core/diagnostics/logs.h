// The two support logs in the data folder: the scan log (a snapshot of the
// card table and the station tables after every scan, at diagnostics level 20
// or more) and the frame log (suspicious local-parameter images read from
// HomePlug 1.0 adapters), a rolling file named after the application.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "base/status.h"
#include "core/program_context.h"
#include "platform/file_ops.h"

namespace strandline {

inline constexpr const char* kScanLogName = "scan.log";
inline constexpr const char* kPrintedReportName = "diagnostics.txt";
inline constexpr std::size_t kFrameLogKeptLines = 20;

// The scan log's first lines: the time, then the column heads.
std::string scanLogHead(std::time_t now);
// One snapshot: every card of the table (numbered from 0) with its adapter's
// presence and, when present, its stations' MAC, valid word and misses left.
std::string scanLogEntry(const ProgramContext& ctx);

// The scan log file, kept open between scans while keepOpen is passed.
class ScanLog {
 public:
  explicit ScanLog(std::string path, FileOps& ops = systemFileOps());
  ~ScanLog();
  ScanLog(const ScanLog&) = delete;
  ScanLog& operator=(const ScanLog&) = delete;
  // The first write of a run empties the file and writes its head.
  Status write(const ProgramContext& ctx, std::time_t now, bool keepOpen = true);

 private:
  std::string path_;
  FileOps& ops_;
  int fd_ = -1;
};

// Tags of the frame log's entries: 0 an EEPROM image, 1 a RAM image, 2 an
// image read back after a HomePlug 1.0 key was set that did not show it.
enum class FrameLogKind { Eeprom = 0, Ram = 1, SetKey = 2 };
std::string frameLogTag(FrameLogKind kind);

// The frame log's next text: at most the last 20 lines of the old text (read
// as at most 50 lines of at most 199 characters, and starting at an entry's
// first line when there is one), then the new entry: "Time <calendar time>",
// an empty line, and the tag followed by " %.2x" for each byte.
std::string rollFrameLog(std::string_view oldText, std::string_view tag, ByteView bytes,
                         std::time_t now);
// Adds an entry to the frame log at path, replacing the file whole.
Status writeFrameLog(const std::string& path, std::string_view tag, ByteView bytes, std::time_t now,
                     FileOps& ops = systemFileOps());
// "<folder>/<appName>.log"; a '/' in the application name becomes '_'.
std::string frameLogPath(const std::string& folder, const std::string& appName);

// Points the context's scan-log and frame-log hooks at files in the folder.
void installLogHooks(ProgramContext& ctx, const std::string& folder, const std::string& appName);

}  // namespace strandline
