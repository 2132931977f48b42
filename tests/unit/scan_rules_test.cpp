// The pure rules of discovery and the scan: rate conversion and statistics,
// firmware identity, kind texts, timer periods and the request layouts.
#include <gtest/gtest.h>

#include "core/discovery/boost_adapter.h"
#include "core/discovery/firmware_identity.h"
#include "core/discovery/local_detection.h"
#include "core/discovery/network_scan.h"
#include "core/program_context.h"
#include "platform/memory_link.h"
#include "protocol/hp10_requests.h"
#include "unit/av_frames.h"

namespace strandline {
namespace {

TEST(UpdateRate, HomePlug10RatesAreTruncated) {
  RateStats stats;
  updateRate(stats, {42, 3, 4}, RateMode::HomePlug10);
  EXPECT_EQ(stats.current, 1);  // 1.0137 truncated
  EXPECT_EQ(stats.fails, 3u);
  EXPECT_EQ(stats.drops, 4u);
  updateRate(stats, {0, 0, 0}, RateMode::HomePlug10);
  EXPECT_EQ(stats.current, 0);  // -0.1298 truncated toward zero
}

TEST(UpdateRate, FirstSampleSetsBothExtremesAndChangeFlag) {
  RateStats stats;
  std::uint16_t raw = static_cast<std::uint16_t>(150 * 151 / 200 + 1);  // gives 150
  updateRate(stats, {raw, 0, 0}, RateMode::Av);
  EXPECT_EQ(stats.current, 150);
  EXPECT_EQ(stats.lowest, 150);
  EXPECT_EQ(stats.highest, 150);
  EXPECT_EQ(stats.changed, 1);
  stats.changed = 0;
  updateRate(stats, {raw, 0, 0}, RateMode::Av);
  EXPECT_EQ(stats.changed, 0);  // same value: no change
  updateRate(stats, {50, 0, 0}, RateMode::Av);
  EXPECT_EQ(stats.lowest, 66);
  EXPECT_EQ(stats.highest, 150);
}

TEST(BoostIdentity, VersionTexts) {
  EXPECT_EQ(boostVersionText(1, 0, 0x16), "Version 1.4");
  EXPECT_EQ(boostVersionText(2, 3, 1), "Version 3.1");
}

ThpapiResult versionResult(std::uint8_t deviceId, const std::string& text) {
  ThpapiResult r;
  r.data[0] = deviceId;
  r.data[1] = static_cast<std::uint8_t>(text.size());
  std::copy(text.begin(), text.end(), r.data.begin() + 2);
  return r;
}

TEST(FirmwareIdentity, RewritesTheFamilyPrefix) {
  // The text as received is kept beside the rewritten one.
  FirmwareIdentity c = identifyFirmware(versionResult(1, "AB-TSC1000-MAC"), 65);
  EXPECT_EQ(c.version, "TSC1000-MAC");
  EXPECT_EQ(c.rawVersion, "AB-TSC1000-MAC");

  FirmwareIdentity d = identifyFirmware(versionResult(9, "XYZ-1"), 65);
  EXPECT_FALSE(d.family);
  EXPECT_EQ(d.version, "XYZ-1");  // no prefix: the whole text is kept
}

TEST(FirmwareIdentity, NeverReadsPastTheCopiedText) {
  ThpapiResult r = versionResult(2, std::string(64, 'x'));
  r.data[1] = 255;  // claims more than the decoder copied
  EXPECT_EQ(identifyFirmware(r, 65).version.size(), 64u);
  EXPECT_EQ(identifyFirmware(r, 10).version.size(), 9u);
}

TEST(KindText, OneTextPerKind) {
  const char* texts[] = {
      "Adapter",         "USB", "HomePlug Boost Device", "HomePlug 1.0 Device", "Powerline device",
      "Powerline device"};
  for (std::uint32_t kind = 0; kind < 6; ++kind) EXPECT_EQ(kindTextFor(kind), texts[kind]);
}

TEST(ScanTimer, PeriodIsIntervalTimesTenOverSeven) {
  EXPECT_EQ(scanTimerPeriodMs(7), 10u);
  EXPECT_EQ(scanTimerPeriodMs(1), 1u);
  EXPECT_EQ(scanTimerPeriodMs(30), 42u);
  EXPECT_EQ(scanTimerPeriodMs(0), 1u);
}

TEST(Hp10Requests, GoldenLayouts) {
  const MacAddress source{0x02, 0, 0, 0, 0, 0x07};
  std::uint8_t frame[kHp1RequestBuffer];
  EXPECT_EQ(buildNetworkStatsRequest(frame, source, kBroadcastMac), 38u);
  EXPECT_EQ(testframes::hexAt(frame, 11, 7), "07887B011ABB80");
  EXPECT_EQ(buildLocalParamsRequest(frame, source, kBroadcastMac, 16), 32u);
  EXPECT_EQ(testframes::hexAt(frame, 15, 4), "190F1000");
  EXPECT_EQ(buildStationRequest(frame, source, source), 17u);
  EXPECT_EQ(testframes::hexAt(frame, 0, 6), "020000000007");
  EXPECT_EQ(testframes::hexAt(frame, 15, 2), "0700");
}

// A program context on an idle in-memory link, for the scan's table rules.
class StationTable : public ::testing::Test {
 protected:
  VirtualClock clock;
  MemoryLink link{clock};
  RecordingPrompter prompter;
  ProgramContext ctx{link, clock, prompter};
};

TEST_F(StationTable, OnlyAUnicastAddressTakesASlot) {
  seeStation(ctx, MacAddress{});  // the free-slot marker
  seeStation(ctx, kBroadcastMac);
  seeStation(ctx, {0x01, 0x00, 0x5E, 0x00, 0x00, 0x01});
  for (const StationRecord& station : ctx.currentNetwork().stations)
    EXPECT_FALSE(station.valid) << macToText(station.mac);
  seeStation(ctx, {0x02, 0, 0, 0, 0, 0x10});
  EXPECT_EQ(ctx.currentNetwork().stations[0].valid, 1u);
}

TEST_F(StationTable, ARateBeyondTheRawRangeSaturatesTheLocalRate) {
  // Network statistics naming two stations at the largest raw rate a frame can carry.
  Bytes frame(24 + 2 * 12, 0);
  frame[12] = 0x88, frame[13] = 0x7B, frame[14] = 1, frame[15] = kHp1NetworkStats;
  for (std::uint8_t i = 0; i < 2; ++i) {
    const MacAddress mac{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(0x10 + i)};
    seeStation(ctx, mac);
    std::copy(mac.begin(), mac.end(), frame.begin() + 24 + 12 * i);
    frame[30 + 12 * i] = frame[31 + 12 * i] = 0xFF;
  }
  hp1StationRates(ctx, frame);
  EXPECT_EQ(ctx.currentNetwork().stations[0].tx.current, 1784);
  // Their mean, not a value wrapped around the raw range.
  EXPECT_EQ(ctx.currentNetwork().localTx.current, 1784);
}

}  // namespace
}  // namespace strandline
