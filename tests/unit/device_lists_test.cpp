#include "app/device_lists.h"

#include <gtest/gtest.h>

#include "base/mac_address.h"

namespace strandline::app {
namespace {

std::string halves(std::size_t n) {  // n half blocks, U+258C
  std::string s;
  while (n--) s += "\u258C";
  return s;
}

// Quality labels by table type, rate and station kind; rates with two decimals.
TEST(CellTexts, QualityAndRate) {
  const struct {
    int type;
    double rate;
    int kind;
    std::string text;
  } cases[] = {
      {1, 0, 4, "-offline -"},  {1, 10, 4, "Fair"},
      {1, 100, 4, "Very Good"}, {1, 200, 4, "Excellent"},
      {1, 300, 4, "Good"},  // above the maximum wraps round
      {1, 150, 7, "Fair"},  // a kind without a maximum rate: the first label above zero
      {5, 499, 5, "80-100%"},   {5, 0, 5, "-"},
      {4, 200, 4, halves(9)},   {4, 10, 4, halves(5)},
      {6, 42.5, 2, "50%"},      {6, 100, 4, "50%"},
      {6, 7, 1, "50%"},         {0, 95, 4, halves(10)},
      {0, 2000, 4, halves(89)}, {0, 0, 4, ""},
      {0, 100, 5, halves(4)},   {9, 95, 4, halves(10)},
      {0, 10, 1, ""},  // (10 - 15) / 2 + 1 is below zero
  };
  for (const auto& c : cases)
    EXPECT_EQ(qualityText(makeQualityTable(c.type), c.rate, c.kind), c.text)
        << c.type << " " << c.rate << " " << c.kind;
  EXPECT_EQ(rateText(0.0, 55), "?/");
}

// Without Rate and Quality the hidden columns keep their places and widths
// in the saved layout.
TEST(RemoteColumns, SavedLayoutWithHiddenColumns) {
  auto all = remoteColumns(true, true);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[3].width, 80);
  auto three = remoteColumns(false, false);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[2].column, RemoteColumn::Password);
  EXPECT_EQ(freshDisplayOrder(3), (std::vector<int>{0, 2, 1}));

  // Fitting: the Quality column yields room down to its fresh width (80)
  // when the texts do not fit; without it the list scrolls.
  const struct {
    int available;
    std::vector<int> wanted, fitted;
  } fits[] = {{650, {100, 130, 100, 250, 70}, {100, 130, 100, 250, 70}},
              {500, {100, 130, 100, 250, 70}, {100, 130, 100, 100, 70}},
              {300, {100, 130, 100, 250, 70}, {100, 130, 100, 80, 70}},
              {300, {100, 130, 100, 60, 70}, {100, 130, 100, 60, 70}}};
  for (const auto& f : fits)
    EXPECT_EQ(fittedWidths(all, f.wanted, f.available), f.fitted) << f.available;
  EXPECT_EQ(fittedWidths(three, {100, 130, 100}, 200), (std::vector<int>{100, 130, 100}));

  // Only widths that differ from the fresh ones count as stored; the order
  // alone does not.
  ColumnLayout saved;
  EXPECT_FALSE(widthsStored(saved));
  saved.order = {1, 0, 4, 2, 3};
  EXPECT_FALSE(widthsStored(saved));
  saved.widths = {150, 121, 91, 81, 111};
  EXPECT_TRUE(widthsStored(saved));

  AppliedLayout partial = applyColumnLayout(saved, three);
  EXPECT_EQ(partial.order, (std::vector<int>{1, 0, 2}));  // MAC, Name, Password
  EXPECT_EQ(partial.widths, (std::vector<int>{150, 121, 111}));
  ColumnLayout back = captureColumnLayout(saved, three, {0, 2, 1}, {160, 121, 111});
  EXPECT_EQ(back.order, (std::array<std::int32_t, 5>{0, 4, 1, 2, 3}));
  EXPECT_EQ(back.widths, (std::array<std::int32_t, 5>{160, 121, 91, 81, 111}));

  // A damaged order falls back to the fresh one.
  ColumnLayout damaged;
  damaged.order = {0, 0, 0, 0, 0};
  EXPECT_EQ(applyColumnLayout(damaged, all).order, freshDisplayOrder(5));
}

