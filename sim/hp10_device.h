// The HomePlug 1.0 side of a simulated adapter (ethertype 0x887B): entry
// frames from the computer, answered by the local adapter or carried over the
// medium. A local adapter answers its own requests with the destination equal
// to the source (its own address), as HomePlug 1.0 adapters do.
//
// Carried frames are encrypted with the key that the local adapter's third
// option byte selects: 0 the key of key select 0 (a station's DEK while a key
// is given to it), otherwise the network key. A station hears them only when
// it holds that key.
#pragma once

#include <utility>
#include <vector>

#include "base/bytes.h"
#include "sim/device_context.h"

namespace strandline::sim {

enum Hp10Entry : std::uint8_t {
  kHp1Private = 0x02,
  kHp1SetKey = 0x04,
  kHp1KeyConfirm = 0x06,
  kHp1StatsRequest = 0x07,
  kHp1StatsReply = 0x08,
  kHp1Loader = 0x10,
  kHp1RemoteKey = 0x14,
  kHp1HostRequest = 0x12,
  kHp1HostAnswer = 0x13,
  kHp1LocalParams = 0x19,
  kHp1NetworkStats = 0x1A,
  kHp1Options = 0x1F,
};

struct Hp1Entry {
  std::uint8_t type = 0;
  std::size_t offset = 0;  // of the entry's data in the frame
  ByteView data;
  ByteView tail;  // the frame from the entry's data to its end
};

// The entries of a HomePlug 1.0 frame; an entry cut short by the end of the
// frame is the last one and keeps the bytes present.
std::vector<Hp1Entry> parseHp1Entries(ByteView frame);
Bytes buildHp1Frame(const MacAddress& destination, const MacAddress& source,
                    const std::vector<std::pair<std::uint8_t, Bytes>>& entries);

// Raw network-statistics rate for a rate in Mbit/s.
std::uint16_t hp10RawRate(double mbps);

void handleHp10Frame(DeviceContext& ctx, Adapter& local, ByteView frame);

// Sets a HomePlug 1.0 key: select 0 is the key slot, any other the network key.
void setHp1Key(Adapter& a, std::uint8_t select, ByteView key);
// Fills the local-parameter image from the adapter's keys.
void initHp1Image(Adapter& a);

}  // namespace strandline::sim
