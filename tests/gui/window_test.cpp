#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <atomic>
#include <fstream>
#include <future>

#include "gui_fixture.h"
#include "platform/single_instance.h"
#include "ui/entry_point.h"

namespace strandline::ui {
namespace {

QStringList tabTitles(QTabWidget& tabs) {
  QStringList titles;
  for (int i = 0; i < tabs.count(); ++i) titles << tabs.tabText(i);
  return titles;
}

QStringList headerInDisplayOrder(QTreeWidget& list) {
  QStringList titles;
  for (int visual = 0; visual < list.header()->count(); ++visual)
    titles << list.headerItem()->text(list.header()->logicalIndex(visual));
  return titles;
}

QStringList column(QTreeWidget& list, int column) {
  QStringList texts;
  for (int i = 0; i < list.topLevelItemCount(); ++i) texts << list.topLevelItem(i)->text(column);
  return texts;
}

using WindowTest = GuiTest;

// Without a preferences file: the default sheet, both lists filled by the
// simulated scan, the About page, and auto scan turned off there.
TEST_F(WindowTest, DefaultSheetScanAboutAndAutoScan) {
  PropertySheet& s = open();
  MainPage& page = *s.mainPage();
  EXPECT_EQ(s.windowTitle(), "Strandline Utility");
  EXPECT_EQ(tabTitles(*s.tabs()), (QStringList{"Main", "Privacy", "QoS", "Diagnostics", "About"}));
  EXPECT_TRUE(s.windowFlags() & Qt::WindowMinimizeButtonHint);
  QList<QPushButton*> buttons = s.findChildren<QPushButton*>("Close");  // the one button below
  ASSERT_EQ(buttons.size(), 1);
  EXPECT_EQ(buttons[0]->text(), "Close");
  RemoteList& list = *page.remoteList();
  EXPECT_EQ(headerInDisplayOrder(list),
            (QStringList{"Device Name", "Password", "Quality", "Rate(Tx/Rx)", "MAC Address"}));
  EXPECT_EQ(text(page, "1095"), "Local Device(s) on your computer:");
  EXPECT_EQ(page.findChild<QPushButton*>("1114")->text(), "LEDs:   OFF");
  EXPECT_FALSE(page.findChild<QPushButton*>("1114")->isEnabled());
  // The upgrade button waits for an adapter; the simulated one turns it on.
  EXPECT_TRUE(waitFor([&] { return page.findChild<QPushButton*>("1102")->isEnabled(); }));
  EXPECT_FALSE(QFile::exists("OEMPrefs.dat"));

  ASSERT_TRUE(waitFor([&] { return list.topLevelItemCount() == 5; }));
  ASSERT_EQ(page.localList()->topLevelItemCount(), 1);
  EXPECT_EQ(page.localList()->topLevelItem(0)->text(0), "Powerline device");
  EXPECT_EQ(page.localList()->topLevelItem(0)->text(1), "02:5A:00:00:01:01");
  EXPECT_EQ(text(page, "1012"), "Connected to Powerline device");
  EXPECT_EQ(text(page, "1089"), "Network Type: Public");
  EXPECT_TRUE(waitFor([&] { return text(page, "1090") == "5 Powerline Devices detected:"; }));
  // Sorted by MAC ascending (the stored default); names given in the order seen.
  EXPECT_EQ(column(list, 1),
            (QStringList{"02:5A:00:00:01:02", "02:5A:00:00:01:03", "02:5A:00:00:01:04",
                         "02:5A:00:00:01:05", "02:5A:00:00:01:06"}));
  EXPECT_EQ(column(list, 0),
            (QStringList{"Device 2", "Device 3", "Device 4", "Device 5", "Device 6"}));
  ASSERT_TRUE(waitFor([&] { return list.topLevelItem(0)->text(2) != "?/"; }));
  QStringList rates = column(list, 2);
  for (const QString& rate : rates)
    EXPECT_TRUE(rate.contains(QRegularExpression(R"(^\d+\.\d\d/\d+\.\d\d$)")))
        << rate.toStdString();
  // Quality type 0: one half block for every 10 Mbit/s started.
  double tx = rates[0].section('/', 0, 0).toDouble();
  EXPECT_EQ(list.topLevelItem(0)->text(3),
            QString(static_cast<int>(std::ceil(tx / 10)), QChar(0x258C)));
  EXPECT_EQ(list.topLevelItem(0)->text(4), "");

  QWidget* about = s.tabs()->widget(s.tabs()->count() - 1);
  EXPECT_EQ(text(*about, "1096"), "Strandline Utility");
  EXPECT_EQ(text(*about, "1104"), "Released: June 13, 2011");
  EXPECT_EQ(text(*about, "1098"), "v6.0.0.0, Build 0004");
  EXPECT_EQ(about->findChild<QPushButton*>("1093")->text(),
            QString::fromStdString(defaultOemPrefs().webAddress));
  // The shipped Readme, from the share folder.
  EXPECT_TRUE(
      about->findChild<QPlainTextEdit*>("1006")->toPlainText().startsWith("Strandline Utility"));
  ASSERT_TRUE(waitFor([&] { return text(page, "1083") == " Autoscan On "; }));
  auto* autoScan = about->findChild<QCheckBox*>("AutoScan");
  ASSERT_TRUE(autoScan->isChecked());
  autoScan->click();
  EXPECT_TRUE(waitFor([&] { return text(page, "1083") == " Autoscan Off "; }));
  // Scanning stops: the cycle count no longer grows.
  std::uint32_t cycles = 0;
  QObject::connect(&s.engine(), &WindowEngine::updated, [&](std::shared_ptr<const WindowUpdate> u) {
    cycles = u->snapshot.cyclesCompleted;
  });
  QTest::qWait(300);
  std::uint32_t before = cycles;
  QTest::qWait(600);
  EXPECT_EQ(cycles, before);
}

// The preferences file names the sheet and its database and drops pages and
// columns; a Readme in the working folder comes before the shipped one.
TEST_F(WindowTest, PreferencesAndTheLocalReadmeShapeTheSheet) {
  OemPrefs prefs = fastPrefs();
  prefs.appName = "Box Tool";
  prefs.diagnosticsLevel = prefs.showRate = prefs.showQuality = prefs.iconSize = 0;
  ASSERT_TRUE(writeOemPrefs("OEMPrefs.dat", prefs).ok());
  std::ofstream("Readme.txt") << "our own notes\nsecond line\n";
  PropertySheet& s = openHome(readOemPrefs("OEMPrefs.dat").prefs);
  EXPECT_EQ(s.windowTitle(), "Box Tool");
  EXPECT_EQ(tabTitles(*s.tabs()), (QStringList{"Main", "Privacy", "QoS", "About"}));
  EXPECT_EQ(headerInDisplayOrder(*remote), (QStringList{"Device Name", "Password", "MAC Address"}));
  QWidget* about = s.tabs()->widget(3);
  EXPECT_EQ(text(*about, "1096"), "Box Tool");
  EXPECT_EQ(about->findChild<QPlainTextEdit*>("1006")->toPlainText(),
            "our own notes\nsecond line\n");
  s.reject();
  EXPECT_TRUE(QFile::exists(QString::fromStdString(path("data/SLU/Box Tool.data"))));
}

TEST_F(WindowTest, SecondCopyIsTurnedAway) {
  std::string error;
  app::SingleInstance first;
  ASSERT_EQ(first.acquire(app::runtimeFolder(error), error), app::SingleInstance::Result::First);
  OemPrefs prefs = defaultOemPrefs();
  prefs.appName = "Box Tool";
  ASSERT_TRUE(writeOemPrefs("OEMPrefs.dat", prefs).ok());
  BoxCatcher boxes;
  EntryOptions options;
  options.window = simulated();
  EXPECT_EQ(entryPoint(options), 0);
  EXPECT_EQ(boxes.seen, (std::vector<Box>{{"Attention!",
                                           "Box Tool is already running.\nOnly one "
                                           "copy can run at a time."}}));
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_NE(w->objectName(), "sheet");
}

// Renames in place (a taken name is refused, a long one cut), header clicks
// sort, and the names, sort and column layout are kept for the next window.
TEST_F(WindowTest, RenameSortAndLayoutAreKept) {
  PropertySheet& s = openHome();
  BoxCatcher boxes;
  auto rename = [&](int row, const QString& text) {
    remote->setCurrentItem(remote->topLevelItem(row));
    click(*s.mainPage(), "1088");
    // The editor of this edit: the one shown (a closed one may wait for deletion).
    QLineEdit* editor = nullptr;
    EXPECT_TRUE(waitFor([&] {
      for (QLineEdit* line : remote->viewport()->findChildren<QLineEdit*>())
        if (line->isVisible()) editor = line;
      return editor != nullptr;
    }));
    if (!editor) return;
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
  };
  rename(0, "Living Room");
  EXPECT_TRUE(waitFor([&] { return remote->topLevelItem(0)->text(0) == "Living Room"; }));
  rename(1, "Living Room");
  EXPECT_EQ(boxes.first(), (Box{"Attention!", "Please enter another name."}));
  EXPECT_EQ(remote->topLevelItem(1)->text(0), "Device 3");
  rename(2, QString(40, 'x'));
  EXPECT_TRUE(waitFor([&] { return remote->topLevelItem(2)->text(0) == QString(31, 'x'); }));
  EXPECT_EQ(boxes.seen.size(), 1u);

  QHeaderView* header = remote->header();
  auto clickHeader = [&](int logical) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(logical) + 10, 5));
  };
  QStringList macs = column(*remote, 1), reversed = macs;
  std::reverse(reversed.begin(), reversed.end());
  clickHeader(1);  // the sorted column again: reversed
  EXPECT_EQ(column(*remote, 1), reversed);
  clickHeader(1);
  EXPECT_EQ(column(*remote, 1), macs);
  clickHeader(0);  // another column starts with its own toggle 0: greater name first
  const QStringList byName{"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "Living Room", "Device 6", "Device 5",
                           "Device 3"};
  EXPECT_EQ(column(*remote, 0), byName);
  header->resizeSection(4, 133);
  header->moveSection(header->visualIndex(1), 1);
  s.reject();
  sheet.reset();

  // A new window, from the saved database, shows the list as it was left.
  openHome();
  EXPECT_EQ(headerInDisplayOrder(*remote),
            (QStringList{"Device Name", "MAC Address", "Password", "Quality", "Rate(Tx/Rx)"}));
  EXPECT_EQ(remote->header()->sectionSize(4), 133);
  EXPECT_EQ(column(*remote, 0), byName);
}

