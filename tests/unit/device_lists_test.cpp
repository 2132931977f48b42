#include "app/device_lists.h"

#include <gtest/gtest.h>

#include "base/mac_address.h"

namespace strandline::app {
namespace {

std::size_t bars(const std::string& text) {
  return text.size() / 3;  // U+258C is three bytes of UTF-8
}

TEST(qualityText, LabelTablesByRateAndKind) {
  QualityTable type1 = makeQualityTable(1);
  EXPECT_EQ(qualityText(type1, 0, 4), "-offline -");
  EXPECT_EQ(qualityText(type1, 10, 4), "Fair");
  EXPECT_EQ(qualityText(type1, 100, 4), "Very Good");
  EXPECT_EQ(qualityText(type1, 200, 4), "Excellent");
  EXPECT_EQ(qualityText(type1, 300, 4), "Good");  // above the maximum wraps round
  // A kind without a maximum rate takes the first label above zero.
  EXPECT_EQ(qualityText(type1, 150, 7), "Fair");
  QualityTable type5 = makeQualityTable(5);
  EXPECT_EQ(qualityText(type5, 499, 5), "80-100%");
  EXPECT_EQ(qualityText(type5, 0, 5), "-");
  QualityTable type4 = makeQualityTable(4);
  EXPECT_EQ(bars(qualityText(type4, 200, 4)), 9u);
  EXPECT_EQ(bars(qualityText(type4, 10, 4)), 5u);
  EXPECT_EQ(qualityText(type4, 200, 4).substr(0, 3), "\u258C");
}

TEST(qualityText, PercentageAndBars) {
  QualityTable type6 = makeQualityTable(6);
  EXPECT_EQ(qualityText(type6, 42.5, 2), "50%");
  EXPECT_EQ(qualityText(type6, 100, 4), "50%");
  EXPECT_EQ(qualityText(type6, 7, 1), "50%");
  QualityTable type0 = makeQualityTable(0);
  EXPECT_EQ(bars(qualityText(type0, 95, 4)), 10u);
  EXPECT_EQ(bars(qualityText(type0, 2000, 4)), 89u);
  EXPECT_EQ(bars(qualityText(type0, 0, 4)), 0u);
  EXPECT_EQ(bars(qualityText(type0, 100, 5)), 4u);
  EXPECT_EQ(bars(qualityText(type0, 10, 1)), 0u);  // (10 - 15) / 2 + 1 is below zero
  EXPECT_EQ(bars(qualityText(makeQualityTable(9), 95, 4)), 10u);
}

TEST(RateText, UnknownRateAndTwoDecimals) {
  EXPECT_EQ(rateText(0.0, 55), "?/");
  EXPECT_EQ(rateText(180, 171.5), "180.00/171.50");
}

TEST(RemoteColumns, InsertionAndFreshDisplayOrder) {
  auto all = remoteColumns(true, true);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_STREQ(all[2].title, "Rate(Tx/Rx)");
  EXPECT_EQ(all[3].width, 80);
  // Each column after the first goes in at display position 1.
  EXPECT_EQ(freshDisplayOrder(5), (std::vector<int>{0, 4, 3, 2, 1}));
  auto three = remoteColumns(false, false);
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[2].column, RemoteColumn::Password);
  EXPECT_EQ(freshDisplayOrder(3), (std::vector<int>{0, 2, 1}));
}

TEST(ColumnLayout, RoundTripsThroughTheFiveColumnForm) {
  auto all = remoteColumns(true, true);
  ColumnLayout saved;
  saved.order = {1, 0, 4, 2, 3};
  saved.widths = {150, 121, 91, 81, 111};
  AppliedLayout applied = applyColumnLayout(saved, all);
  EXPECT_EQ(applied.order, (std::vector<int>{1, 0, 4, 2, 3}));
  EXPECT_EQ(applied.widths, (std::vector<int>{150, 121, 91, 81, 111}));
  EXPECT_EQ(captureColumnLayout(ColumnLayout{}, all, applied.order, applied.widths), saved);

  // Without Rate and Quality the hidden ones keep their places and widths.
  auto three = remoteColumns(false, false);
  AppliedLayout partial = applyColumnLayout(saved, three);
  EXPECT_EQ(partial.order, (std::vector<int>{1, 0, 2}));  // MAC, Name, Password
  EXPECT_EQ(partial.widths, (std::vector<int>{150, 121, 111}));
  ColumnLayout back = captureColumnLayout(saved, three, {0, 2, 1}, {160, 121, 111});
  EXPECT_EQ(back.order, (std::array<std::int32_t, 5>{0, 4, 1, 2, 3}));
  EXPECT_EQ(back.widths[0], 160);
  EXPECT_EQ(back.widths[2], 91);

  // A damaged order falls back to the fresh one.
  ColumnLayout damaged;
  damaged.order = {0, 0, 0, 0, 0};
  EXPECT_EQ(applyColumnLayout(damaged, all).order, freshDisplayOrder(5));
}

TEST(RemoteTextColor, CodesAndColourValues) {
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

AdapterNetwork Network() {
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

TEST(PlanRemoteList, InsertsUpdatesAndRemoves) {
  AdapterNetwork n = Network();
  n.stations[2].valid = 0;  // gone
  std::vector<std::string> list = {macToText(macOf(2)), macToText(macOf(3)), "02:5A:00:00:01:77"};
  ListPlan plan = planRemoteList(list, n, macOf(1));
  // Slot 0 is the local adapter itself: never inserted.
  EXPECT_EQ(plan.insert, (std::vector<int>{3}));
  ASSERT_EQ(plan.update.size(), 1u);
  EXPECT_EQ(plan.update[0], (std::pair<std::string, int>{macToText(macOf(2)), 1}));
  // The inactive station and the row whose MAC is in no slot.
  EXPECT_EQ(plan.remove, (std::vector<std::string>{macToText(macOf(3)), "02:5A:00:00:01:77"}));
}

TEST(MakeRemoteRow, KnownAndUnknownStations) {
  AdapterNetwork n = Network();
  n.stations[1].tx.current = 0;
  KnownDeviceTable known;
  addKnownDevice(known, macOf(2), "Kitchen", "Not ABCD-EFGH");
  QualityTable q = makeQualityTable(1);
  RemoteRow row = makeRemoteRow(n, 1, known, q, 1, "Acme");
  EXPECT_EQ(row.name, "Kitchen");
  EXPECT_EQ(row.password, "Not ABCD-EFGH");
  EXPECT_EQ(row.rate, "?/");
  EXPECT_EQ(row.quality, "-offline -");
  RemoteRow unknown = makeRemoteRow(n, 2, known, q, 3, "Acme");
  EXPECT_EQ(unknown.name, "Acme Device 3");
  EXPECT_EQ(unknown.password, kNoPasswordText);
  EXPECT_EQ(unknown.mac, "02:5A:00:00:01:03");
}

TEST(Sorting, ToggleRulesAndDirections) {
  SortState s;  // column 1, toggle 1 after the preferences are read
  s.click(1);
  EXPECT_EQ(s.column, 1);
  EXPECT_EQ(s.toggle, 0);  // the same column inverts
  s.click(0);
  EXPECT_EQ(s.column, 0);
  EXPECT_EQ(s.toggle, 0);  // another column starts from its own toggle, 0
  s.click(2);
  s.click(0);
  EXPECT_EQ(s.toggle, 1);  // column 0's toggle was inverted by the first click
  s.click(9);
  EXPECT_EQ(s.column, 0);

  RemoteRow a, b;
  a.name = "Alpha";
  b.name = "Beta";
  a.txRate = 50;
  b.txRate = 200;
  EXPECT_GT(compareRows(a, b, RemoteColumn::Name, 0), 0);  // greater text first
  EXPECT_LT(compareRows(a, b, RemoteColumn::Name, 1), 0);
  EXPECT_LT(compareRows(a, b, RemoteColumn::Rate, 0), 0);  // smaller rate first
  EXPECT_GT(compareRows(a, b, RemoteColumn::Rate, 1), 0);
  EXPECT_EQ(compareRows(a, a, RemoteColumn::Name, 0), 0);
}

TEST(RenameDevice, ChecksAndCut) {
  KnownDeviceTable known;
  addKnownDevice(known, macOf(1), "Office");
  addKnownDevice(known, macOf(2), "Kitchen");
  std::string mac2 = macToText(macOf(2));
  EXPECT_EQ(renameDevice(known, mac2, ""), kRenameRefused);
  EXPECT_EQ(renameDevice(known, mac2, "Office"), kRenameRefused);
  EXPECT_EQ(renameDevice(known, mac2, "Kitchen"), kRenameRefused);  // its own name too
  EXPECT_EQ(renameDevice(known, "02:5A:00:00:01:99", "X"), kRenameFailed);
  EXPECT_EQ(renameDevice(known, mac2, std::string(40, 'n')), "");
  EXPECT_EQ(known.at(2).name.str(), std::string(31, 'n'));
}

}  // namespace
}  // namespace strandline::app
