// What `monitor` reports after each scan cycle: the current card's stations
// with their names, firmware, rates and whether they answered, and the same
// as a Prometheus text exposition.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine.h"
#include "storage/rate_history.h"

namespace strandline::app {

struct MonitoredStation {
  std::string mac;
  std::string name;  // from the known devices; empty when unnamed
  std::string firmware;
  double tx = 0;  // Mbit/s
  double rx = 0;
  bool answered = false;
};

struct MonitorReport {
  std::int64_t timeMs = 0;  // ms since 1970
  std::uint32_t cycles = 0;
  int card = 0;
  std::string cardName;
  std::string adapter;  // empty when the card has no adapter
  std::string adapterFirmware;
  std::uint64_t framesSent = 0;
  double queryMs = 0;  // how long the last network query took
  std::vector<MonitoredStation> stations;
};

// The report of an end-of-cycle snapshot; `cycle` (historyCycleOf) says who answered.
MonitorReport monitorReportOf(const EngineSnapshot& snapshot, const HistoryCycle& cycle);

// A label value with backslash, double quote and line feed escaped.
std::string escapeLabelValue(std::string_view value);

// The Prometheus text format (version 0.0.4) of a report.
std::string prometheusText(const MonitorReport& report);

}  // namespace strandline::app
