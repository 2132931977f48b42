#include "core/diagnostics/logs.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/diagnostics/report.h"

namespace strandline {

namespace {

constexpr std::size_t kFrameLogReadLines = 50;
constexpr std::size_t kFrameLogLineWidth = 199;

ByteView bytesOf(std::string_view text) {
  return ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

std::string scanLogHead(std::time_t now) {
  return calendarText(now) + "\tdevice\t\t\tpresent\tmissesTillDrop\n\n";
}

std::string scanLogEntry(const ProgramContext& ctx) {
  std::string text;
  char line[128];
  for (int card = 0; card < ctx.cards.count && card < kMaxCards; ++card) {
    const auto index = static_cast<std::size_t>(card);
    const LocalAdapter& adapter = ctx.adapters[index];
    std::snprintf(line, sizeof line, "NIC #%d:\t%s\tPresent=%d\n", card,
                  macToText(ctx.cards.cards[index].mac).c_str(), static_cast<int>(adapter.present));
    text += line;
    if (!adapter.present) continue;
    for (const StationRecord& station : ctx.networks[index].stations) {
      if (!macIsSet(station.mac.data())) continue;
      std::snprintf(line, sizeof line, "\t%s\t%d\t%d\n", macToText(station.mac).c_str(),
                    static_cast<int>(station.valid), static_cast<int>(station.missesLeft));
      text += line;
    }
  }
  return text + "\n";
}

ScanLog::ScanLog(std::string path, FileOps& ops) : path_(std::move(path)), ops_(ops) {}

ScanLog::~ScanLog() {
  if (fd_ >= 0) ops_.close(fd_);
}

Status ScanLog::write(const ProgramContext& ctx, std::time_t now, bool keepOpen) {
  std::string text;
  if (fd_ < 0) {
    fd_ = ops_.open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return Status::failure("cannot create " + path_ + ": " + std::strerror(errno));
    ops_.fchmod(fd_, 0600);
    text = scanLogHead(now);
  }
  text += scanLogEntry(ctx);
  Status status;
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = ops_.write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      status = Status::failure("cannot write " + path_ + ": " + std::strerror(errno));
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (!keepOpen || !status.ok()) {
    ops_.close(fd_);
    fd_ = -1;
  }
  return status;
}

std::string frameLogTag(FrameLogKind kind) {
  switch (kind) {
    case FrameLogKind::Eeprom:
      return "**EEPROM**";
    case FrameLogKind::Ram:
      return "** RAM  **";
    case FrameLogKind::SetKey:
      break;
  }
  return "**SETNEK**";
}

std::string rollFrameLog(std::string_view oldText, std::string_view tag, ByteView bytes,
                         std::time_t now) {
  std::vector<std::string_view> lines;
  while (!oldText.empty() && lines.size() < kFrameLogReadLines) {
    std::size_t end = oldText.find('\n');
    std::string_view line = oldText.substr(0, end);
    lines.push_back(line.substr(0, kFrameLogLineWidth));
    oldText = end == std::string_view::npos ? std::string_view() : oldText.substr(end + 1);
  }
  // Only whole entries are kept: the newest old lines up to the limit, from
  // the first entry head among them.
  std::size_t first = lines.size() > kFrameLogKeptLines ? lines.size() - kFrameLogKeptLines : 0;
  if (first > 0) {
    auto head = std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end(),
                             [](std::string_view l) { return l.starts_with("Time "); });
    if (head != lines.end()) first = static_cast<std::size_t>(head - lines.begin());
  }
  std::string text;
  for (std::size_t i = first; i < lines.size(); ++i) {
    text.append(lines[i]);
    text += '\n';
  }
  text += "Time " + calendarText(now) + "\n";
  text.append(tag);
  char hex[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, " %.2x", b);
    text += hex;
  }
  return text + "\n";
}

Status writeFrameLog(const std::string& path, std::string_view tag, ByteView bytes, std::time_t now,
                     FileOps& ops) {
  ReadFileResult old = readWholeFile(ops, path, kFrameLogReadLines * (kFrameLogLineWidth + 1) * 4);
  if (old.status == ReadFileResult::Status::Failed) return Status::failure(old.error);
  std::string_view oldText(reinterpret_cast<const char*>(old.data.data()), old.data.size());
  std::string text = rollFrameLog(oldText, tag, bytes, now);
  return writeFileAtomically(ops, path, bytesOf(text), 0600);
}

std::string frameLogPath(const std::string& folder, const std::string& appName) {
  std::string name = appName;
  std::replace(name.begin(), name.end(), '/', '_');
  return folder + "/" + name + ".log";
}

void installLogHooks(ProgramContext& ctx, const std::string& folder, const std::string& appName) {
  auto scanLog = std::make_shared<ScanLog>(folder + "/" + kScanLogName);
  ProgramContext* c = &ctx;
  ctx.hooks.writeScanLog = [scanLog, c] { scanLog->write(*c, c->clock.wallSeconds()); };
  std::string framePath = frameLogPath(folder, appName);
  ctx.hooks.writeFrameLog = [framePath, c](ByteView params, bool ramCopy) {
    writeFrameLog(framePath, frameLogTag(ramCopy ? FrameLogKind::Ram : FrameLogKind::Eeprom),
                  params, c->clock.wallSeconds());
  };
  ctx.hooks.writeTaggedFrameLog = [framePath, c](const std::string& tag, ByteView frame) {
    writeFrameLog(framePath, tag, frame, c->clock.wallSeconds());
  };
}

}  // namespace strandline