// Closing the window while a command waits on a message box and then runs on
// for seconds: the box gets the closing answer, the command ends, and the
// layout the window left, queued behind the command, still reaches the database.
TEST_F(WindowTest, ClosingDuringALongCommandStillWritesTheDatabase) {
  PropertySheet& s = openHome();
  std::size_t boxesBefore = prompter.shown().size();
  std::atomic<int> answer{-1};
  s.engine().post([&answer](ProgramContext& ctx, app::MainPageState&) {
    answer = static_cast<int>(ctx.prompter.messageBox("Go on?", "Question", MessageIcon::Question,
                                                      MessageButtons::YesNo));
    ctx.clock.sleepMs(6000);
  });
  // The box is up once the prompter has it; the event loop stays still so that
  // nobody answers it.
  while (prompter.shown().size() == boxesBefore) QThread::msleep(5);
  remote->header()->resizeSection(4, 133);
  s.reject();
  sheet.reset();

  EXPECT_EQ(answer, static_cast<int>(MessageAnswer::No));
  auto db = std::make_unique<DeviceDatabase>();
  readDatabase(databasePath(path("data/SLU"), settings.prefs.appName), *db);
  EXPECT_EQ(db->columns.widths[4], 133);
}

// A device operation runs on the worker with the scan paused and the devices
// held: a second operation is refused, the scan buttons are off, and when it
// ends the scan is back and the adapter is found again.
TEST_F(WindowTest, DeviceOperationHoldsTheScanWhileItRuns) {
  PropertySheet& s = openHome();
  MainPage& page = *s.mainPage();
  WindowEngine& engine = s.engine();
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> pausedDuringJob{false};
  std::string pibPath;
  int result = -1;
  ASSERT_TRUE(engine.runDeviceOperation(
      [&, released](const DeviceOperation& op) {
        released.wait();
        pibPath = pibFilePath(op.dataFolder, PibFile::User);
        return pibModify(op.env, PibAction::Read, 0, pibPath);
      },
      [&](int r) { result = r; }));
  std::shared_ptr<const WindowUpdate> last;
  QObject::connect(&engine, &WindowEngine::updated,
                   [&](std::shared_ptr<const WindowUpdate> u) { last = u; });
  engine.post([&](ProgramContext& ctx, app::MainPageState&) { pausedDuringJob = ctx.scan.paused; });
  ASSERT_TRUE(waitFor([&] { return last != nullptr; }));
  EXPECT_TRUE(pausedDuringJob);
  EXPECT_FALSE(page.findChild<QPushButton*>("1068")->isEnabled());
  {
    BoxCatcher boxes;
    EXPECT_FALSE(engine.runDeviceOperation([](const DeviceOperation&) { return 1; }, nullptr));
    EXPECT_EQ(boxes.first(), (Box{"Attention", kDeviceOperationRunning.text}));
  }
  release.set_value();
  ASSERT_TRUE(waitFor([&] { return !engine.deviceOperationRunning(); }));
  EXPECT_EQ(result, 1);
  EXPECT_GT(QFileInfo(QString::fromStdString(pibPath)).size(), 1000);
  EXPECT_TRUE(page.findChild<QPushButton*>("1068")->isEnabled());
  engine.post([&](ProgramContext& ctx, app::MainPageState&) { pausedDuringJob = ctx.scan.paused; });
  last = nullptr;
  ASSERT_TRUE(waitFor([&] { return last != nullptr; }));
  EXPECT_FALSE(pausedDuringJob);
  EXPECT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
}

