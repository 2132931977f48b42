#include "protocol/hp10_key_frames.h"

#include <cstring>

#include "base/bytes.h"
#include "protocol/hp10_requests.h"
#include "protocol/management_frame.h"

namespace strandline {

namespace {

ByteWriter start(std::uint8_t* frame, const MacAddress& source, const MacAddress& destination) {
  std::memset(frame, 0, kHp1RequestBuffer);
  buildHp1Header(frame, source.data(), destination.data());
  ByteWriter w(std::span<std::uint8_t>(frame, kHp1RequestBuffer), 14);
  return w;
}

void setKeyEntry(ByteWriter& w, std::uint8_t keySelect, const std::uint8_t* key) {
  w.u8(kHp1SetKey);
  w.u8(1 + kHp1KeyWidth);
  w.u8(keySelect);
  w.bytes(key, kHp1KeyWidth);
}

// The set-local-parameters entry: type 0x1F, length 3, the three option bytes.
void optionsEntry(ByteWriter& w, const std::uint8_t* options) {
  w.u8(kHp1SetLocalParams);
  w.u8(3);
  w.bytes(options, 3);
}

}  // namespace

std::size_t buildHp1SetKey(std::uint8_t* frame, const MacAddress& source,
                           const MacAddress& destination, std::uint8_t keySelect,
                           const std::uint8_t* key, const std::uint8_t* options) {
  ByteWriter w = start(frame, source, destination);
  w.u8(options ? 2 : 1);
  setKeyEntry(w, keySelect, key);
  if (options) optionsEntry(w, options);
  return kHp1SetKeyLength;
}

std::size_t buildHp1Options(std::uint8_t* frame, const MacAddress& source,
                            const MacAddress& destination, const std::uint8_t* options) {
  ByteWriter w = start(frame, source, destination);
  w.u8(1);
  optionsEntry(w, options);
  return kHp1OptionsLength;
}

std::size_t buildBoostLocalKey(std::uint8_t* frame, const MacAddress& source,
                               const MacAddress& destination, const std::uint8_t* key) {
  ByteWriter w = start(frame, source, destination);
  w.u8(1);
  setKeyEntry(w, 1, key);
  return kBoostLocalKeyLength;
}

std::size_t buildBoostRemoteKey(std::uint8_t* frame, const MacAddress& source,
                                const MacAddress& destination, const std::uint8_t* deviceKey,
                                const std::uint8_t* key) {
  ByteWriter w = start(frame, source, destination);
  w.u8(1);
  w.u8(kHp1CarriedKey);
  w.u8(2 + kHp1KeyWidth);
  w.u8(1);
  w.u8(0);
  w.bytes(deviceKey, kHp1KeyWidth);
  w.u16be(kEtherTypeHomePlug10);
  w.u8(1);
  setKeyEntry(w, 1, key);
  return kBoostRemoteKeyLength;
}

}  // namespace strandline
