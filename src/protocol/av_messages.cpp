#include "protocol/av_messages.h"

#include <algorithm>

namespace strandline {

namespace {

// Checks the buffer and writes the headers. The payload offset, or 0 with the
// error recorded.
std::size_t startRequest(ThpapiContext& lib, const MacAddress& source,
                         const MacAddress& destination, std::span<std::uint8_t> buffer,
                         std::uint16_t messageType, bool versionOne = false) {
  if (buffer.data() == nullptr) {
    lib.lastError = kErrWrongHeader;
    return 0;
  }
  std::fill(buffer.begin(), buffer.begin() + std::min(buffer.size(), kMinAvRequest), 0);
  if (buffer.size() < kMinAvRequest) {
    lib.lastError = kErrRange;
    return 0;
  }
  return versionOne
             ? buildAvHeaderV1(buffer.data(), destination.data(), source.data(), messageType)
             : buildAvHeaderV0(buffer.data(), destination.data(), source.data(), messageType);
}

}  // namespace

std::size_t thpapiEncodeVersionRequest(ThpapiContext& lib, const MacAddress& source,
                                       const MacAddress& destination,
                                       std::span<std::uint8_t> buffer) {
  std::size_t payload = startRequest(lib, source, destination, buffer, kMmVersionRequest);
  return payload ? avRequestLength(payload) : 0;
}

std::size_t thpapiEncodeNetworkInfoRequest(ThpapiContext& lib, const MacAddress& source,
                                           const MacAddress& destination,
                                           std::span<std::uint8_t> buffer, bool versionOne) {
  std::size_t payload =
      startRequest(lib, source, destination, buffer, kMmNetworkInfoRequest, versionOne);
  if (!payload) return 0;
  // The version-1 payload is four zero bytes, already there.
  return avRequestLength(payload + (versionOne ? 4 : 0));
}

std::size_t thpapiEncodeSetKeyRequest(ThpapiContext& lib, const MacAddress& source,
                                      const MacAddress& destination, std::span<std::uint8_t> buffer,
                                      const SetKeyParameters& parameters) {
  if (parameters.selector != kKeySelectorRemote && parameters.selector != kKeySelectorLocal) {
    lib.lastError = kErrInvalid;
    return 0;
  }
  std::size_t payload = startRequest(lib, source, destination, buffer, kMmSetKeyRequest);
  if (!payload) return 0;
  ByteWriter w(buffer, payload);
  w.u8(1);
  w.bytes(parameters.key.data(), parameters.key.size());
  w.u8(parameters.selector);
  w.bytes(parameters.target.data(), parameters.target.size());
  if (parameters.selector == kKeySelectorRemote)
    w.bytes(parameters.secondKey.data(), parameters.secondKey.size());
  else
    w.zeros(parameters.secondKey.size());
  return avRequestLength(w.position());
}

std::size_t thpapiReadConfigurationBlock(ThpapiContext& lib, const MacAddress& source,
                                         const MacAddress& destination,
                                         std::span<std::uint8_t> buffer) {
  std::size_t payload = startRequest(lib, source, destination, buffer, kMmConfigBlockRequest);
  return payload ? avRequestLength(payload) : 0;
}

}  // namespace strandline