TEST_F(WindowTest, NoAdapter) {
  WindowOptions options;
  options.link.interfaces = {"strandline-test-none"};  // no such card: nothing is opened
  MainPage& page = *open(fastPrefs(), options).mainPage();
  EXPECT_TRUE(waitFor([&] { return text(page, "1012") == "HomePlug Adapter NOT DETECTED"; }));
  BoxCatcher boxes;
  click(page, "1068");
  EXPECT_EQ(boxes.first(), (Box{"HomePlug Adapter NOT DETECTED",
                                "The HomePlug Adapter was not detected.\nPlease check your "
                                "computer cables."}));
  EXPECT_FALSE(page.findChild<QPushButton*>("1102")->isEnabled());
  EXPECT_EQ(page.localList()->topLevelItemCount(), 0);
  EXPECT_EQ(page.remoteList()->topLevelItemCount(), 0);
}

// --simulate keeps the simulated devices out of the user's own database: the
// window's database lies in the demo subfolder of the data folder.
TEST_F(WindowTest, SimulatedNetworkKeepsItsOwnDatabase) {
  EntryOptions entry;
  std::string error;
  std::string network = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/home.json";
  ASSERT_TRUE(parseEntryOptions({"--simulate", network}, entry, error)) << error;
  open(fastPrefs(), entry.window);
  EXPECT_TRUE(waitFor([&] { return sheet->mainPage()->remoteList()->topLevelItemCount() == 5; }));
  sheet.reset();
  EXPECT_TRUE(QFile::exists(
      QString::fromStdString(databasePath(path("data/SLU/demo"), settings.prefs.appName))));
  EXPECT_FALSE(QFile::exists(
      QString::fromStdString(databasePath(path("data/SLU"), settings.prefs.appName))));
}

