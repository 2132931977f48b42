#include "core/device_ops/tool_session.h"

#include <ostream>

#include "core/device_ops/tool_report.h"
#include "protocol/device_tool_frames.h"

namespace strandline {

ToolSession::ToolSession(Clock& clockPort, std::ostream& reportStream)
    : clock(clockPort), report(reportStream) {}

int ToolSession::send() {
  return sendToolFrame(channel, buffer.data(), messageLength);
}

int ToolSession::receive(std::uint16_t confirmType) {
  for (;;) {
    int n = readToolFrame(channel, buffer.data(), buffer.size());
    messageLength = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (n <= 0 || isToolConfirm(frame(), confirmType)) return n;
  }
}

void ToolSession::title(std::string_view text) {
  if (!(flags & kToolSilent)) report << toolTitleLine(channel.ifName, channel.peer, text);
}

void ToolSession::progress(std::string_view text) {
  if (!(flags & kToolSilent)) report << toolProgressLine(channel.ifName, buffer, text);
}

void ToolSession::failure(std::string_view text) {
  if (!(flags & kToolSilent)) report << toolFailureLine(channel.ifName, buffer, text);
}

void ToolSession::error(int errorNumber, std::string_view text) {
  report << toolErrorLine(errorNumber, text) << std::flush;
}

void ToolSession::error(std::string_view reason, std::string_view text) {
  report << toolErrorLine(reason, text) << std::flush;
}

}  // namespace strandline
