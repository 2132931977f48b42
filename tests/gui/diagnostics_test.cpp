#include <QFileDialog>
#include <QHeaderView>
#include <QPrinterInfo>
#include <atomic>
#include <fstream>
#include <sstream>

#include "gui_fixture.h"
#include "ui/diagnostics_page.h"

namespace strandline::ui {
namespace {

// Answers the next message box whose text contains `part` with `button`.
class BoxAnswer {
 public:
  BoxAnswer(QString part, QMessageBox::StandardButton button) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this, part, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->text().contains(part) || !box->button(button)) return;
      answered = true;
      box->button(button)->click();
    });
    timer_.start();
  }
  bool answered = false;

 private:
  QTimer timer_;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class DiagnosticsTest : public GuiTest {
 protected:
  // Asked on the engine thread behind every command posted before it.
  template <typename T>
  T ask(std::function<T(ProgramContext&)> question) {
    auto answer = std::make_shared<std::optional<T>>();
    sheet->engine().post(
        [answer, question](ProgramContext& ctx, app::MainPageState&) { *answer = question(ctx); });
    waitFor([&] { return answer->has_value(); });
    return answer->value_or(T{});
  }
  bool scanPaused() {
    return ask<bool>([](ProgramContext& ctx) { return ctx.scan.paused; });
  }

  // Opens the home network and shows the Diagnostics page once its lists are full.
  DiagnosticsPage& showPage() {
    openHome();
    DiagnosticsPage* page = sheet->diagnosticsPage();
    EXPECT_NE(page, nullptr);
    sheet->tabs()->setCurrentWidget(page);
    EXPECT_TRUE(waitFor([&] { return page->deviceList()->topLevelItemCount() == 5; }));
    return *page;
  }

  static QStringList column(QTreeWidget* list, int c) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(c);
    return texts;
  }

  std::string folder() const { return path("data/SLU"); }
};

// Both lists fill from the simulated scan; the scan pauses while the page is
// shown; a header click sorts, a second click on it reverses.
TEST_F(DiagnosticsTest, FillsTheListsPausesTheScanAndSorts) {
  DiagnosticsPage& page = showPage();
  EXPECT_TRUE(scanPaused());
  QStringList system = column(page.systemList(), 0);
  EXPECT_TRUE(system.front().startsWith("On NIC #1 MAC = "));
  EXPECT_TRUE(system.back().startsWith("Library: libpcap"));
  QTreeWidget* devices = page.deviceList();
  QStringList macs = column(devices, 1), remoteMacs = column(remote, 1);
  std::sort(macs.begin(), macs.end());
  std::sort(remoteMacs.begin(), remoteMacs.end());
  EXPECT_EQ(macs, remoteMacs);

  QHeaderView* header = devices->header();
  auto clickHeader = [&](int section) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
  };
  clickHeader(1);
  QStringList ascending = column(devices, 1);
  EXPECT_EQ(ascending, macs);
  clickHeader(1);
  QStringList descending = column(devices, 1);
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(descending, macs);

  sheet->tabs()->setCurrentIndex(0);
  EXPECT_FALSE(scanPaused());
}

