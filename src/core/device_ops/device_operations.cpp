#include "core/device_ops/device_operations.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/checksum.h"
#include "core/device_ops/tool_report.h"
#include "firmware/firmware_image.h"
#include "firmware/parameter_block.h"
#include "platform/file_ops.h"
#include "protocol/device_tool_frames.h"
#include "protocol/tool_status_text.h"

namespace strandline {

namespace {

constexpr std::size_t kMinParameterFile = 460;  // what the check reads as the header
constexpr std::size_t kMaxParameterFile = 0xFFFF;
constexpr std::size_t kMaxFirmwareFile = 16u << 20;
constexpr mode_t kOwnerOnly = 0600;

constexpr const char* kSendFailed = "Send timeout or network error";
constexpr const char* kReadFailed = "Read timeout or network error";
constexpr const char* kRefused = "Device refused request";

enum class Load { Ok, Unreadable, TooLong };

// Reads the file whole; one byte more than allowed shows a file too long.
Load loadFile(const std::string& path, std::size_t maxBytes, Bytes& out, std::string& reason) {
  ReadFileResult read = readWholeFile(systemFileOps(), path, maxBytes + 1);
  if (read.status == ReadFileResult::Status::Missing) {
    reason = std::strerror(ENOENT);
    return Load::Unreadable;
  }
  if (read.status == ReadFileResult::Status::Failed) {
    reason = read.error;
    return Load::Unreadable;
  }
  if (read.data.size() > maxBytes) {
    reason = std::strerror(EFBIG);
    return Load::TooLong;
  }
  out = std::move(read.data);
  return Load::Ok;
}

// Builds a request without data, or with the module value, and sends it.
bool sendRequest(ToolSession& session, std::uint16_t mmtype, bool withModule) {
  session.messageLength =
      withModule
          ? buildToolModuleRequest(session.buffer, session.channel.peer, session.channel.host,
                                   mmtype, session.module)
          : buildToolRequest(session.buffer, session.channel.peer, session.channel.host, mmtype);
  return session.send() >= 1;
}

// Reset and factory defaults: one request, then every confirm until none waits.
int requestRestart(ToolSession& session, std::uint16_t mmtype, const char* title,
                   const char* progress, int sendErrorNumber) {
  session.title(title);
  session.confirmed = false;
  if (!sendRequest(session, mmtype, false)) {
    session.error(sendErrorNumber ? sendErrorNumber : errno, kSendFailed);
    return -1;
  }
  bool refused = false;
  while (session.receive(toolConfirmOf(mmtype)) > 0) {
    if (toolConfirmStatus(session.frame()) == 0) {
      session.progress(progress);
      session.confirmed = true;
    } else {
      session.failure(kRefused);
      refused = true;
    }
  }
  return refused ? -1 : 0;
}

// Commit and disable LED: one request with the module value, one confirm.
int requestWithModule(ToolSession& session, std::uint16_t mmtype, const char* title,
                      const char* progress) {
  session.title(title);
  if (!sendRequest(session, mmtype, true)) {
    session.error(kToolNetworkError, kSendFailed);
    return -1;
  }
  if (session.receive(toolConfirmOf(mmtype)) <= 0) {
    session.error(kToolNetworkError, kReadFailed);
    return -1;
  }
  if (toolConfirmStatus(session.frame()) != 0) {
    session.failure(kRefused);
    return -1;
  }
  session.progress(progress);
  return 0;
}

// One version query: 1 with an answer in the buffer, 0 without, -1 on failure.
int queryVersion(ToolSession& session) {
  if (!sendRequest(session, kToolVersionRequest, false)) {
    session.error(kToolNetworkError, kSendFailed);
    return -1;
  }
  int n = session.receive(toolConfirmOf(kToolVersionRequest));
  if (n < 0) {
    session.error(kToolNetworkError, kReadFailed);
    return -1;
  }
  return n > 0 ? 1 : 0;
}

}  // namespace

int resetDevice(ToolSession& session) {
  return requestRestart(session, kToolResetRequest, "Reset Device", "Resetting ...",
                        kToolNetworkError);
}

int restoreFactoryDefaults(ToolSession& session) {
  // This send failure carries the system's own error number.
  return requestRestart(session, kToolFactoryDefaultsRequest, "Restore Factory Defaults",
                        "Restoring ...", 0);
}

int disableLed(ToolSession& session) {
  return requestWithModule(session, kToolDisableLedRequest, "Disable LED", "Disable ...");
}

int commitToFlash(ToolSession& session) {
  return requestWithModule(session, kToolCommitRequest, "Flash NVRAM", "Flashing ...");
}

int commitAndRestart(ToolSession& session) {
  if (commitToFlash(session) != 0) return -1;
  if (session.flags & kToolNoRestartWait) return 0;
  if (waitForReset(session) != 0) {
    session.failure("Device did not Reset");
    return -1;
  }
  if (waitForStart(session) != 0) {
    session.failure("Device did not Start");
    return -1;
  }
  session.progress("Started " + session.versionText);
  return 0;
}

int waitForReset(ToolSession& session) {
  for (std::uint32_t attempt = 0; attempt < session.retryCount; ++attempt) {
    int answered = queryVersion(session);
    if (answered < 0) return -1;
    if (answered == 0) return 0;  // gone down
    if (attempt + 1 < session.retryCount) session.clock.sleepMs(session.pollIntervalMs);
  }
  return -1;
}

int waitForStart(ToolSession& session) {
  for (std::uint32_t attempt = 0; attempt < session.retryCount; ++attempt) {
    int answered = queryVersion(session);
    if (answered < 0) return -1;
    if (answered == 0) {
      if (attempt + 1 < session.retryCount) session.clock.sleepMs(session.pollIntervalMs);
      continue;
    }
    std::optional<ToolVersionConfirm> version = parseToolVersionConfirm(session.frame());
    if (version && version->status == 0) {
      session.hardwareType = version->hardwareType;
      session.versionText = version->version;
      return 0;
    }
    session.failure("Device will not start");
    return -1;
  }
  return -1;
}

int readParameterBlock(ToolSession& session, Bytes& block) {
  block.clear();
  session.title("Read Parameters from Device");
  std::uint32_t offset = 0;
  std::uint16_t length = kToolChunkLength;
  std::size_t total = 0;
  Bytes read;
  for (;;) {
    session.messageLength =
        buildReadModuleRequest(session.buffer, session.channel.peer, session.channel.host,
                               kToolModuleParameters, length, offset);
    if (session.send() < 1) {
      session.error(kToolNetworkError, kSendFailed);
      return -1;
    }
    if (session.receive(toolConfirmOf(kToolReadModuleRequest)) <= 0) {
      session.error(kToolNetworkError, kReadFailed);
      return -1;
    }
    std::optional<ToolReadConfirm> confirm = parseToolReadConfirm(session.frame());
    if (toolConfirmStatus(session.frame()) != 0) {
      session.failure(kRefused);
      return -1;
    }
    // A confirm that ends before the data it states is a length error too.
    if (!confirm || confirm->length != length || confirm->data.size() != length) {
      session.error(0, "Data length error");
      return -1;
    }
    if (confirm->offset != offset) {
      session.error(0, "Data offset error");
      return -1;
    }
    if (checksum32(confirm->data, confirm->checksum) != 0) {
      session.error(kToolNetworkError, "Bad Packet Checksum");
      return -1;
    }
    if (offset == 0) {
      ByteReader header(confirm->data, pib::kOffsetLength);
      total = header.u16le();
      // A block shorter than its own header cannot be a parameter block.
      if (total < pib::kHeaderLength) {
        session.error(0, "Data length error");
        return -1;
      }
      read.reserve(total);
    }
    std::size_t take = std::min<std::size_t>(length, total - offset);
    read.insert(read.end(), confirm->data.begin(),
                confirm->data.begin() + static_cast<std::ptrdiff_t>(take));
    offset += static_cast<std::uint32_t>(take);
    if (offset == total) break;
  }
  block = std::move(read);
  return 0;
}

int readParameters(ToolSession& session, const std::string& path) {
  Bytes block;
  if (readParameterBlock(session, block) != 0) return -1;
  Status saved = writeFileAtomically(systemFileOps(), path, block, kOwnerOnly);
  if (!saved.ok()) {
    session.error(saved.message, "can't save " + baseName(path));
    return 1;
  }
  session.progress("Read " + baseName(path));
  return 0;
}

int writeModule(ToolSession& session, std::uint8_t module, ByteView data, const std::string& name) {
  if (module == kToolModuleParameters && checkParameterImage(session, data, name) != 0) return -1;
  session.title(module == kToolModuleFirmware ? "Write Firmware to Device"
                                              : "Write Parameters to Device");
  std::size_t offset = 0;
  while (offset < data.size()) {
    ByteView chunk = data.subspan(offset, std::min(kToolChunkLength, data.size() - offset));
    session.messageLength =
        buildWriteModuleRequest(session.buffer, session.channel.peer, session.channel.host, module,
                                static_cast<std::uint32_t>(offset), chunk);
    if (session.send() < 1) {
      session.error(kToolNetworkError, kSendFailed);
      return -1;
    }
    if (session.receive(toolConfirmOf(kToolWriteModuleRequest)) <= 0) {
      session.error(kToolNetworkError, kReadFailed);
      return -1;
    }
    std::optional<ToolWriteConfirm> confirm = parseToolWriteConfirm(session.frame());
    if (toolConfirmStatus(session.frame()) != 0) {
      session.failure(kRefused);
      return -1;
    }
    if (!confirm || confirm->length != chunk.size()) {
      session.error(0, "Data length error");
      return -1;
    }
    if (confirm->offset != offset) {
      session.error(0, "Data offset error");
      return -1;
    }
    offset += chunk.size();
  }
  session.progress("Wrote " + baseName(name));
  return 0;
}

bool readToolFile(ToolSession& session, const std::string& path, std::size_t maxBytes, Bytes& out) {
  std::string reason;
  if (loadFile(path, maxBytes, out, reason) == Load::Ok) return true;
  session.error(reason, "Can't read " + baseName(path));
  return false;
}

int writeFirmware(ToolSession& session, const std::string& path) {
  Bytes data;
  if (!readToolFile(session, path, kMaxFirmwareFile, data)) return -1;
  return writeModule(session, kToolModuleFirmware, data, path);
}

int writeParameters(ToolSession& session, const std::string& path) {
  Bytes data;
  if (!readToolFile(session, path, kMaxParameterFile, data)) return -1;
  return writeModule(session, kToolModuleParameters, data, path);
}

int checkParameterImage(ToolSession& session, ByteView block, const std::string& name) {
  if (block.size() < kMinParameterFile) {
    session.error(0, "Can't read header: " + name);
    return -1;
  }
  ByteReader header(block, pib::kOffsetLength);
  if (header.u16le() != block.size()) {
    session.error(0, "Bad PIB length: " + name);
    return -1;
  }
  if (checksum32(block) != 0) {
    session.error(0, "Bad PIB checksum: " + name);
    return -1;
  }
  // The image's content rules; a block of another version has none.
  Bytes copy(block.begin(), block.end());
  ParameterBlockImage image;
  PibStatus status = image.attach(copy);
  if (status != PibStatus::Ok && status != PibStatus::VersionMismatch) {
    session.error(pibStatusText(status), "Bad PIB content: " + name);
    return -1;
  }
  return 0;
}

int checkParameterFile(ToolSession& session, const std::string& path) {
  Bytes data;
  std::string reason;
  switch (loadFile(path, kMaxParameterFile, data, reason)) {
    case Load::Ok:
      return checkParameterImage(session, data, path);
    case Load::TooLong:  // longer than any length field can state
      session.error(0, "Bad PIB length: " + path);
      return -1;
    case Load::Unreadable:
      break;
  }
  session.error(reason, "Can't read header: " + path);
  return -1;
}

int checkFirmwareFile(ToolSession& session, const std::string& path) {
  Bytes data;
  std::string reason;
  if (loadFile(path, kMaxFirmwareFile, data, reason) != Load::Ok) {
    session.error(reason, "Can't read header: " + path + " (0)");
    return -1;
  }
  NvmCheck check = checkNvmFile(data, path);
  if (!check.ok) {
    session.error(0, check.message);
    return -1;
  }
  return 0;
}

}  // namespace strandline
