#include "protocol/management_frame.h"

#include <cstring>

namespace strandline {

std::uint16_t etherTypeOf(ByteView frame) {
  ByteReader r(frame, kOffsetEtherType);
  std::uint16_t type = r.u16be();
  return r.ok() ? type : 0;
}

static void writeEthernetHeader(std::uint8_t* frame, const std::uint8_t* destination,
                                const std::uint8_t* source, std::uint16_t etherType) {
  macCopy(frame + kOffsetDestination, destination);
  macCopy(frame + kOffsetSource, source);
  frame[kOffsetEtherType] = static_cast<std::uint8_t>(etherType >> 8);
  frame[kOffsetEtherType + 1] = static_cast<std::uint8_t>(etherType);
}

// The Ethernet header and the AV header of the given version (0 or 1).
static std::size_t writeAvHeader(std::uint8_t* frame, const std::uint8_t* destination,
                                 const std::uint8_t* source, std::uint16_t mmtype,
                                 std::uint8_t version) {
  writeEthernetHeader(frame, destination, source, kEtherTypeHomePlugAv);
  frame[kAvOffsetVersion] = version;
  frame[kAvOffsetType] = static_cast<std::uint8_t>(mmtype);
  frame[kAvOffsetType + 1] = static_cast<std::uint8_t>(mmtype >> 8);
  if (version == 0) {
    std::memcpy(frame + kAvV0OffsetOui, kVendorOui, 3);
    return kAvV0OffsetPayload;
  }
  frame[kAvV1OffsetFragment] = 0;  // never fragmented
  frame[kAvV1OffsetFragment + 1] = 0;
  std::memcpy(frame + kAvV1OffsetOui, kVendorOui, 3);
  return kAvV1OffsetPayload;
}

std::size_t buildAvHeaderV0(std::uint8_t* frame, const std::uint8_t* destination,
                            const std::uint8_t* source, std::uint16_t mmtype) {
  return writeAvHeader(frame, destination, source, mmtype, 0);
}

std::size_t buildAvHeaderV1(std::uint8_t* frame, const std::uint8_t* destination,
                            const std::uint8_t* source, std::uint16_t mmtype) {
  return writeAvHeader(frame, destination, source, mmtype, 1);
}

void buildHp1Header(std::uint8_t* frame, const std::uint8_t* source,
                    const std::uint8_t* destination) {
  std::memset(frame, 0, 17);
  writeEthernetHeader(frame, destination, source, kEtherTypeHomePlug10);
}

int checkAvHeader(ByteView frame, bool versionOne) {
  if (etherTypeOf(frame) != kEtherTypeHomePlugAv) return kErrWrongEtherType;
  std::size_t ouiOffset = versionOne ? kAvV1OffsetOui : kAvV0OffsetOui;
  ByteReader r(frame, kAvOffsetVersion);
  std::uint8_t version = r.u8();
  r.seek(ouiOffset);
  auto oui = r.array<3>();
  if (!r.ok()) return kErrWrongHeader;
  if (version != (versionOne ? 1 : 0)) return kErrWrongHeader;
  if (std::memcmp(oui.data(), kVendorOui, 3) != 0) return kErrWrongHeader;
  return 0;
}

}  // namespace strandline
