// The toolkit's confirms from arbitrary bytes. First every parser, the report
// lines and the status lookup on the whole input as one frame (a buffer of
// exactly its size, so a read past it trips the sanitizer). Then the
// operations themselves against a device whose answers are the input's
// frames: a block read, a firmware write, commit and restart, a reset.
//
// Answers: [flags][2-byte length][bytes], repeated. Flag bit 0 makes the
// answer a confirm of the request's type; bit 1 also makes a module confirm
// state the requested length and offset, with a read's data checksum right,
// so the fuzzer gets past the checks into the operations' own arithmetic.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <ostream>
#include <streambuf>

#include "base/checksum.h"
#include "core/device_ops/device_operations.h"
#include "core/device_ops/pib_modify.h"
#include "core/device_ops/tool_report.h"
#include "platform/memory_link.h"
#include "protocol/device_tool_frames.h"
#include "protocol/tool_status_text.h"

using namespace strandline;

namespace {

const MacAddress kCard = {0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

void parseAll(ByteView frame) {
  std::optional<VendorMmeHeader> header = readVendorHeader(frame);
  std::uint16_t type = header ? header->mmtype : 0;
  isToolConfirm(frame, type);
  if (auto v = parseToolVersionConfirm(frame); v && v->version.size() > kVersionTextMax)
    __builtin_trap();
  parseToolStatusConfirm(frame);
  parseToolWriteConfirm(frame);
  if (auto r = parseToolReadConfirm(frame)) {
    if (r->data.size() > r->length) __builtin_trap();
    checksum32(r->data, r->checksum);
  }
  mmeStatusText(type, toolConfirmStatus(frame));
  statusAtByte24(type);
  toolFailureLine("nic1", frame, "x");
  toolProgressLine("nic1", frame, "x");
}

// Takes the next answer off the input; empty when the input has run out.
Bytes nextAnswer(ByteView& input, ByteView request) {
  if (input.size() < 3) return {};
  std::uint8_t flags = input[0];
  std::size_t length = std::min<std::size_t>((input[1] | input[2] << 8) % 1515, input.size() - 3);
  Bytes answer(input.begin() + 3, input.begin() + 3 + static_cast<std::ptrdiff_t>(length));
  input = input.subspan(3 + length);
  if (!(flags & 1) || request.size() < kToolRequestLength) return answer;
  if (answer.size() < kToolPayloadAt) answer.resize(kToolPayloadAt);
  ByteWriter w(answer, kOffsetEtherType);
  ByteReader r(request, kAvOffsetType);
  std::uint16_t type = r.u16le();
  w.u8(0x88);
  w.u8(0xE1);
  w.u8(0);
  w.u16le(toolConfirmOf(type));
  w.bytes(Bytes{0x00, 0xB0, 0x52});
  if (!(flags & 2)) return answer;
  ByteReader q(request, kReadRequestLengthAt);
  std::uint16_t length16 = q.u16le();
  std::uint32_t offset = q.u32le();
  if (type == kToolReadModuleRequest) {
    if (answer.size() < kReadConfirmDataAt + length16) answer.resize(kReadConfirmDataAt + length16);
    ByteWriter c(answer, kReadConfirmLengthAt);
    c.u16le(length16);
    c.u32le(offset);
    c.u32le(0);
    std::uint32_t sum = checksum32(ByteView(answer).subspan(kReadConfirmDataAt, length16));
    c.seek(kReadConfirmChecksumAt);
    c.u32le(sum);
  } else if (type == kToolWriteModuleRequest) {
    if (answer.size() < kWriteConfirmLength) answer.resize(kWriteConfirmLength);
    ByteWriter c(answer, kWriteConfirmLengthAt);
    c.u16le(length16);
    c.u32le(offset);
  }
  return answer;
}

void runOperations(ByteView input) {
  VirtualClock clock;
  MemoryLink link(clock);
  link.addCard({"tool0", "", kCard});
  link.setFarEnd([&](const std::string& card, ByteView request) {
    Bytes answer = nextAnswer(input, request);
    if (answer.empty()) return;
    clock.scheduleIn(1, [&link, card, answer] { link.deliver(card, answer); });
  });
  NullBuffer nothing;
  std::ostream report(&nothing);
  RecordingPrompter prompter;
  ToolSession session(clock, report);
  session.retryCount = 3;
  if (openToolChannelOnCurrentCard(session, link, kCard, prompter, true) != 0) __builtin_trap();
  Bytes block;
  if (readParameterBlock(session, block) == 0) {
    ByteReader r(block, 4);
    if (r.u16le() != block.size()) __builtin_trap();
  }
  Bytes firmware(2500, 0x5A);
  writeModule(session, kToolModuleFirmware, firmware, "fw.nvm");
  commitAndRestart(session);
  resetDevice(session);
  closeToolChannel(session.channel);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes frame(data, data + size);
  parseAll(frame);
  runOperations(ByteView(data, size));
  return 0;
}
