// The key flows' receive paths: the local adapter confirming a new key (the AV
// set-key confirmation, a Boost adapter's entry 0x06, or a standard adapter's
// local parameters read back), then a key carried to a remote device: its
// confirmation, which may arrive while another answer is awaited, and the
// presence check after it. Mode bits 0-1: the family (0 AV, 1 Boost, 2 and 3
// standard); bit 2: broadcast (whichever device answers); bit 3: the adapter
// has answered before (its parameters are valid).
#include <cstdlib>

#include "core/security/key_setting.h"
#include "fuzz/receive_harness.h"

namespace strandline::fuzz {

namespace {

constexpr Key16 kNetworkKey{0x4E, 0x45, 0x54, 0x4B, 0x45, 0x59, 0x30, 0x31,
                            0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};
constexpr Key16 kDeviceKey{0x44, 0x45, 0x56, 0x4B, 0x45, 0x59, 0x30, 0x31,
                           0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};

}  // namespace

int fuzzKeySetting(ByteView input) {
  static constexpr std::uint32_t kKinds[] = {kKindAv, kKindBoost, kKindHomePlug10, kKindHomePlug10};
  const std::uint8_t mode = input.empty() ? 0 : input[0];
  const bool broadcast = mode & 4;
  ReceiveHarness harness(input, kKinds[mode & 3]);
  ProgramContext& ctx = harness.ctx();
  ctx.currentAdapter().paramsValid = (mode >> 3) & 1;
  setLocalNEK(ctx, nullptr, kNetworkKey);
  MacAddress device = broadcast ? kBroadcastMac : kStationMac;
  int result = setRemoteKey(ctx, kDeviceKey, kNetworkKey, device, broadcast, false);
  // On HomePlug 1.0 only the device asked for answers for it. (In broadcast
  // mode any station but the local adapter does, and a received statistics
  // reply may name another station the local adapter, as detection wants.)
  if (!ctx.avMode && !broadcast && result != kRemoteNothingHeard && device != kStationMac)
    std::abort();
  return 0;
}

std::vector<Bytes> keySettingSeeds() {
  const Bytes avConfirm = avFrame(kAdapterMac, 0xA051, {0}, 60);
  const Bytes localConfirm = hp1Frame(kAdapterMac, 6, {0});
  const Bytes remoteConfirm = hp1Frame(kStationMac, 6, {0});
  // The local parameters a standard adapter shows once it took kNetworkKey.
  Bytes image(51);
  image[0] = 1;
  image[1 + 14] = 1;
  std::copy_n(kNetworkKey.begin(), 8, image.begin() + 1 + 15);
  image[1 + 23] = 0x40;
  image[1 + 25] = 1;
  return {seedInput(0, {{}, {avConfirm}, {avConfirm}}),
          seedInput(1, {{}, {localConfirm}, {remoteConfirm}}),
          seedInput(1 | 4, {{}, {localConfirm}, {remoteConfirm}}),
          seedInput(
              2 | 8,
              {{}, {}, {hp1Frame(kAdapterMac, 25, image, kAdapterMac)}, {}, {}, {remoteConfirm}})};
}

}  // namespace strandline::fuzz
