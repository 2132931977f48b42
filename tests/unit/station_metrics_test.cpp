// The metrics text of `monitor`: label values escaped, one line per station
// and gauge, the counters.
#include <gtest/gtest.h>

#include "app/station_metrics.h"

namespace strandline::app {
namespace {

TEST(StationMetrics, LabelValuesAreEscaped) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Kitchen", "Kitchen"},
      {R"(a "quoted" name)", R"(a \"quoted\" name)"},
      {"back\\slash", "back\\\\slash"},
      {"two\nlines", "two\\nlines"},
  };
  for (const auto& [raw, escaped] : cases) EXPECT_EQ(escapeLabelValue(raw), escaped) << raw;
}

TEST(StationMetrics, TextHasEveryStationAndTheCounters) {
  MonitorReport r;
  r.timeMs = 1'700'000'000'500;
  r.cycles = 12;
  r.cardName = "eth1";
  r.adapter = "02:5A:00:00:01:01";
  r.framesSent = 345;
  r.queryMs = 250;
  r.stations = {{"02:5A:00:00:01:02", "Den \"TV\"", "FW-1", 238, 226, true},
                {"02:5A:00:00:01:03", "", "FW-2", 0, 0, false}};
  std::string text = prometheusText(r);
  const std::string labels2 =
      R"({card="eth1",adapter="02:5A:00:00:01:01",station="02:5A:00:00:01:02",name="Den \"TV\"",firmware="FW-1"})";
  const std::string labels3 =
      R"({card="eth1",adapter="02:5A:00:00:01:01",station="02:5A:00:00:01:03",name="",firmware="FW-2"})";
  for (const std::string& line :
       {"strandline_station_tx_rate_mbps" + labels2 + " 238",
        "strandline_station_rx_rate_mbps" + labels2 + " 226",
        "strandline_station_up" + labels2 + " 1", "strandline_station_up" + labels3 + " 0",
        std::string("strandline_scan_cycles_total 12"),
        std::string("strandline_frames_sent_total 345"),
        std::string("strandline_scan_duration_seconds 0.25"),
        std::string("strandline_last_scan_timestamp_seconds 1700000000.5"),
        std::string("# TYPE strandline_frames_sent_total counter")})
    EXPECT_NE(text.find("\n" + line + "\n"), std::string::npos) << line << "\n" << text;
}

}  // namespace
}  // namespace strandline::app
