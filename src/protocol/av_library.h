// The HomePlug AV message library: its state, message types and error codes.
//
// Encoders write a complete request frame into the caller's buffer; the
// decoder validates a received frame and fills a ThpapiResult. The library
// never touches the network itself.
//
// All state lives in one ThpapiContext per program run (owned by the program
// context): the errno-style last error, the transfer context and the prepared
// host-action response. It is used from one thread at a time.
#pragma once

#include <cstdint>

#include "protocol/management_frame.h"
#include "protocol/module_transfer.h"

namespace strandline {

// errno-style codes left in ThpapiContext::lastError (1 and 14 are in
// management_frame.h): 16 busy, 22 invalid parameter or bad checksum, 34
// buffer too small, 40 message type not in the catalogue.
inline constexpr int kErrBusy = 16;
inline constexpr int kErrInvalid = 22;
inline constexpr int kErrRange = 34;
inline constexpr int kErrUnknownType = 40;

// Vendor message types.
inline constexpr std::uint16_t kMmVersionRequest = 0xA000;
inline constexpr std::uint16_t kMmVersionConfirm = 0xA001;
inline constexpr std::uint16_t kMmMemoryWriteRequest = 0xA004;
inline constexpr std::uint16_t kMmMemoryWriteConfirm = 0xA005;
inline constexpr std::uint16_t kMmStartRequest = 0xA00C;
inline constexpr std::uint16_t kMmStartConfirm = 0xA00D;
inline constexpr std::uint16_t kMmResetConfirm = 0xA01D;
inline constexpr std::uint16_t kMmModuleWriteRequest = 0xA020;
inline constexpr std::uint16_t kMmModuleWriteConfirm = 0xA021;
inline constexpr std::uint16_t kMmModuleReadRequest = 0xA024;
inline constexpr std::uint16_t kMmModuleReadConfirm = 0xA025;
inline constexpr std::uint16_t kMmCommitRequest = 0xA028;
inline constexpr std::uint16_t kMmCommitConfirm = 0xA029;
inline constexpr std::uint16_t kMmLinkStatsConfirm = 0xA031;
inline constexpr std::uint16_t kMmSnifferConfirm = 0xA035;
inline constexpr std::uint16_t kMmSnifferIndication = 0xA036;
inline constexpr std::uint16_t kMmNetworkInfoRequest = 0xA038;
inline constexpr std::uint16_t kMmNetworkInfoConfirm = 0xA039;
inline constexpr std::uint16_t kMmSetKeyRequest = 0xA050;
inline constexpr std::uint16_t kMmSetKeyConfirm = 0xA051;
inline constexpr std::uint16_t kMmManufacturerConfirm = 0xA055;
inline constexpr std::uint16_t kMmConfigBlockRequest = 0xA058;
inline constexpr std::uint16_t kMmConfigBlockConfirm = 0xA059;
inline constexpr std::uint16_t kMmMemoryConfigConfirm = 0xA05D;
inline constexpr std::uint16_t kMmHostActionIndication = 0xA062;
inline constexpr std::uint16_t kMmHostActionResponse = 0xA063;
inline constexpr std::uint16_t kMmEthernetSettingsConfirm = 0xA06D;
inline constexpr std::uint16_t kMmToneMapConfirm = 0xA071;
inline constexpr std::uint16_t kMmFactoryDefaultsConfirm = 0xA07D;
inline constexpr std::uint16_t kMmRxToneMapConfirm = 0xA091;
inline constexpr std::uint16_t kMmLedBehaviourConfirm = 0xA095;

// Version selector of thpapiDecodeFrame for the version-1 header.
inline constexpr int kVersionSelectorV1 = 4;

struct ThpapiContext {
  int lastError = 0;
  TransferContext transfer;
  // The response to a host-action indication, built by thpapiNextRequest
  // before any transfer request. Kept apart from the transfer's pending
  // request so that an indication arriving mid-transfer cannot replace the
  // request a failed confirmation has to resend.
  PendingRequest hostActionResponse;
};

}  // namespace strandline
