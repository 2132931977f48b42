// The device operations: request/confirm exchanges with the local HomePlug AV
// device over the session's tool channel. Each returns 0 on success and a
// non-zero value on failure, and reports on the session's stream as it goes.
//
// Files the operations save are replaced atomically, and only once all their
// bytes are in: a read that fails part-way leaves the previous file as it
// was. A parameter block goes to a device only after it passed the parameter
// file check and the content rules of the parameter block image.
#pragma once

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "core/device_ops/tool_session.h"

namespace strandline {

// Sends the request; 0 unless the send fails or the device refuses it. The
// confirms are read until none is waiting; a device that restarts before it
// confirms is not counted as refusing.
int resetDevice(ToolSession& session);
int restoreFactoryDefaults(ToolSession& session);

// 0 on a confirm with status 0. Both send the session's module value.
int disableLed(ToolSession& session);
int commitToFlash(ToolSession& session);
// Commits, then waits until the device goes down and comes back.
int commitAndRestart(ToolSession& session);
// 0 once the device stops answering version queries; -1 after retryCount tries.
int waitForReset(ToolSession& session);
// 0 once the device answers with status 0 (its version text is kept).
int waitForStart(ToolSession& session);

// Reads the device's whole parameter block, chunk by chunk (1024 bytes each,
// the last cut to the block's length field). 0 with the block; -1, block
// cleared, on any failure.
int readParameterBlock(ToolSession& session, Bytes& block);
// The same into the file at `path` (owner read/write only). 0; -1 when the
// device failed; 1 when the file could not be written.
int readParameters(ToolSession& session, const std::string& path);

// Writes the bytes into module 1 (firmware) or 2 (parameters), in 1056-byte
// frames of at most 1024 data bytes, each sent once. A parameter block is
// checked first (checkParameterImage) and not sent when it fails.
int writeModule(ToolSession& session, std::uint8_t module, ByteView data, const std::string& name);
int writeFirmware(ToolSession& session, const std::string& path);
int writeParameters(ToolSession& session, const std::string& path);

// The parameter file check (at least 460 bytes, size equal to the length
// field, checksum verifies) and the content rules of the image (blocks of
// another version than 4.4 have none). 0 when sound; each failure is an error
// line naming `name`.
int checkParameterImage(ToolSession& session, ByteView block, const std::string& name);
int checkParameterFile(ToolSession& session, const std::string& path);
// The firmware file check: every block's header and image.
int checkFirmwareFile(ToolSession& session, const std::string& path);

// Reads a file the operations send (at most maxBytes); false with an error
// line "Can't read <name>" when it cannot be read whole.
bool readToolFile(ToolSession& session, const std::string& path, std::size_t maxBytes, Bytes& out);

}  // namespace strandline
