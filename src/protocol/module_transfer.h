// Multi-frame transfers of the AV message library: reading a module (firmware
// or parameter block) from an adapter, and updating an adapter (writing a
// firmware image and a parameter block, then starting or committing them).
//
// Both run request by request: thpapiNextRequest builds the next request
// frame, the caller sends it and hands the confirmation to thpapiDecodeFrame,
// whose result says whether another request is pending (completion 1) or the
// transfer is finished (completion 2).
//
// Request payloads (after the version-0 vendor header, offset 20):
//   module read   0xA024  module id, 0, length (16), offset (32)
//   module write  0xA020  module id, 0, length (16), offset (32), chunk checksum (32), chunk
//   memory write  0xA004  load address (32), length (32), chunk
//   start         0xA00C  1, 0, 0, 0, image header words 2..5 (load address, length,
//                         checksum, entry point)
//   commit        0xA028  imageMask | (flags & 0x10)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/bytes.h"
#include "base/mac_address.h"

namespace strandline {

struct ThpapiContext;
struct ThpapiResult;

inline constexpr std::size_t kTransferChunkSize = 1024;

// Firmware image header: 11 little-endian words that check to 0.
inline constexpr std::size_t kImageHeaderLength = 44;
inline constexpr std::size_t kHeaderWordLoadAddress = 2;
inline constexpr std::size_t kHeaderWordImageLength = 3;
inline constexpr std::size_t kHeaderWordNextHeader = 9;  // offset from the image start; 0 = last

// Image B of a memory-write update goes to this fixed load address.
inline constexpr std::uint32_t kParameterBlockLoadAddress = 0x01F00000;

// TransferContext::flags
inline constexpr std::uint32_t kTransferReadOrCommit = 0x001;  // read; for an update: commit
inline constexpr std::uint32_t kTransferOptionMask = 0x033;
inline constexpr std::uint32_t kTransferCommitOption = 0x010;  // passed on in the commit byte
inline constexpr std::uint32_t kTransferModuleForm = 0x020;
inline constexpr std::uint32_t kTransferBusy = 0x100;
inline constexpr std::uint32_t kTransferFirstPending = 0x200;
inline constexpr std::uint32_t kTransferSecondPending = 0x400;

// Operations reported in ThpapiResult::operation.
inline constexpr std::uint32_t kOperationUpdate = 7;
inline constexpr std::uint32_t kOperationModuleRead = 9;

// Walks one image in 1024-byte chunks. The image bytes belong to the caller
// and must outlive the transfer.
class Chunker {
 public:
  Chunker() = default;
  explicit Chunker(ByteView image) : image_(image) {}

  // Moves to chunk `index`; its length (1024 or what is left), or 0 with the
  // position at the end when the index lies beyond the image.
  std::size_t chunkAt(std::size_t index);
  std::size_t nextChunk() { return chunkAt(index_ + 1); }
  std::size_t offset() const { return position_; }
  std::size_t index() const { return index_; }
  std::size_t size() const { return image_.size(); }
  bool isLast(std::size_t n) const { return position_ + n >= image_.size(); }
  ByteView chunk(std::size_t n) const { return image_.subspan(position_, n); }

 private:
  ByteView image_;
  std::size_t position_ = 0;
  std::size_t index_ = 0;
};

// The next request to build. It stays filled after it has been built so that
// a failed confirmation can resend it unchanged.
struct PendingRequest {
  bool isPending = false;
  MacAddress destination{};
  MacAddress source{};
  std::uint16_t messageType = 0;
  std::uint32_t fixedLength = 0;
  std::array<std::uint8_t, 20> fixed{};
  ByteView data;  // image bytes sent after `fixed`
};

enum class TransferStage : std::uint8_t { Idle, Reading, Writing, Finishing };

struct TransferContext {
  std::uint32_t flags = 0;
  std::int32_t readType = 0;
  std::uint32_t operation = 0;
  std::uint8_t retriesLeft = 0;
  std::uint32_t totalLength = 0;  // end of the module being read (known after its first chunk)
  std::uint32_t nextHeader = 0;   // offset of the next image header in module 1; 0 = none
  PendingRequest pending;
  std::optional<Chunker> imageA;  // firmware
  std::optional<Chunker> imageB;  // parameter block
  bool writingImageA = false;     // which image is being written
  std::uint8_t imageMask = 0;     // bit 0: image A given, bit 1: image B given

  TransferStage stage = TransferStage::Idle;
  bool memoryForm = false;  // update by memory writes and start, not module writes
  std::array<std::uint32_t, 4> startWords{};  // image header words 2..5 for the start request
  // What the outstanding request asked for, to tell its confirmation from a
  // stale or foreign one: module id (0 for memory writes), offset or load
  // address, and length.
  std::uint8_t expectModule = 0;
  std::uint32_t expectOffset = 0;
  std::uint32_t expectLength = 0;
  // Progress of an update: image bytes the device confirmed, of all it is sent.
  std::uint64_t bytesAcknowledged = 0;
  std::uint64_t bytesTotal = 0;
};

// Starts reading a module: readType 1 = firmware (module 1), 2 = parameter
// block (module 2), 3 = module 1 then module 2. 0, or -1 with error 16 (busy)
// or 22 (unknown read type).
int thpapiBeginModuleRead(ThpapiContext& lib, const MacAddress& source,
                          const MacAddress& destination, int readType);

// Starts an update with image A (firmware) and image B (parameter block,
// required). Options (bits 0, 1, 4, 5 are kept): module writes of image A to
// module 1 and image B to module 2 when bit 5 is set or bits 0, 1 and 4 all
// are; otherwise memory writes of image A's executable image (the last of its
// header chain) and of image B at 0x01F00000. Bit 0 ends with a commit whose
// byte carries bit 4, else with a start from image A's header. 0, or -1 with
// error 14 (image missing, header chain leaves the image), 16 (busy) or 22
// (bad image header). Both images must outlive the transfer.
int thpapiBeginUpdate(ThpapiContext& lib, const MacAddress& source, const MacAddress& destination,
                      ByteView imageA, ByteView imageB, std::uint32_t options);

// Builds the pending request (a prepared host-action response first) into
// buffer; its length (at least 64), or 0 when nothing is pending or the buffer
// is missing (error 14) or too small (error 34; the request stays pending).
std::size_t thpapiNextRequest(ThpapiContext& lib, std::span<std::uint8_t> buffer);

bool thpapiTransferBusy(const ThpapiContext& lib);

// The confirmation the outstanding request of a running transfer waits for:
// 0xA025 (module read), 0xA021 (module write), 0xA005 (memory write), 0xA00D
// (start) or 0xA029 (commit); 0 when no transfer runs.
std::uint16_t thpapiAwaitedConfirm(const ThpapiContext& lib);

// Which image an update is writing, and its progress.
enum class UpdatePhase : std::uint8_t { None, Firmware, Parameters, Finishing };
struct UpdateProgress {
  UpdatePhase phase = UpdatePhase::None;
  std::uint64_t bytesAcknowledged = 0;
  std::uint64_t bytesTotal = 0;
};
UpdateProgress thpapiUpdateProgress(const ThpapiContext& lib);
void thpapiAbortTransfer(ThpapiContext& lib);

// Confirmation handlers used by thpapiDecodeFrame once the header is valid and
// the frame holds the type's minimum length. Same return convention.
int decodeModuleReadConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& result);
int decodeWriteConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& result);
int decodeUpdateEndConfirm(ThpapiContext& lib, ByteView frame, ThpapiResult& result);

}  // namespace strandline