TEST(RemoteTextColor, CodesColourValuesAndImages) {
  // Codes 1 to 4 name colours; a larger value is a colour as 0x00BBGGRR.
  for (auto [code, colour] : {std::pair{1, 0x008000u},
                              {2, 0x0000FFu},
                              {3, 0xFF0000u},
                              {4, 0x606060u},
                              {0x00332211, 0x112233u},
                              {-5, 0u}})
    EXPECT_EQ(remoteTextColor(code), colour) << code;
  for (auto [kind, image] : {std::pair{2, 1}, {4, 2}, {5, 3}, {1, 0}})
    EXPECT_EQ(imageForKind(kind), image) << kind;
}

MacAddress macOf(std::uint8_t last) {
  return {0x02, 0x5A, 0, 0, 1, last};
}

AdapterNetwork network() {
  AdapterNetwork n;
  for (std::uint8_t i = 0; i < 4; ++i) {
    StationRecord& s = n.stations[i];
    s.valid = 1;
    s.mac = macOf(static_cast<std::uint8_t>(i + 1));
    s.kind = 4;
    s.tx.current = 100.0 + i;
    s.rx.current = 90.0 + i;
  }
  return n;
}

TEST(RemoteList, PlanAndRows) {
  AdapterNetwork n = network();
  n.stations[2].valid = 0;  // gone
  std::vector<std::string> list = {macToText(macOf(2)), macToText(macOf(3)), "02:5A:00:00:01:77"};
  ListPlan plan = planRemoteList(list, n, macOf(1));
  // Slot 0 is the local adapter itself: never inserted.
  EXPECT_EQ(plan.insert, (std::vector<int>{3}));
  EXPECT_EQ(plan.update, (std::vector<std::pair<std::string, int>>{{macToText(macOf(2)), 1}}));
  // The inactive station and the row whose MAC is in no slot.
  EXPECT_EQ(plan.remove, (std::vector<std::string>{macToText(macOf(3)), "02:5A:00:00:01:77"}));

  n.stations[1].tx.current = 0;
  KnownDeviceTable known;
  addKnownDevice(known, macOf(2), "Kitchen", "Not ABCD-EFGH");
  QualityTable q = makeQualityTable(1);
  RemoteRow row = makeRemoteRow(n, 1, known, q, 1, "Acme");
  EXPECT_EQ(std::tie(row.name, row.password, row.rate, row.quality),
            std::tuple("Kitchen", "Not ABCD-EFGH", "?/", "-offline -"));
  RemoteRow unknown = makeRemoteRow(n, 3, known, q, 3, "Acme");
  EXPECT_EQ(std::tie(unknown.name, unknown.password, unknown.mac),
            std::tuple("Acme Device 3", kNoPasswordText, "02:5A:00:00:01:04"));
}

TEST(Sorting, ToggleRulesAndDirections) {
  SortState s;  // column 1, toggle 1 after the preferences are read
  // The same column inverts; another starts from its own toggle (0), and a
  // column keeps its toggle between clicks; an unknown column is ignored.
  for (auto [column, expected] :
       {std::pair{1, std::pair{1, 0}}, {0, {0, 0}}, {2, {2, 0}}, {0, {0, 1}}, {9, {0, 1}}}) {
    s.click(column);
    EXPECT_EQ(std::pair(s.column, s.toggle), expected) << column;
  }
  RemoteRow a, b;
  a.name = "Alpha";
  b.name = "Beta";
  a.txRate = 50;
  b.txRate = 200;
  EXPECT_LT(compareRows(a, b, RemoteColumn::Name, 1), 0);
  EXPECT_LT(compareRows(a, b, RemoteColumn::Rate, 0), 0);  // smaller rate first
  EXPECT_GT(compareRows(a, b, RemoteColumn::Rate, 1), 0);
  EXPECT_EQ(compareRows(a, a, RemoteColumn::Name, 0), 0);
}

TEST(RenameDevice, AnUnlistedDeviceIsNotRenamed) {
  KnownDeviceTable known;
  EXPECT_EQ(renameDevice(known, "02:5A:00:00:01:99", "X"), kRenameFailed);
}

}  // namespace
}  // namespace strandline::app
