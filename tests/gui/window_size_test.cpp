#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>

#include "base/version.h"
#include "gui_fixture.h"
#include "ui/entry_point.h"

namespace strandline::ui {
namespace {

using WindowSizeTest = GuiTest;

int columnTitled(QTreeWidget& list, const QString& title) {
  for (int c = 0; c < list.columnCount(); ++c)
    if (list.headerItem()->text(c) == title) return c;
  return -1;
}

// The columns whose right edge lies inside the list's visible width.
QStringList visibleColumns(QTreeWidget& list) {
  QStringList titles;
  for (int c = 0; c < list.columnCount(); ++c)
    if (list.header()->sectionViewportPosition(c) + list.columnWidth(c) <= list.viewport()->width())
      titles << list.headerItem()->text(c);
  return titles;
}

// The columns in which some text (with the item's margins, and the icon in
// the first column) is wider than the column, as measured by the header's
// font.
QStringList cutColumns(QTreeWidget& list) {
  QFontMetrics metrics = list.header()->fontMetrics();
  const int margins = 2 * (list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
  QStringList titles;
  for (int c = 0; c < list.columnCount(); ++c) {
    int icon = c == 0 ? list.iconSize().width() + margins : 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      if (list.columnWidth(c) <
          metrics.horizontalAdvance(list.topLevelItem(i)->text(c)) + margins + icon) {
        titles << list.headerItem()->text(c);
        break;
      }
  }
  return titles;
}

// At its default size the remote list shows every column, the rates of the
// home network whole; made larger, the lists of every page take the room,
// the commands stay beside the remote list and the Quality bars show whole.
TEST_F(WindowSizeTest, DefaultSizeShowsRatesWholeAndListsTakeTheRoom) {
  PropertySheet& s = openHome();
  EXPECT_EQ(s.size(), s.sizeHint());
  EXPECT_TRUE(s.windowFlags() & Qt::WindowMaximizeButtonHint);
  int rate = columnTitled(*remote, "Rate(Tx/Rx)");
  ASSERT_GE(rate, 0);
  ASSERT_TRUE(waitFor([&] {
    for (int i = 0; i < remote->topLevelItemCount(); ++i)
      if (remote->topLevelItem(i)->text(rate) == "?/") return false;
    return true;
  }));
  QCoreApplication::processEvents();
  EXPECT_EQ(remote->topLevelItem(0)->text(rate), "238.00/226.00");
  // Every column in view and whole, but for the Quality bars, which yield
  // room to the columns after them.
  const QStringList all = visibleColumns(*remote);
  EXPECT_EQ(all.size(), remote->columnCount()) << all.join(", ").toStdString();
  EXPECT_EQ(cutColumns(*remote), QStringList{"Quality"});

  // Each list measured on its own page, at the default size and at 1600x1000.
  MainPage& page = *s.mainPage();
  QWidget* about = s.tabs()->widget(s.tabs()->count() - 1);
  const struct {
    const char* name;
    QWidget* page;
    QWidget* list;
  } lists[] = {
      {"local", &page, page.localList()},
      {"remote", &page, remote},
      {"diagnostics", s.diagnosticsPage(), s.diagnosticsPage()->findChild<QWidget*>("1085")},
      {"readme", about, about->findChild<QPlainTextEdit*>("1006")}};
  auto sizes = [&] {
    std::vector<QSize> out;
    for (const auto& l : lists) {
      s.tabs()->setCurrentWidget(l.page);
      QCoreApplication::processEvents();
      out.push_back(l.list ? l.list->size() : QSize());
    }
    s.tabs()->setCurrentWidget(&page);
    QCoreApplication::processEvents();
    return out;
  };
  std::vector<QSize> before = sizes();
  const int rateWidth = remote->columnWidth(rate);
  s.resize(1600, 1000);
  std::vector<QSize> after = sizes();
  ASSERT_EQ(s.size(), QSize(1600, 1000));
  for (std::size_t i = 0; i < std::size(lists); ++i) {
    EXPECT_GT(after[i].width(), before[i].width() + 600) << lists[i].name;
    EXPECT_GT(after[i].height(), before[i].height() + 100) << lists[i].name;
  }
  EXPECT_EQ(remote->columnWidth(rate), rateWidth);
  EXPECT_EQ(visibleColumns(*remote), all);
  EXPECT_EQ(cutColumns(*remote), QStringList{}) << cutColumns(*remote).join(", ").toStdString();
  QWidget* rename = page.findChild<QWidget*>("1088");
  EXPECT_EQ(rename->y(), remote->y());
  EXPECT_GT(rename->x(), remote->geometry().right());
  EXPECT_LT(rename->geometry().right(), page.width());
}

// --help and --version answer without a display and exit 0.
TEST(ProgramOptions, HelpAndVersionNeedNoDisplay) {
  const std::pair<const char*, const char*> programs[] = {
      {STRANDLINE_WINDOW, "strandline"}, {LIVERY, "livery"}, {STRANDLINE_SIM, "strandline-sim"}};
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove("DISPLAY");
  environment.remove("WAYLAND_DISPLAY");
  environment.remove("QT_QPA_PLATFORM");
  for (const auto& [path, name] : programs) {
    for (const char* option : {"--version", "--help"}) {
      QProcess process;
      process.setProcessEnvironment(environment);
      process.start(path, {option});
      ASSERT_TRUE(process.waitForFinished(10000)) << name << " " << option;
      EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << name << " " << option;
      EXPECT_EQ(process.exitCode(), 0) << name << " " << option;
      QString out = QString::fromUtf8(process.readAllStandardOutput());
      if (std::string_view(option) == "--version")
        EXPECT_EQ(out.toStdString(), std::string(name) + " " + std::string(kVersion) + "\n");
      else
        EXPECT_TRUE(out.startsWith(QString("usage: ") + name + " ")) << out.toStdString();
    }
  }
}

}  // namespace
}  // namespace strandline::ui