// Delete: nothing selected asks for a selection; a device without a password
// goes at once; one with a password only after Yes. The row leaves both lists
// and the saved database.
TEST_F(DiagnosticsTest, DeleteAsksForPasswordDevices) {
  DiagnosticsPage& page = showPage();
  QTreeWidget* devices = page.deviceList();
  {
    BoxCatcher boxes;
    click(page, "1094");
    EXPECT_EQ(boxes.first(), Box("Attention!", "Please select a device first by clicking on it."));
  }
  std::string plain = devices->topLevelItem(0)->text(1).toStdString();
  std::string guarded = devices->topLevelItem(1)->text(1).toStdString();
  ask<bool>([guarded](ProgramContext& ctx) {
    ctx.known.at(findKnownByMacText(ctx.known, guarded)).password.set("QM3T-VW75-KD9P-HRJA");
    return true;
  });
  page.refill();
  ASSERT_TRUE(waitFor([&] { return devices->topLevelItem(1)->text(2) == "QM3T-VW75-KD9P-HRJA"; }));

  devices->topLevelItem(0)->setSelected(true);
  click(page, "1094");
  ASSERT_TRUE(waitFor([&] { return devices->topLevelItemCount() == 4; }));
  ASSERT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 4; }));
  EXPECT_FALSE(column(remote, 1).contains(QString::fromStdString(plain)));

  auto selectGuarded = [&] {
    devices->clearSelection();
    for (int i = 0; i < devices->topLevelItemCount(); ++i)
      if (devices->topLevelItem(i)->text(1).toStdString() == guarded)
        devices->topLevelItem(i)->setSelected(true);
  };
  for (auto button : {QMessageBox::No, QMessageBox::Yes}) {
    BoxAnswer answer("A Password for this device has been entered.", button);
    selectGuarded();
    click(page, "1094");
    ASSERT_TRUE(waitFor([&] { return answer.answered; }));
    bool gone = button == QMessageBox::Yes;
    EXPECT_TRUE(waitFor([&] { return devices->topLevelItemCount() == (gone ? 3 : 4); }));
    EXPECT_EQ(ask<int>([guarded](ProgramContext& ctx) {
                return findKnownByMacText(ctx.known, guarded);
              }) == 0,
              gone);
  }
  ASSERT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 3; }));
  DeviceDatabase db;
  ASSERT_EQ(readDatabase(databasePath(folder(), settings.prefs.appName), db).status,
            DatabaseReadResult::Status::Loaded);
  MacAddress a{}, b{};
  parseMac(plain, a);
  parseMac(guarded, b);
  EXPECT_EQ(findKnownByMac(db.known, a), 0);
  EXPECT_EQ(findKnownByMac(db.known, b), 0);
  EXPECT_EQ(db.known, ask<KnownDeviceTable>([](ProgramContext& ctx) { return ctx.known; }));
}

// Save Report writes the report where the dialog says; a place that cannot be
// written gets a message naming the file and the reason. Print Report with no
// printer says so and leaves the report in the data folder.
TEST_F(DiagnosticsTest, SaveAndPrintReport) {
  DiagnosticsPage& page = showPage();
  auto saveAs = [&](const std::string& file) {
    QTimer::singleShot(0, [&page, file] {
      QFileDialog* dialog = nullptr;
      waitFor([&] { return (dialog = page.findChild<QFileDialog*>("saveReport")) != nullptr; });
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->defaultSuffix(), "TXT");
      dialog->selectFile(QString::fromStdString(file));
      static_cast<QDialog*>(dialog)->accept();  // public as a QDialog
    });
    click(page, "1084");
  };
  std::string good = path("report.TXT");
  saveAs(good);
  ASSERT_TRUE(waitFor(
      [&] { return readFile(good).find("Remote Powerline Devices:") != std::string::npos; }));
  std::string text = readFile(good);
  EXPECT_EQ(text.rfind("Diagnostics Report:\t\t\t\t\t", 0), 0u);
  QString mac = page.deviceList()->topLevelItem(0)->text(1);
  EXPECT_NE(text.find("\t" + mac.toStdString() + "\t--- not entered ---\t"), std::string::npos);

  {
    BoxCatcher boxes;
    saveAs("/proc/strandline-report.TXT");
    Box box = boxes.first();
    EXPECT_EQ(box.first, "Save Report");
    EXPECT_NE(box.second.find("/proc/strandline-report.TXT"), std::string::npos) << box.second;
    EXPECT_GT(
        box.second.size(),
        std::string("The report could not be saved as /proc/strandline-report.TXT.\n").size());
  }

  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed";
  BoxCatcher boxes;
  click(page, "1093");
  Box box = boxes.first();
  EXPECT_EQ(box.first, "Attention!");
  EXPECT_NE(box.second.find("you need to install a printer."), std::string::npos);
  std::string printed = folder() + "/diagnostics.txt";
  EXPECT_NE(box.second.find(printed), std::string::npos);
  EXPECT_NE(readFile(printed).find("Remote Powerline Devices:"), std::string::npos);
}

}  // namespace
}  // namespace strandline::ui
