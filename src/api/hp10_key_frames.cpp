#include "api/hp10_key_frames.h"

#include <cstring>

#include "api/bytes.h"
#include "api/hp10_requests.h"
#include "api/management_frame.h"

namespace strandline {

namespace {

ByteWriter Start(std::uint8_t* frame, const MacAddress& source, const MacAddress& destination) {
  std::memset(frame, 0, kHp1RequestBuffer);
  BuildHp1Header(frame, source.data(), destination.data());
  ByteWriter w(std::span<std::uint8_t>(frame, kHp1RequestBuffer), 14);
  return w;
}

void SetKeyEntry(ByteWriter& w, std::uint8_t keySelect, const std::uint8_t* key) {
  w.u8(kHp1SetKey);
  w.u8(1 + kHp1KeyWidth);
  w.u8(keySelect);
  w.bytes(key, kHp1KeyWidth);
}

// The set-local-parameters entry: type 0x1F, length 3, the three option bytes.
void OptionsEntry(ByteWriter& w, const std::uint8_t* options) {
  w.u8(kHp1SetLocalParams);
  w.u8(3);
  w.bytes(options, 3);
}

}  // namespace

std::size_t BuildHp1SetKey(std::uint8_t* frame, const MacAddress& source,
                           const MacAddress& destination, std::uint8_t keySelect,
                           const std::uint8_t* key, const std::uint8_t* options) {
  ByteWriter w = Start(frame, source, destination);
  w.u8(options ? 2 : 1);
  SetKeyEntry(w, keySelect, key);
  if (options) OptionsEntry(w, options);
  return kHp1SetKeyLength;
}

std::size_t BuildHp1Options(std::uint8_t* frame, const MacAddress& source,
                            const MacAddress& destination, const std::uint8_t* options) {
  ByteWriter w = Start(frame, source, destination);
  w.u8(1);
  OptionsEntry(w, options);
  return kHp1OptionsLength;
}

std::size_t BuildBoostLocalKey(std::uint8_t* frame, const MacAddress& source,
                               const MacAddress& destination, const std::uint8_t* key) {
  ByteWriter w = Start(frame, source, destination);
  w.u8(1);
  SetKeyEntry(w, 1, key);
  return kBoostLocalKeyLength;
}

std::size_t BuildBoostRemoteKey(std::uint8_t* frame, const MacAddress& source,
                                const MacAddress& destination, const std::uint8_t* deviceKey,
                                const std::uint8_t* key) {
  ByteWriter w = Start(frame, source, destination);
  w.u8(1);
  w.u8(kHp1CarriedKey);
  w.u8(2 + kHp1KeyWidth);
  w.u8(1);
  w.u8(0);
  w.bytes(deviceKey, kHp1KeyWidth);
  w.u16be(kEtherTypeHomePlug10);
  w.u8(1);
  SetKeyEntry(w, 1, key);
  return kBoostRemoteKeyLength;
}

}  // namespace strandline
