// The firmware upgrade from the Main page (offscreen): the AV file dialog's
// checks in order, Cancel putting the scan back, a whole upgrade with the
// progress dialog reaching 100 % and the success box, and the Boost dialog's
// messages.
#include <QLineEdit>
#include <QPointer>
#include <atomic>
#include <fstream>

#include "core/device_ops/av_upgrade.h"
#include "core/device_ops/boost_upgrade.h"
#include "gui_fixture.h"
#include "sim/firmware_image.h"
#include "ui/upgrade_dialogs.h"

namespace strandline::ui {
namespace {

class UpgradeDialogTest : public GuiTest {
 protected:
  UpgradeFilesDialog* openDialog() {
    MainPage& page = *sheet->mainPage();
    auto* button = page.findChild<QPushButton*>("1102");
    EXPECT_TRUE(waitFor([&] { return button->isEnabled(); }));
    click(page, "1102");
    UpgradeFilesDialog* dialog = nullptr;
    EXPECT_TRUE(waitFor([&] { return (dialog = page.findChild<UpgradeFilesDialog*>()); }));
    return dialog;
  }
  // Runs fn on the engine thread and waits for it.
  template <typename Fn>
  void onEngine(Fn fn) {
    std::atomic<bool> done{false};
    sheet->engine().post([&](ProgramContext& ctx, app::MainPageState&) {
      fn(ctx);
      done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done.load(); }));
  }
  bool scanPaused() {
    bool paused = false;
    onEngine([&](ProgramContext& ctx) { paused = ctx.scan.paused; });
    return paused;
  }
  QLineEdit* edit(QWidget& root, const char* id) { return root.findChild<QLineEdit*>(id); }
};

TEST_F(UpgradeDialogTest, AvDialogChecksInOrderAndCancelPutsTheScanBack) {
  openHome();
  ASSERT_FALSE(scanPaused());
  UpgradeFilesDialog* dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Enter PIB & NVM files");
  EXPECT_EQ(text(*dialog, "1112"), "Please select appropriate Firmware and PIB files.");
  EXPECT_TRUE(scanPaused());

  std::vector<QString> filters;
  dialog->chooseFile = [&](QWidget*, const QString& filter) {
    filters.push_back(filter);
    return filters.size() == 1 ? QString("/nowhere/a.PIB") : QString("/nowhere/b.nvm");
  };
  {
    BoxCatcher boxes;
    click(*dialog, "1");
    EXPECT_EQ(boxes.first(), (Box{"Stop", "Please select a PIB and Firmware files\n"}));
  }
  click(*dialog, "1110");
  EXPECT_EQ(edit(*dialog, "1109")->text(), "/nowhere/a.PIB");
  {
    BoxCatcher boxes;  // one path is still empty
    click(*dialog, "1");
    EXPECT_EQ(boxes.first().first, "Stop");
  }
  click(*dialog, "1111");
  EXPECT_EQ(edit(*dialog, "1006")->text(), "/nowhere/b.nvm");
  EXPECT_EQ(filters,
            (std::vector<QString>{"PIB File (*.[Pp][Ii][Bb])", "Firmware File (*.[Nn][Vv][Mm])"}));
  {
    BoxCatcher boxes("Local Device Type");  // Cancel: back to the dialog
    click(*dialog, "1");
    EXPECT_EQ(boxes.first(), (Box{"Local Device Type", kAvUpgradeConfirm.text}));
  }
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(sheet->engine().deviceOperationRunning());
  click(*dialog, "2");
  MainPage& page = *sheet->mainPage();
  ASSERT_TRUE(waitFor([&] { return !page.findChild<UpgradeFilesDialog*>(); }));
  EXPECT_TRUE(waitFor([&] { return !scanPaused(); }));
}

TEST_F(UpgradeDialogTest, WholeAvUpgradeWithProgressToTheSuccessBox) {
  openHome();
  std::string pib = path("cur.pib"), nvm = path("new.nvm");
  int read = -1;
  ASSERT_TRUE(sheet->engine().runDeviceOperation(
      [&](const DeviceOperation& op) { return pibModify(op.env, PibAction::Read, 0, pib); },
      [&](int r) { read = r; }));
  ASSERT_TRUE(waitFor([&] { return read != -1; }));
  ASSERT_EQ(read, 1);
  Bytes image = sim::buildFirmwareImage("TSC1000-MAC-GUI-NEW");
  std::ofstream(nvm, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));

