// The History view on the simulated home network: opened from the remote
// list's context menu, it draws a station's rates with a gap for the cycles
// in which the station was unplugged, and follows new cycles.
// Before any Qt header: the simulator has a member named like a Qt macro.
#include "sim/simulation.h"

#include <QDateTime>
#include <QMenu>
#include <cmath>

#include "base/mac_address.h"
#include "gui_fixture.h"
#include "ui/history_view.h"
#include "ui/main_page.h"

namespace strandline::ui {
namespace {

class HistoryViewTest : public GuiTest {
 protected:
  int written = 0;
  void countCycles() {
    QObject::connect(&sheet->engine(), &WindowEngine::historyWritten, [this] { ++written; });
  }
  bool cycles(int n) {
    int target = written + n;
    return waitFor([&] { return written >= target; });
  }
};

TEST_F(HistoryViewTest, OpensFromTheContextMenuAndDrawsTheDropOutAsAGap) {
  openHome();
  countCycles();
  MacAddress away{};
  ASSERT_TRUE(parseMac("02:5A:00:00:01:03", away));
  ASSERT_TRUE(cycles(3));
  sheet->engine().simulation()->unplug(away);
  ASSERT_TRUE(cycles(4));
  sheet->engine().simulation()->replug(away);
  ASSERT_TRUE(cycles(3));

  // The station's row, right-clicked; the menu's first entry is the station's history.
  QTreeWidgetItem* row = nullptr;
  for (int i = 0; i < remote->topLevelItemCount(); ++i)
    if (remote->topLevelItem(i)->text(1) == "02:5A:00:00:01:03") row = remote->topLevelItem(i);
  ASSERT_NE(row, nullptr);
  QTimer::singleShot(50, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    menu->actions().at(0)->trigger();
    menu->close();
  });
  emit remote->customContextMenuRequested(remote->visualItemRect(row).center());
  HistoryView* view = nullptr;
  ASSERT_TRUE(waitFor([&] { return (view = sheet->findChild<HistoryView*>()) != nullptr; }));
  EXPECT_TRUE(view->windowTitle().contains("02:5A:00:00:01:03"))
      << view->windowTitle().toStdString();

  ASSERT_GE(view->txStretches().size(), 2u) << view->status()->text().toStdString();
  for (const auto& stretch : view->txStretches())
    for (const QPointF& p : stretch) EXPECT_EQ(p.y(), 142 * 200 / 151);
  for (const auto& stretch : view->rxStretches())
    for (const QPointF& p : stretch) EXPECT_EQ(p.y(), 133 * 200 / 151);
  const QPointF first = view->txStretches().front().front();
  EXPECT_TRUE(view->describe(static_cast<qint64>(first.x())).contains("TX 188 Mbit/s"));

  // New cycles reach the open view.
  std::size_t before = view->txStretches().back().size();
  ASSERT_TRUE(cycles(2));
  EXPECT_TRUE(waitFor([&] { return view->txStretches().back().size() > before; }));
}

// A day of a station whose rate sags in the evening and that was away twice:
// the Last-day span draws three stretches, folded samples included.
TEST_F(GuiTest, HistoryViewDrawsADayWithItsGaps) {
  const std::string file = path("day.sqlite");
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch(), step = 60'000;
  {
    RateHistory history;
    HistoryRetention retention;
    retention.fullSeconds = 12 * 3600;  // the older half folded
    ASSERT_TRUE(history.openForWriting(file, retention).ok());
    for (std::int64_t t = now - 24 * 3600'000; t <= now; t += step) {
      double hour = static_cast<double>(t % (24 * 3600'000)) / 3600'000.0;
      double tx = 180 + 40 * std::sin(hour / 24 * 6.283) + static_cast<double>((t / step) % 7);
      bool away = (t > now - 17 * 3600'000 && t < now - 16 * 3600'000) ||
                  (t > now - 3 * 3600'000 && t < now - 2 * 3600'000 - 20 * step);
      ASSERT_TRUE(history
                      .record({t,
                               0,
                               "02:5C:00:00:00:01",
                               "02:5A:00:00:01:01",
                               {{"02:5A:00:00:01:03", tx, tx * 0.93, !away}}})
                      .ok());
    }
  }
  HistoryView view(file, "02:5A:00:00:01:03", "Rate History: Device 3 (02:5A:00:00:01:03)");
  view.setSpan(HistoryView::Span::Day);
  view.resize(720, 420);
  view.show();
  EXPECT_EQ(view.txStretches().size(), 3u);
  EXPECT_EQ(view.rxStretches().size(), 3u);
  EXPECT_TRUE(view.describe(now - 20 * 3600'000).contains("10-minute mean"));
  if (const char* shot = std::getenv("STRANDLINE_HISTORY_SHOT")) view.grab().save(shot);
}

// Stretches end at a sample without an answer and at a pause in the recording.
TEST(HistoryStretches, BreakAtSilenceAndPauses) {
  auto at = [](std::int64_t seconds, bool answered, bool folded = false) {
    HistorySample h;
    h.timeMs = seconds * 1000;
    h.answered = answered;
    h.folded = folded;
    return h;
  };
  const std::vector<std::pair<std::vector<HistorySample>, std::vector<std::vector<std::size_t>>>>
      cases = {
          {{at(0, true), at(10, true), at(20, true)}, {{0, 1, 2}}},
          {{at(0, true), at(10, false), at(20, false), at(30, true)}, {{0}, {3}}},
          {{at(0, true), at(10, true), at(20, true), at(200, true)}, {{0, 1, 2}, {3}}},
          {{at(0, true, true), at(600, true, true), at(2400, true, true)}, {{0, 1}, {2}}},
          {{at(0, false)}, {}},
      };
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(historyStretches(cases[i].first), cases[i].second) << i;
}

}  // namespace
}  // namespace strandline::ui
