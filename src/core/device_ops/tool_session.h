// The toolkit's state for one run of device operations: its tool channel,
// the frame buffer, the module to commit, the wait-loop timing and the flags.
// Whoever runs the operations owns the session; nothing of it is shared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "base/bytes.h"
#include "core/tool_channel.h"
#include "platform/clock.h"
#include "protocol/management_frame.h"

namespace strandline {

inline constexpr std::uint8_t kToolDefaultModule = 3;
inline constexpr std::uint32_t kToolPollIntervalMs = 200;
inline constexpr std::uint32_t kToolRetryCount = 300;

// Session flags. kToolSilent: no title, progress or failure lines.
// kToolNoRestartWait: commit and restart ends right after the commit.
inline constexpr std::uint32_t kToolSilent = 1u << 1;
inline constexpr std::uint32_t kToolNoRestartWait = 1u << 18;

// The error number of the network failures ("Send timeout or network error",
// "Read timeout or network error", "Bad Packet Checksum").
inline constexpr int kToolNetworkError = 125;

struct ToolSession {
  ToolSession(Clock& clockPort, std::ostream& reportStream);
  ToolSession(const ToolSession&) = delete;
  ToolSession& operator=(const ToolSession&) = delete;

  Clock& clock;
  std::ostream& report;  // where the report lines go (standard error by default)

  ToolChannel channel;
  std::array<std::uint8_t, kFrameBufferSize> buffer{};
  std::size_t messageLength = 0;  // bytes to send, or received
  std::uint8_t hardwareType = 0;  // reported by the device when it starts
  std::string versionText;        // likewise, at most 128 bytes
  std::uint8_t module = kToolDefaultModule;
  std::uint32_t pollIntervalMs = kToolPollIntervalMs;
  std::uint32_t retryCount = kToolRetryCount;
  std::uint32_t flags = 0;
  // Whether the last reset or factory-defaults request had a confirm with
  // status 0 (they succeed without one: the device may restart first).
  bool confirmed = false;

  ByteView frame() const { return {buffer.data(), messageLength}; }

  // Sends messageLength bytes of the buffer: the length, or below 1 on failure.
  int send();
  // Reads frames until a confirm of the type arrives (its length, kept in the
  // buffer), a read times out (0) or fails (-1).
  int receive(std::uint16_t confirmType);

  void title(std::string_view text);
  void progress(std::string_view text);  // with the source of the frame in the buffer
  void failure(std::string_view text);   // likewise, with its status when not 0
  void error(int errorNumber, std::string_view text);
  void error(std::string_view reason, std::string_view text);
};

}  // namespace strandline
