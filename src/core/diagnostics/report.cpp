#include "core/diagnostics/report.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace strandline {

namespace {

constexpr int kReleaseDate = 20110613;  // year, month, day
constexpr std::array<int, 5> kVersion{6, 0, 0, 0, 4};
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr const char* kMonthShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDayShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

const std::string kSeparator(142, '-');
constexpr const char* kDevicesHeader =
    "Name\t\tMAC\t\tPassword\t\tRate\tNetwork\t\tLast Seen\tVendor\t\tFirmware\t\tSent\t\t"
    "Misses\t\tDrop\t\tFails\t\tHi Rate\t\tLow Rate\n";

template <typename... Args>
std::string format(const char* pattern, Args... args) {
  char text[512];
  std::snprintf(text, sizeof text, pattern, args...);
  return text;
}

std::tm localTime(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return tm;
}

bool isAv(std::uint32_t kind) {
  return kind == kKindAv || kind == kKindAvTsc4000;
}

std::string ouiVendor(const ReportFacts& facts, const MacAddress& mac) {
  return vendorNameFor(facts.oui, mac, facts.prefs.oui, facts.prefs.vendorName);
}

void hostPart(const ReportFacts& facts, ReportSink& sink) {
  const int level = facts.prefs.diagnosticsLevel;
  int number = 0;
  for (int card = 0; card < facts.cardCount && card < kMaxCards; ++card) {
    const AdapterNetwork& network = facts.networks[static_cast<std::size_t>(card)];
    if (!macIsSet(network.cardMac.data())) continue;
    sink.startLine(format("On NIC #%d MAC = ", ++number) + macToText(network.cardMac));
    if (!network.present || !macIsSet(network.adapterMac.data())) {
      sink.startLine("   No HomePlug Device Connected");
      sink.startLine("");
      continue;
    }
    const bool boost = network.kind == kKindBoost;
    sink.startLine("   HomePlug Device #1 MAC = " + macToText(network.adapterMac));
    sink.startLine("   Network password: " + network.networkName.str());
    if (level > 1 && boost)
      sink.startLine("   Vendor: " + facts.boost.vendor + ", Product: " + facts.boost.product +
                     ".");
    else
      sink.startLine("   Vendor: " + ouiVendor(facts, network.adapterMac));
    if (boost)
      sink.startLine("   Firmware:MAC " + facts.boost.firmware + "   ( " +
                     facts.boost.versionString + " )");
    else if (isAv(network.kind))
      sink.startLine("   Firmware: " + network.firmware.str() + " ");
    else
      sink.startLine("   Firmware: HP 1.0");
    if (level >= 2) {
      const LocalAdapter& adapter = facts.adapters[static_cast<std::size_t>(card)];
      sink.startLine(
          format("   Reads: %ld (%ld KB), Writes: %ld (%ld KB)", static_cast<long>(adapter.reads),
                 static_cast<long>(adapter.readBytes / 1024), static_cast<long>(adapter.writes),
                 static_cast<long>(adapter.writtenBytes / 1024)));
      const RateStats& tx = network.localTx;
      sink.startLine(format("   Drops = %ld, Fails = %ld, Highest = %.2f Mbps. Lowest = %.2f Mbps",
                            static_cast<long>(tx.drops), static_cast<long>(tx.fails), tx.highest,
                            tx.lowest));
    }
    sink.startLine("");
  }
  sink.startLine("Computer network name: " + facts.host.computerName.substr(0, 80));
  sink.startLine("User name: " + facts.host.userName.substr(0, 80));
  sink.startLine("Microprocessor: " + facts.host.processor);
  sink.startLine(facts.host.osPlatform);
  sink.startLine(" ");
  sink.startLine(facts.prefs.appName + "    " + versionText());
  sink.startLine(format("Library: %-14s", facts.host.library.c_str()));
}

void devicesPart(const ReportFacts& facts, ReportSink& sink) {
  sink.fileText("\n\n\nRemote Powerline Devices:\n" + kSeparator + "\n" + kDevicesHeader +
                kSeparator);
  sink.beginDevices();
  if (facts.currentCard < 0 || facts.currentCard >= kMaxCards) return;
  const auto card = static_cast<std::size_t>(facts.currentCard);
  const AdapterNetwork& network = facts.networks[card];
  const MacAddress& local = facts.adapters[card].mac;
  const int level = facts.prefs.diagnosticsLevel;
  for (const StationRecord& station : network.stations) {
    if (!macIsSet(station.mac.data()) || station.mac == local) continue;
    int position = findKnownByMac(facts.known, station.mac);
    if (position == 0) continue;
    const KnownDevice& device = facts.known.at(position);
    sink.startLine(device.name.str());
    sink.addField(macToText(station.mac));
    sink.addField(device.password.empty() ? kNoPasswordEntered : device.password.str());
    sink.addField(station.tx.current == 0
                      ? std::string("?")
                      : format("%.2d/%.2d", static_cast<int>(std::trunc(station.tx.current)),
                               static_cast<int>(std::trunc(station.rx.current))));
    sink.addField(device.networkName.str());
    sink.addField(lastSeenText(static_cast<std::time_t>(device.lastSeen), facts.prefs.ampm != 0));
    if (station.kind == kKindBoost && level > 1)
      sink.addField(station.vendor.str() + " " + station.product.str());
    else
      sink.addField(ouiVendor(facts, station.mac));
    if (station.kind == kKindBoost)
      sink.addField("MAC " + station.firmware.str());
    else if (isAv(station.kind))
      sink.addField(station.firmware.str());
    else
      sink.addField("HP 1.0");
    for (std::uint32_t count : {station.sent, station.misses, station.tx.drops, station.tx.fails})
      sink.addField(format("%ld", static_cast<long>(count)));
    sink.addField(format("%.2f", station.tx.highest));
    sink.addField(format("%.2f", station.tx.lowest));
    sink.fileText("\n");
  }
}

}  // namespace