  QPointer<UpgradeFilesDialog> dialog = openDialog();
  ASSERT_TRUE(dialog);
  edit(*dialog, "1109")->setText(QString::fromStdString(pib));
  edit(*dialog, "1006")->setText(QString::fromStdString(nvm));
  BoxCatcher boxes;
  click(*dialog, "1");
  ASSERT_TRUE(waitFor([&] { return sheet->engine().deviceOperationRunning(); }));
  int highest = 0;
  ASSERT_TRUE(waitFor(
      [&] {
        if (dialog && dialog->progressDialog())
          highest = std::max(highest, dialog->progressDialog()->highestPercent());
        return !sheet->engine().deviceOperationRunning() && !dialog;
      },
      60000));
  EXPECT_EQ(highest, 100);
  ASSERT_GE(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[0], (Box{"Local Device Type", kAvUpgradeConfirm.text}));
  EXPECT_EQ(boxes.seen[1], (Box{"Success", kAvUpgradeSuccess.text}));
  // The adapter was looked for again: it reports the new firmware.
  EXPECT_TRUE(waitFor([&] {
    std::string firmware;
    onEngine([&](ProgramContext& ctx) { firmware = ctx.currentNetwork().firmware.str(); });
    return firmware.find("MAC-GUI-NEW") != std::string::npos;
  }));
  EXPECT_TRUE(waitFor([&] { return !scanPaused(); }));
}

// The progress dialog's Cancel asks first; only OK raises the cancel flag.
TEST_F(UpgradeDialogTest, ProgressCancelAsksBeforeItRaisesTheFlag) {
  UpgradeProgressDialog dialog(prompter, true, nullptr);
  dialog.show();
  dialog.showProgress({UpgradeStep::WritingParameters, 512, 1024});
  EXPECT_EQ(dialog.findChild<QProgressBar*>("progress")->value(), 50);
  EXPECT_EQ(text(dialog, "step"), "512 of 1024 bytes confirmed: writing parameters");
  {
    BoxCatcher boxes("Warning....");
    click(dialog, "1114");
    EXPECT_EQ(boxes.first(), (Box{"Warning....", kUpgradeCancelWarning.text}));
  }
  EXPECT_FALSE(dialog.cancelFlag()->load());
  {
    BoxCatcher boxes;
    click(dialog, "1114");
    EXPECT_EQ(boxes.first().first, "Warning....");
  }
  EXPECT_TRUE(dialog.cancelFlag()->load());
  EXPECT_FALSE(dialog.findChild<QPushButton*>("1114")->isEnabled());
  EXPECT_TRUE(dialog.isVisible());  // it closes when the upgrade has ended
}

TEST_F(UpgradeDialogTest, BoostDialogMessages) {
  WindowOptions options = simulated();
  options.link.simulateFile = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/boost.json";
  open(fastPrefs(), options);
  UpgradeFilesDialog* dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Config & Image");
  {
    BoxCatcher boxes;
    click(*dialog, "1");
    EXPECT_EQ(boxes.first(), (Box{"Error", kBoostNoFile.text}));
  }
  edit(*dialog, "1109")->setText("/nowhere/a.cfg");
  {
    BoxCatcher boxes;
    click(*dialog, "1");
    EXPECT_EQ(boxes.first(), (Box{"Error", kBoostNoImage.text}));
  }
  EXPECT_FALSE(sheet->engine().deviceOperationRunning());
  click(*dialog, "2");
}

}  // namespace
}  // namespace strandline::ui
