// strandline-cli history: the stored rate samples of one station (or local
// adapter) as a table, CSV or JSON.
#include <cctype>
#include <cstdio>
#include <ctime>
#include <memory>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/options.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "storage/rate_history.h"

namespace strandline::cli {

namespace {

// "90", "90s", "15m", "2h", "7d": seconds, at most ten years.
bool parseDuration(const std::string& text, std::int64_t& seconds) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  std::size_t end = 0;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  if (end > 9) return false;
  std::int64_t value = std::stoll(text.substr(0, end));
  std::string unit = text.substr(end);
  std::int64_t scale = unit.empty() || unit == "s" ? 1
                       : unit == "m"               ? 60
                       : unit == "h"               ? 3600
                       : unit == "d"               ? 86400
                                                   : 0;
  if (scale == 0) return false;
  seconds = value * scale;
  return seconds <= std::int64_t{3660} * 86400;
}

// UTC with milliseconds: 2026-12-07T12:34:56.789Z.
std::string isoTime(std::int64_t ms) {
  std::time_t tt = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  char full[48];
  std::snprintf(full, sizeof full, "%s.%03dZ", text, static_cast<int>(ms % 1000));
  return full;
}

struct HistoryOptions {
  std::string macText, folder;
  std::string since = "24h";
  bool csv = false, json = false;
};

int runHistory(const HistoryOptions& o) {
  std::string folder = o.folder;
  const std::string& macText = o.macText;
  std::int64_t since = 0;
  parseDuration(o.since, since);  // checked while parsing
  enum class Format { Table, Csv, Json };
  const Format format = o.csv ? Format::Csv : o.json ? Format::Json : Format::Table;
  MacAddress mac{};
  if (!parseDeviceMac(macText, mac)) return kExitUsage;
  if (folder.empty()) folder = defaultDataFolder();

  RateHistory history;
  Status s = history.openForReading(folder + "/" + kHistoryFileName);
  std::vector<HistorySample> samples;
  if (s.ok()) s = history.samples(macToText(mac), (systemWallSeconds() - since) * 1000, samples);
  if (!s.ok()) {
    std::fprintf(stderr, "strandline-cli: %s\n", s.message.c_str());
    return kExitFailure;
  }
  if (format == Format::Json) {
    nlohmann::json out = nlohmann::json::array();
    for (const HistorySample& h : samples)
      out.push_back({{"time", isoTime(h.timeMs)},
                     {"timeMs", h.timeMs},
                     {"card", h.card},
                     {"adapter", h.adapter},
                     {"station", h.station},
                     {"tx", h.tx},
                     {"rx", h.rx},
                     {"answered", h.answered},
                     {"folded", h.folded}});
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
  }
  if (format == Format::Csv)
    std::printf("time,card,adapter,station,tx,rx,answered,folded\n");
  else
    std::printf("%-24s %4s %-17s %6s %6s %s\n", "time", "card", "adapter", "TX", "RX", "");
  for (const HistorySample& h : samples) {
    if (format == Format::Csv)
      std::printf("%s,%d,%s,%s,%g,%g,%d,%d\n", isoTime(h.timeMs).c_str(), h.card, h.adapter.c_str(),
                  h.station.c_str(), h.tx, h.rx, h.answered ? 1 : 0, h.folded ? 1 : 0);
    else
      std::printf("%-24s %4d %-17s %6.0f %6.0f %s%s\n", isoTime(h.timeMs).c_str(), h.card,
                  h.adapter.c_str(), h.tx, h.rx, h.answered ? "" : "no answer",
                  h.folded ? " (10-minute mean)" : "");
  }
  return kExitOk;
}

}  // namespace

void addHistoryCommand(CLI::App& app, Action& action) {
  auto o = std::make_shared<HistoryOptions>();
  CLI::App* sub = app.add_subcommand("history", "the stored rate samples of a station");
  sub->add_option("MAC", o->macText, "the station (or local adapter)")->required();
  sub->add_option("--since", o->since,
                  "samples of the last DURATION: 90s, 15m, 2h, 7d (default 24h)")
      ->type_name("DURATION")
      ->check(CLI::Validator(
          [](std::string& text) {
            std::int64_t seconds = 0;
            return parseDuration(text, seconds)
                       ? std::string()
                       : std::string("takes a duration such as 90s, 15m, 2h or 7d");
          },
          ""));
  CLI::Option* csv = sub->add_flag("--csv", o->csv, "as CSV");
  addJsonFlag(*sub, o->json, "as JSON")->excludes(csv);
  addDataOption(*sub, o->folder, "the data folder that holds the history (default: the window's)");
  onRun(*sub, action, [o] { return runHistory(*o); });
}

}  // namespace strandline::cli