void TextSink::startLine(std::string_view line) {
  text += '\n';
  text.append(line);
}

void TextSink::addField(std::string_view field) {
  text += '\t';
  text.append(field);
}

void ListSink::startLine(std::string_view line) {
  current_->push_back({std::string(line)});
}

void ListSink::addField(std::string_view field) {
  if (current_->empty()) current_->push_back({std::string()});
  current_->back().emplace_back(field);
}

void ListSink::beginDevices() {
  current_ = &devices;
  devices.clear();
}

void takeProgramFacts(const ProgramContext& ctx, ReportFacts& facts) {
  facts.cardCount = ctx.cards.count;
  facts.currentCard = ctx.cards.currentCard;
  facts.networks = ctx.networks;
  facts.adapters = ctx.adapters;
  facts.boost = ctx.boost;
  facts.known = ctx.known;
}

std::string releaseText() {
  const int year = kReleaseDate / 10000, month = kReleaseDate / 100 % 100, day = kReleaseDate % 100;
  return format("Released: %s %.2d, %d", kMonthNames[month - 1], day, year);
}

std::string versionText() {
  return format("v%d.%d.%d.%d, Build %.4d", kVersion[0], kVersion[1], kVersion[2], kVersion[3],
                kVersion[4]);
}

std::string calendarText(std::time_t when) {
  std::tm tm = localTime(when);
  return format("%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDayShort[tm.tm_wday % 7],
                kMonthShort[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                1900 + tm.tm_year);
}

std::string lastSeenText(std::time_t when, bool ampm) {
  std::tm tm = localTime(when);
  int hour = tm.tm_hour;
  if (ampm && hour >= 13) hour %= 12;
  std::string text =
      format("%.3s%3d %.2d:%.2d", kMonthShort[tm.tm_mon % 12], tm.tm_mday, hour, tm.tm_min);
  if (ampm) text += tm.tm_hour <= 12 ? "AM" : "PM";
  return text;
}

Status updateDiagnosticsList(const ReportFacts& facts, ReportSink& sink) {
  try {
    hostPart(facts, sink);
    devicesPart(facts, sink);
  } catch (const std::exception&) {
    return Status::failure(kReportErrorText);
  }
  return {};
}

std::string diagnosticsReport(const ReportFacts& facts, std::time_t now) {
  TextSink sink;
  sink.text = "Diagnostics Report:\t\t\t\t\t" + calendarText(now) + "\nUtility " + releaseText() +
              "\n" + facts.prefs.copyright + "\n\n" + "Host Computer Information:\n" + kSeparator;
  updateDiagnosticsList(facts, sink);
  return sink.text;
}

Status writeDiagnosticsReport(const std::string& path, const ReportFacts& facts, std::time_t now,
                              FileOps& ops) {
  std::string text = diagnosticsReport(facts, now);
  return writeFileAtomically(
      ops, path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), 0600);
}

}  // namespace strandline
