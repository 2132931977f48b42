#include "sim/frame_header.h"

namespace strandline::sim {

namespace {

void writeEthernet(ByteWriter& w, const MacAddress& destination, const MacAddress& source,
                   std::uint16_t etherType) {
  w.bytes(destination.data(), destination.size());
  w.bytes(source.data(), source.size());
  w.u16be(etherType);
}

}  // namespace

std::uint16_t frameEtherType(ByteView frame) {
  if (frame.size() < 14) return 0;
  return static_cast<std::uint16_t>(frame[12] << 8 | frame[13]);
}

std::size_t writeAvHeader(Bytes& frame, const MacAddress& destination, const MacAddress& source,
                          std::uint16_t type, std::uint8_t version) {
  ByteWriter w(frame);
  writeEthernet(w, destination, source, kEtherTypeAv);
  w.u8(version);
  w.u16le(type);
  if (version == 1) w.zeros(2);  // a single fragment
  w.bytes(kAvOui, sizeof kAvOui);
  return w.position();
}

void writeHp1Header(Bytes& frame, const MacAddress& destination, const MacAddress& source) {
  ByteWriter w(frame);
  writeEthernet(w, destination, source, kEtherTypeHp10);
  w.zeros(3);
}

}  // namespace strandline::sim
