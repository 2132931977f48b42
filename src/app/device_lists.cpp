#include "app/device_lists.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/mac_address.h"

namespace strandline::app {

namespace {

constexpr std::array<ColumnInfo, 5> kAllColumns = {{
    {RemoteColumn::Name, "Device Name", 140},
    {RemoteColumn::Mac, "MAC Address", 120},
    {RemoteColumn::Rate, "Rate(Tx/Rx)", 90},
    {RemoteColumn::Quality, "Quality", 80},
    {RemoteColumn::Password, "Password", 110},
}};

constexpr const char* kHalfBlock = "\u258C";

std::string bar(int characters) {
  std::string bar;
  for (int i = 0; i < characters; ++i) bar += kHalfBlock;
  return bar;
}

// The kind's maximum rate for the label tables; 0 for kinds without one.
int tableMaxRate(std::uint32_t kind) {
  switch (kind) {
    case 0:
    case 1:
      return 14;
    case 2:
      return 85;
    case 4:
      return 200;
    case 5:
      return 500;
    default:
      return 0;
  }
}

int percentMaxRate(std::uint32_t kind) {
  switch (kind) {
    case 1:
      return 14;
    case 2:
      return 85;
    case 5:
      return 500;
    default:
      return 200;
  }
}

int compareText(const std::string& a, const std::string& b, int toggle) {
  int c = a.compare(b);
  if (c == 0) return 0;
  c = c < 0 ? -1 : 1;
  return toggle == 0 ? -c : c;
}

}  // namespace

std::vector<ColumnInfo> remoteColumns(bool showRate, bool showQuality) {
  std::vector<ColumnInfo> columns;
  for (const ColumnInfo& c : kAllColumns) {
    if (c.column == RemoteColumn::Rate && !showRate) continue;
    if (c.column == RemoteColumn::Quality && !showQuality) continue;
    columns.push_back(c);
  }
  return columns;
}

std::vector<int> freshDisplayOrder(std::size_t columnCount) {
  std::vector<int> order;
  for (std::size_t i = 0; i < columnCount; ++i) {
    int column = static_cast<int>(i);
    if (order.empty())
      order.push_back(column);
    else
      order.insert(order.begin() + 1, column);
  }
  return order;
}

AppliedLayout applyColumnLayout(const ColumnLayout& saved, const std::vector<ColumnInfo>& columns) {
  AppliedLayout applied;
  // A saved order that is not a permutation of 0..4 is ignored.
  std::array<std::int32_t, kListColumns> sorted = saved.order;
  std::sort(sorted.begin(), sorted.end());
  bool valid = true;
  for (std::size_t i = 0; i < kListColumns; ++i) valid &= sorted[i] == static_cast<int>(i);
  if (valid) {
    for (std::int32_t column : saved.order)
      for (std::size_t i = 0; i < columns.size(); ++i)
        if (static_cast<int>(columns[i].column) == column)
          applied.order.push_back(static_cast<int>(i));
  } else {
    applied.order = freshDisplayOrder(columns.size());
  }
  for (const ColumnInfo& c : columns) {
    int width = saved.widths[static_cast<std::size_t>(c.column)];
    applied.widths.push_back(width > 0 && width < 4000 ? width : c.width);
  }
  return applied;
}

std::vector<int> fittedWidths(const std::vector<ColumnInfo>& columns, std::vector<int> wanted,
                              int available) {
  int total = 0;
  for (int width : wanted) total += width;
  for (std::size_t i = 0; i < columns.size() && i < wanted.size(); ++i) {
    if (columns[i].column != RemoteColumn::Quality || total <= available) continue;
    int floor = std::min(wanted[i], columns[i].width);
    wanted[i] = std::max(floor, wanted[i] - (total - available));
  }
  return wanted;
}

bool widthsStored(const ColumnLayout& saved) {
  for (std::size_t i = 0; i < kAllColumns.size(); ++i)
    if (saved.widths[i] != kAllColumns[i].width) return true;
  return false;
}

ColumnLayout captureColumnLayout(const ColumnLayout& previous,
                                 const std::vector<ColumnInfo>& columns,
                                 const std::vector<int>& order, const std::vector<int>& widths) {
  ColumnLayout layout = previous;
  for (std::size_t i = 0; i < columns.size() && i < widths.size(); ++i)
    layout.widths[static_cast<std::size_t>(columns[i].column)] = widths[i];
  // The shown columns take the saved places that shown columns held before,
  // in their new order; hidden columns keep theirs.
  std::vector<std::size_t> places;
  for (std::size_t p = 0; p < kListColumns; ++p) {
    int column = previous.order[p];
    bool shown = std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
      return static_cast<int>(c.column) == column;
    });
    if (shown) places.push_back(p);
  }
  if (places.size() != order.size()) {
    // The previous order was damaged: start from the full default.
    layout.order = ColumnLayout{}.order;
    return captureColumnLayout(layout, columns, order, widths);
  }
  for (std::size_t i = 0; i < order.size(); ++i)
    layout.order[places[i]] =
        static_cast<std::int32_t>(columns[static_cast<std::size_t>(order[i])].column);
  return layout;
}

QualityTable makeQualityTable(int qualityType) {
  QualityTable t;
  t.type = qualityType;
  switch (qualityType) {
    case 1:
      t.labels = {"-offline -", "Fair", "Good", "Very Good", "Excellent"};
      t.n = 4;
      break;
    case 2:
      t.labels = {"-", "Bad", "Good"};
      t.n = 2;
      break;
    case 3:
      t.labels = {"-", "o", "oo", "ooo", "oooo", "ooooo"};
      t.n = 5;
      break;
    case 4:
      t.labels = {"-", bar(2), bar(5), bar(6), bar(8), bar(9)};
      t.n = 5;
      break;
    case 5:
      t.labels = {"-", "0-20%", "20-40%", "40-60%", "60-80%", "80-100%"};
      t.n = 5;
      break;
    default:
      break;
  }
  return t;
}