// --simulate without a file: the home network installed beside the program
// (whatever the prefix), and the source tree's for a program in the build tree.
TEST(EntryPoint, DefaultNetworkFileBesideTheProgram) {
  QTemporaryDir prefix;
  ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
  ASSERT_TRUE(QDir(prefix.path()).mkpath("share/strandline/networks"));
  std::string installed = prefix.path().toStdString() + "/share/strandline/networks/home.json";
  std::ofstream(installed) << "{}";
  EXPECT_EQ(defaultNetworkFile(prefix.path().toStdString() + "/bin/strandline"), installed);
  EXPECT_EQ(defaultNetworkFile(QCoreApplication::applicationFilePath().toStdString()),
            std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/home.json");
}

// A stall probe longer than a day would overflow the window's timer; the
// opening size is two positive numbers of pixels.
TEST(EntryPoint, ProbeStallTakesUpToADayAndSizeTakesPixels) {
  EntryOptions entry;
  std::string error;
  EXPECT_TRUE(parseEntryOptions({"--probe-stall", "86400"}, entry, error)) << error;
  EXPECT_FALSE(parseEntryOptions({"--probe-stall", "2147484"}, entry, error));
  EXPECT_EQ(error, "--probe-stall takes a number of seconds from 1 to 86400");
  ASSERT_TRUE(parseEntryOptions({"--size", "1600x1000"}, entry, error)) << error;
  EXPECT_EQ(std::pair(entry.width, entry.height), std::pair(1600, 1000));
  for (const char* bad : {"1600", "1600x", "x1000", "0x1000", "1600x-1", "16385x100", "99999999x1",
                          "1600x1000x2", "+1600x1000"}) {
    EXPECT_FALSE(parseEntryOptions({"--size", bad}, entry, error)) << bad;
    EXPECT_EQ(error.rfind("--size takes WIDTHxHEIGHT", 0), 0u) << bad;
  }
  EXPECT_FALSE(parseEntryOptions({"--bogus"}, entry, error));
  EXPECT_NE(error.find("usage: strandline "), std::string::npos);
}

}  // namespace
}  // namespace strandline::ui
