#include "core/device_ops/tool_report.h"

#include <cstdio>
#include <cstring>

#include "protocol/device_tool_frames.h"
#include "protocol/tool_status_text.h"

namespace strandline {

namespace {

std::string sourceOf(ByteView frame) {
  ByteReader r(frame, kOffsetSource);
  MacAddress mac = r.array<6>();
  return macToText(mac);
}

std::string systemText(int errorNumber) {
  char buffer[128];
  // The GNU form: returns the text, which need not be in buffer.
  return strerror_r(errorNumber, buffer, sizeof buffer);
}

}  // namespace

std::string toolTitleLine(const std::string& ifName, const MacAddress& peer,
                          std::string_view text) {
  return ifName + " " + macToText(peer) + " " + std::string(text) + "\n";
}

std::string toolProgressLine(const std::string& ifName, ByteView confirm, std::string_view text) {
  return ifName + " " + sourceOf(confirm) + " " + std::string(text) + "\n";
}

std::string toolFailureLine(const std::string& ifName, ByteView confirm, std::string_view text) {
  std::string status;
  if (std::uint8_t code = toolConfirmStatus(confirm)) {
    ByteReader r(confirm, kAvOffsetType);
    std::uint16_t type = r.u16le();
    char field[16];
    std::snprintf(field, sizeof field, " (0x%02X): ", code);
    status = std::string(mmeStatusText(type, code)) + field;
  }
  return ifName + " " + sourceOf(confirm) + " " + status + std::string(text) + "\n";
}

std::string toolErrorLine(int errorNumber, std::string_view text) {
  if (errorNumber == 0) return toolErrorLine(std::string_view{}, text);
  return toolErrorLine(systemText(errorNumber), text);
}

std::string toolErrorLine(std::string_view reason, std::string_view text) {
  std::string line(kToolProgramName);
  line += ": ";
  if (!reason.empty()) {
    line += reason;
    line += ": ";
  }
  line += text;
  line += "\n";
  return line;
}

std::string baseName(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace strandline
