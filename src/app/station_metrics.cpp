#include "app/station_metrics.h"

#include <cstdio>

namespace strandline::app {

MonitorReport monitorReportOf(const EngineSnapshot& s, const HistoryCycle& cycle) {
  MonitorReport r;
  r.timeMs = s.wallMs;
  r.cycles = s.cyclesCompleted;
  r.card = s.currentCard;
  r.framesSent = s.framesSent;
  r.queryMs = static_cast<double>(s.lastPhase3Ms);
  const auto card = static_cast<std::size_t>(s.currentCard);
  if (card >= kMaxCards) return r;
  r.cardName = s.cardNames[card];
  if (cycle.points.empty()) return r;
  r.adapter = cycle.adapter;
  r.adapterFirmware = s.networks[card].firmware.str();
  // The cycle's first point is the local adapter; the others follow the table's order.
  std::size_t next = 1;
  for (const StationRecord& st : s.networks[card].stations) {
    if (!macIsSet(st.mac.data()) || next >= cycle.points.size()) continue;
    const HistoryPoint& point = cycle.points[next++];
    MonitoredStation m{point.station, "", st.firmware.str(), point.tx, point.rx, point.answered};
    if (int known = findKnownByMac(s.known, st.mac)) m.name = s.known.at(known).name.str();
    r.stations.push_back(std::move(m));
  }
  return r;
}

std::string escapeLabelValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '"')
      out += "\\\"";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

namespace {

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

void family(std::string& out, const char* name, const char* type, const char* help) {
  out += "# HELP ";
  out += name;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += name;
  out += ' ';
  out += type;
  out += '\n';
}

}  // namespace

std::string prometheusText(const MonitorReport& r) {
  std::string out;
  std::vector<std::string> labels;
  for (const MonitoredStation& st : r.stations)
    labels.push_back("{card=\"" + escapeLabelValue(r.cardName) + "\",adapter=\"" + r.adapter +
                     "\",station=\"" + st.mac + "\",name=\"" + escapeLabelValue(st.name) +
                     "\",firmware=\"" + escapeLabelValue(st.firmware) + "\"}");
  auto perStation = [&](const char* name, const char* help, auto value) {
    family(out, name, "gauge", help);
    for (std::size_t i = 0; i < r.stations.size(); ++i)
      out += name + labels[i] + ' ' + number(value(r.stations[i])) + '\n';
  };
  perStation("strandline_station_tx_rate_mbps", "Transmit rate to the station in Mbit/s.",
             [](const MonitoredStation& st) { return st.tx; });
  perStation("strandline_station_rx_rate_mbps", "Receive rate from the station in Mbit/s.",
             [](const MonitoredStation& st) { return st.rx; });
  perStation("strandline_station_up", "1 when the station answered in the last scan cycle.",
             [](const MonitoredStation& st) { return st.answered ? 1.0 : 0.0; });
  family(out, "strandline_scan_cycles_total", "counter", "Scan cycles completed.");
  out += "strandline_scan_cycles_total " + number(r.cycles) + '\n';
  family(out, "strandline_frames_sent_total", "counter", "Management frames sent.");
  out += "strandline_frames_sent_total " + number(static_cast<double>(r.framesSent)) + '\n';
  family(out, "strandline_scan_duration_seconds", "gauge",
         "How long the last network query of the scan took.");
  out += "strandline_scan_duration_seconds " + number(r.queryMs / 1000.0) + '\n';
  family(out, "strandline_last_scan_timestamp_seconds", "gauge",
         "When the last scan cycle ended, in seconds since 1970.");
  out += "strandline_last_scan_timestamp_seconds " +
         number(static_cast<double>(r.timeMs) / 1000.0) + '\n';
  return out;
}

}  // namespace strandline::app