std::string qualityText(const QualityTable& table, double rate, std::uint32_t kind) {
  if (table.n != 0) {
    int max = tableMaxRate(kind);
    int index = 0;
    if (max != 0) index = static_cast<int>((max / table.n + rate) * (table.n - 1) / max);
    if (rate > 0) index = index % table.n + 1;
    if (index < 0 || index >= static_cast<int>(table.labels.size())) index = 0;
    return table.labels[static_cast<std::size_t>(index)];
  }
  if (table.type == 6) {
    char text[32];
    std::snprintf(text, sizeof text, "%d%s", static_cast<int>(rate / percentMaxRate(kind) * 100),
                  "%");
    return text;
  }
  double value = 0;
  if (kind == 1 || kind == 0)
    value = (rate - 15) / 2 + 1;
  else if (kind == 5)
    value = rate / 25;
  else
    value = rate / 10;
  if (value >= 90) value = 89;
  return bar(value > 0 ? static_cast<int>(std::ceil(value)) : 0);
}

std::string rateText(double tx, double rx) {
  if (tx == 0.0) return "?/";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f/%.2f", tx, rx);
  return text;
}

std::uint32_t remoteTextColor(std::int32_t code) {
  switch (code) {
    case 1:
      return 0x008000;
    case 2:
      return 0x0000FF;
    case 3:
      return 0xFF0000;
    case 4:
      return 0x606060;
    default:
      break;
  }
  if (code <= 0) return 0x000000;
  // The code is a colour value 0x00BBGGRR.
  auto v = static_cast<std::uint32_t>(code);
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

int imageForKind(std::uint32_t kind) {
  switch (kind) {
    case 2:
      return 1;
    case 4:
      return 2;
    case 5:
      return 3;
    default:
      return 0;
  }
}

RemoteRow makeRemoteRow(const AdapterNetwork& network, int slot, const KnownDeviceTable& known,
                        const QualityTable& quality, int position, const std::string& vendor) {
  const StationRecord& station = network.stations[static_cast<std::size_t>(slot)];
  RemoteRow row;
  row.slot = slot;
  row.mac = macToText(station.mac);
  row.kind = station.kind;
  row.txRate = station.tx.current;
  row.rate = rateText(station.tx.current, station.rx.current);
  row.quality = qualityText(quality, station.tx.current, station.kind);
  if (int position1 = findKnownByMac(known, station.mac)) {
    const KnownDevice& device = known.at(position1);
    row.name = device.name.str();
    row.password = device.password.str();
  } else {
    row.name = vendor + " Device " + std::to_string(static_cast<short>(position));
    row.password = kNoPasswordText;
  }
  return row;
}

ListPlan planRemoteList(const std::vector<std::string>& listMacs, const AdapterNetwork& network,
                        const MacAddress& localAdapter) {
  ListPlan plan;
  std::vector<bool> matched(listMacs.size(), false);
  for (int slot = 0; slot < static_cast<int>(kMaxStations); ++slot) {
    const StationRecord& station = network.stations[static_cast<std::size_t>(slot)];
    if (!macIsSet(station.mac.data())) continue;
    std::string mac = macToText(station.mac);
    auto it = std::find(listMacs.begin(), listMacs.end(), mac);
    if (it != listMacs.end()) {
      auto index = static_cast<std::size_t>(it - listMacs.begin());
      if (matched[index]) continue;  // the same MAC in two slots: the first one counts
      matched[index] = true;
      if (station.valid)
        plan.update.emplace_back(mac, slot);
      else
        plan.remove.push_back(mac);
      continue;
    }
    if (station.valid && station.mac != localAdapter &&
        std::none_of(plan.insert.begin(), plan.insert.end(), [&](int s) {
          return network.stations[static_cast<std::size_t>(s)].mac == station.mac;
        }))
      plan.insert.push_back(slot);
  }
  for (std::size_t i = 0; i < listMacs.size(); ++i)
    if (!matched[i]) plan.remove.push_back(listMacs[i]);
  return plan;
}

void SortState::click(int columnIndex) {
  if (columnIndex < 0 || columnIndex >= static_cast<int>(columnToggles.size())) return;
  auto& columnToggle = columnToggles[static_cast<std::size_t>(columnIndex)];
  if (columnIndex != column) {
    column = columnIndex;
    toggle = columnToggle;
    columnToggle = columnToggle ? 0 : 1;
  } else {
    toggle = toggle ? 0 : 1;
  }
}

int compareRows(const RemoteRow& a, const RemoteRow& b, RemoteColumn column, int toggle) {
  switch (column) {
    case RemoteColumn::Name:
      return compareText(a.name, b.name, toggle);
    case RemoteColumn::Mac:
      return compareText(a.mac, b.mac, toggle);
    case RemoteColumn::Quality:
      return compareText(a.quality, b.quality, toggle);
    case RemoteColumn::Password:
      return compareText(a.password, b.password, toggle);
    case RemoteColumn::Rate: {
      if (a.txRate == b.txRate) return 0;
      int c = a.txRate < b.txRate ? -1 : 1;
      return toggle == 0 ? c : -c;
    }
  }
  return 0;
}

std::string renameDevice(KnownDeviceTable& known, const std::string& macText,
                         const std::string& newName) {
  int position = findKnownByMacText(known, macText);
  if (position == 0) return kRenameFailed;
  if (newName.empty() || findKnownByName(known, newName) != 0) return kRenameRefused;
  if (!renameKnownDevice(known, position, newName)) return kRenameRefused;
  return {};
}

}  // namespace strandline::app
