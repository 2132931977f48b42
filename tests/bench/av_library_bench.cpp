// Key derivations and decoding a version confirmation, per call.
#include <benchmark/benchmark.h>

#include "base/keys.h"
#include "protocol/av_decode.h"
#include "protocol/management_frame.h"

namespace strandline {
namespace {

void BM_DeriveNetworkKey(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(deriveNetworkKey("HomePlugAV"));
}
BENCHMARK(BM_DeriveNetworkKey);

void BM_DeriveDeviceKey(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(deriveDeviceKey("ABCD-EFGH-IJKL-MNOP"));
}
BENCHMARK(BM_DeriveDeviceKey);

void BM_DeriveHp10Key(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(deriveHp10Key("HomePlug"));
}
BENCHMARK(BM_DeriveHp10Key);

void BM_DeriveNid(benchmark::State& state) {
  Key16 nmk = deriveNetworkKey("HomePlugAV");
  for (auto _ : state) benchmark::DoNotOptimize(deriveNid(nmk, 0));
}
BENCHMARK(BM_DeriveNid);

void BM_DecodeVersionConfirm(benchmark::State& state) {
  Bytes frame(88, 0);
  const MacAddress host{0x02, 0, 0, 0, 0, 0x10};
  buildAvHeaderV0(frame.data(), host.data(), kLocalDeviceMac.data(), 0xA001);
  frame[22] = 8;
  for (int i = 0; i < 8; ++i) frame[23 + i] = static_cast<std::uint8_t>('0' + i);
  ThpapiContext lib;
  ThpapiResult result;
  for (auto _ : state) {
    benchmark::DoNotOptimize(thpapiDecodeFrame(lib, ByteView(frame), result, 0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DecodeVersionConfirm);

}  // namespace
}  // namespace strandline
