// The HomePlug AV side of a simulated adapter: vendor management requests
// (OUI 00 B0 52) from the computer, answered by the local adapter or carried
// to the stations of its network.
#pragma once

#include "base/bytes.h"
#include "sim/device_context.h"

namespace strandline::sim {

// Request types the simulated AV devices answer.
enum AvRequestType : std::uint16_t {
  kAvMemoryWrite = 0xA004,
  kAvStart = 0xA00C,
  kAvReset = 0xA01C,
  kAvModuleWrite = 0xA020,
  kAvModuleRead = 0xA024,
  kAvCommit = 0xA028,
  kAvNetworkInfo = 0xA038,
  kAvSetKey = 0xA050,
  kAvConfigBlock = 0xA058,
  kAvFactoryDefaults = 0xA07C,
  kAvLed = 0xA094,
  kAvVersion = 0xA000,
};

// The TSC4000 family (device identifier 4) also speaks the version-1 network
// information exchange.
inline constexpr int kDeviceIdTsc4000 = 4;
// Memory address at which a parameter block is loaded next to a firmware image.
inline constexpr std::uint32_t kPibLoadAddress = 0x01F00000;

void handleAvFrame(DeviceContext& ctx, Adapter& local, ByteView frame);

// Takes the keys of a parameter block the device now runs with.
void adoptParameterBlock(Adapter& station, Bytes pib);

}  // namespace strandline::sim
