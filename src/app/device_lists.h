// The logic of the two device lists of the Main page: columns, cell texts,
// quality labels, colours, sorting, renaming and which rows change after a
// scan. The window only draws what these functions decide.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/known_device.h"
#include "model/network_records.h"
#include "storage/device_database.h"

namespace strandline::app {

// The columns of the remote list, by content. The saved layout always holds
// the five of them in this order.
enum class RemoteColumn { Name = 0, Mac = 1, Rate = 2, Quality = 3, Password = 4 };

struct ColumnInfo {
  RemoteColumn column;
  const char* title;
  int width;
};

// The present columns in insertion order.
std::vector<ColumnInfo> remoteColumns(bool showRate, bool showQuality);
// The display order of a fresh list: every column after the first is
// inserted at display position 1. Entry i is the column shown at position i.
std::vector<int> freshDisplayOrder(std::size_t columnCount);

// The saved five-entry layout (over all five columns) applied to the present
// columns: their display order (indices into `columns`) and widths.
struct AppliedLayout {
  std::vector<int> order;
  std::vector<int> widths;
};
AppliedLayout applyColumnLayout(const ColumnLayout& saved, const std::vector<ColumnInfo>& columns);
// The widths of the columns fitted to their texts in a list `available`
// pixels wide; `wanted` holds each column's text width (title included).
// Every column gets what it wants; when they do not fit, the Quality column
// (a bar as long as the rate that the Rate column gives in numbers) yields
// room, down to its fresh width, so that the columns after it stay in view.
std::vector<int> fittedWidths(const std::vector<ColumnInfo>& columns, std::vector<int> wanted,
                              int available);
// Whether a saved layout's widths were set by someone (the user, or the list
// fitting its contents): a fresh layout holds the column table's widths.
bool widthsStored(const ColumnLayout& saved);
// The list's layout stored back into the five-entry form; hidden columns keep
// their previous place and width.
ColumnLayout captureColumnLayout(const ColumnLayout& previous,
                                 const std::vector<ColumnInfo>& columns,
                                 const std::vector<int>& order, const std::vector<int>& widths);

// Quality labels of an OEM quality type. Texts are UTF-8.
struct QualityTable {
  int type = 0;
  std::vector<std::string> labels;
  int n = 0;  // 0: no table (the bar or percentage rules)
};
QualityTable makeQualityTable(int qualityType);
std::string qualityText(const QualityTable& table, double rate, std::uint32_t kind);

// "?/" when the transmit rate is 0, else "%.2f/%.2f".
std::string rateText(double tx, double rx);

inline constexpr const char* kNoPasswordText = "--- not entered ---";

// The remote list's text colour for an OEM colour code, as 0xRRGGBB.
std::uint32_t remoteTextColor(std::int32_t code);
inline constexpr std::uint32_t kLocalTextColor = 0x110088;

// The list image for a station kind: 2 -> 1, 4 -> 2, 5 -> 3, else 0.
int imageForKind(std::uint32_t kind);
// The bitmap files of the four images, in image order.
inline constexpr std::array<const char*, 4> kDeviceImageFiles = {
    "oemDeviceIconLS.bmp", "oemDeviceIconHS.bmp", "oemDevice.bmp", "oemDevice_T4K.bmp"};

// One row of the remote list, as the station table and the known devices give it.
struct RemoteRow {
  int slot = 0;  // station slot 0..31 (the item data)
  std::string mac;
  std::string name;
  std::string rate;
  std::string quality;
  std::string password;
  std::uint32_t kind = 0;
  double txRate = 0;
};

// The row of one station. A station without a known-device record is named
// "<vendor> Device <position>" (position: the list's item count + 1).
RemoteRow makeRemoteRow(const AdapterNetwork& network, int slot, const KnownDeviceTable& known,
                        const QualityTable& quality, int position, const std::string& vendor);

// How the list follows the station table: the MAC texts of the rows to
// delete, the rows to update (MAC text, slot) and the slots to insert, in
// slot order. `listMacs` are the MAC texts of the list's items. Rows whose
// MAC is in no slot any more go too, so a station moved or dropped from the
// table never lingers in the list.
struct ListPlan {
  std::vector<std::string> remove;
  std::vector<std::pair<std::string, int>> update;
  std::vector<int> insert;
};
ListPlan planRemoteList(const std::vector<std::string>& listMacs, const AdapterNetwork& network,
                        const MacAddress& localAdapter);

// The sort state of the remote list: the persisted column and direction, and
// one toggle per column (not persisted).
struct SortState {
  std::int32_t column = 1;
  std::int32_t toggle = 1;
  std::array<std::uint8_t, 5> columnToggles{};

  // A click on the header of the column at this insertion index.
  void click(int columnIndex);
};

// Orders two rows by the content of `column`: negative when a goes first.
// Texts compare as bytes; toggle 0 puts the greater text first, 1 the smaller.
// Rates: toggle 0 puts the smaller first, 1 the greater.
int compareRows(const RemoteRow& a, const RemoteRow& b, RemoteColumn column, int toggle);

inline constexpr const char* kRenameRefused = "Please enter another name.";
inline constexpr const char* kRenameFailed = "Device Name should be less than 31 characters";

// Renames the known device with this MAC text; an empty result means done,
// otherwise the message to show ("Attention!").
std::string renameDevice(KnownDeviceTable& known, const std::string& macText,
                         const std::string& newName);

// The local list: one row per present adapter with a MAC, in card order.
struct LocalRow {
  int card = 0;
  std::string kind;
  std::string mac;
};

}  // namespace strandline::app
