#include <QLineEdit>
#include <atomic>
#include <memory>

#include "core/security/add_device.h"
#include "core/security/password_rules.h"
#include "gui_fixture.h"
#include "ui/device_dialogs.h"
#include "ui/privacy_page.h"

namespace strandline::ui {
namespace {

class DialogTest : public GuiTest {
 protected:
  // The pause flag once every command posted so far has run. (The first update
  // after posting may be one the scan queued earlier, so it is read on the engine.)
  bool scanPaused() {
    auto paused = std::make_shared<std::atomic<int>>(-1);
    sheet->engine().post(
        [paused](ProgramContext& ctx, app::MainPageState&) { *paused = ctx.scan.paused ? 1 : 0; });
    waitFor([&] { return *paused >= 0; });
    return *paused == 1;
  }

  template <typename Dialog>
  Dialog* dialog() {
    Dialog* d = nullptr;
    waitFor([&] {
      d = sheet->mainPage()->findChild<Dialog*>();
      return d != nullptr && d->isVisible();
    });
    return d;
  }

  // Clicks OK and waits until the dialog has closed.
  template <typename Dialog>
  bool okAndClose(Dialog* d, int timeoutMs = 30000) {
    QPointer<Dialog> open(d);
    click(*d, "1");
    return waitFor([&] { return open.isNull() || !open->isVisible(); }, timeoutMs);
  }
};

// A device must be selected; a short password is refused in the dialog, a
// wrong one is stored with the marker and shown again without it. The scan
// pauses while the dialog is open.
TEST_F(DialogTest, EnterPasswordChecksTheLengthThenVerifies) {
  openHome();
  remote->clearSelection();
  remote->setCurrentItem(nullptr);
  BoxCatcher boxes;
  click(*sheet->mainPage(), "1087");
  EXPECT_EQ(boxes.first(), (Box{"Attention!", "Please select a device first by clicking on it."}));
  QTest::qWait(50);
  EXPECT_EQ(sheet->mainPage()->findChild<EnterPasswordDialog*>(), nullptr);
  EXPECT_FALSE(scanPaused());

  remote->setCurrentItem(remote->topLevelItem(0));
  click(*sheet->mainPage(), "1087");
  EnterPasswordDialog* d = dialog<EnterPasswordDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "Set Device Password");
  EXPECT_EQ(d->deviceLine()->text(), "Device 2  (02:5A:00:00:01:02)");
  EXPECT_EQ(d->passwordBox()->text(), "");
  EXPECT_TRUE(scanPaused());

  boxes.seen.clear();
  d->passwordBox()->setText("abc");
  click(*d, "1");
  EXPECT_EQ(boxes.first(), (Box{"Invalid Entry", kInvalidDevicePasswordText}));
  ASSERT_TRUE(waitFor([&] { return d->findChild<QPushButton*>("1")->isEnabled(); }));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->passwordBox()->text(), "abc");

  d->passwordBox()->setText("ZZZZ-ZZZZ-ZZZZ-ZZZZ");
  boxes.seen.clear();
  ASSERT_TRUE(okAndClose(d));
  EXPECT_TRUE(
      waitFor([&] { return remote->topLevelItem(0)->text(4) == "Not ZZZZ-ZZZZ-ZZZZ-ZZZZ"; }));
  EXPECT_EQ(boxes.seen, (std::vector<Box>{{"Attention!", kInvalidDevicePasswordText}}));
  EXPECT_FALSE(scanPaused());

  // Opening again shows it without the marker, all selected.
  remote->setCurrentItem(remote->topLevelItem(0));
  click(*sheet->mainPage(), "1087");
  d = dialog<EnterPasswordDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->passwordBox()->text(), "ZZZZ-ZZZZ-ZZZZ-ZZZZ");
  EXPECT_EQ(d->passwordBox()->selectedText(), "ZZZZ-ZZZZ-ZZZZ-ZZZZ");
}

// Cancel resumes the scan; the checks come in order and keep the dialog open;
// then one whole add on virtual time (its settling waits take no real time)
// reports its progress and closes the dialog once the device is listed under
// the typed name.
TEST_F(DialogTest, AddDeviceChecksInOrderThenAdds) {
  openHome(fastPrefs(), false);
  sheet->engine().post([](ProgramContext& ctx, app::MainPageState&) {
    if (int at = findKnownByMacText(ctx.known, "02:5A:00:00:01:05"))
      ctx.known.at(at).password.set("QWER-7Y8U-PL0K-MJ6N");
  });
  ASSERT_TRUE(waitFor([&] { return remote->topLevelItem(3)->text(4) == "QWER-7Y8U-PL0K-MJ6N"; }));
  click(*sheet->mainPage(), "1082");
  AddDeviceDialog* d = dialog<AddDeviceDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "Add Device to Network");
  EXPECT_EQ(d->nameBox()->text(), "Name");
  EXPECT_EQ(d->nameBox()->selectedText(), "Name");
  EXPECT_EQ(d->passwordBox()->text(), "PASS-WORD-GOES-HERE");
  EXPECT_TRUE(scanPaused());
  click(*d, "2");
  EXPECT_FALSE(scanPaused());
  click(*sheet->mainPage(), "1082");
  ASSERT_NE(d = dialog<AddDeviceDialog>(), nullptr);

  BoxCatcher boxes;
  const std::string kAnother = "Please enter another name.";
  const struct {
    QString name, password;
    Box box;
  } cases[] = {
      {"Name", "PASS-WORD-GOES-HERE", {"Attention!", "Please enter a Password."}},  // untouched
      {"", "PASS-WORD-GOES-HERE", {"Attention!", kAnother}},
      {QString(32, 'n'), "abc", {"Attention!", "Device Name should be less than 31 characters"}},
      {"Device 3", "abc", {"Attention!", kAnother}},
      {QString(31, 'n'), "abc", {"Invalid Entry", kInvalidDevicePasswordText}},
      {"Attic", QString(25, 'p'), {"Invalid Entry", kInvalidDevicePasswordText}},
      {"Attic", "QWER-7Y8U-PL0K-MJ6N", {"Attention!", "Device is already added in the network"}},
  };
  for (const auto& c : cases) {
    boxes.seen.clear();
    d->nameBox()->setText(c.name);
    d->passwordBox()->setText(c.password);
    click(*d, "1");
    EXPECT_EQ(boxes.first(), c.box) << c.name.toStdString();
    ASSERT_TRUE(waitFor([&] { return d->findChild<QPushButton*>("1")->isEnabled(); }));
    EXPECT_TRUE(d->isVisible());
  }
  EXPECT_FALSE(scanPaused());  // the refused add let the scan go on

  QStringList progress;
  QObject::connect(&sheet->engine().prompter(), &QtPrompter::progress,
                   [&](const QString& text) { progress << text; });
  int result = -1;
  QObject::connect(d, &QDialog::finished, [&](int r) { result = r; });
  boxes.seen.clear();
  d->nameBox()->setText("Kitchen");
  d->passwordBox()->setText("A1B2-C3D4-E5F6-G7H8");
  ASSERT_TRUE(okAndClose(d, 60000));
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(progress.isEmpty());
  EXPECT_TRUE(boxes.seen.empty());
  EXPECT_TRUE(waitFor([&] {
    for (int i = 0; i < remote->topLevelItemCount(); ++i)
      if (remote->topLevelItem(i)->text(0) == "Kitchen")
        return remote->topLevelItem(i)->text(1) == "02:5A:00:00:01:04";
    return false;
  }));
  EXPECT_FALSE(scanPaused());
}

// Old Boost firmware is reported before any other check, clears its flag and
// closes the dialog; the next attempt goes through the checks again.
TEST_F(DialogTest, OldFirmwareClosesBothDialogsFirst) {
  openHome();
  BoxCatcher boxes;
  auto tryWithOldFirmware = [&](const char* button, const char* text) {
    sheet->engine().post(
        [](ProgramContext& ctx, app::MainPageState&) { ctx.boost.firmwareTooOld = true; });
    boxes.seen.clear();
    remote->setCurrentItem(remote->topLevelItem(1));
    click(*sheet->mainPage(), button);
    QDialog* d = button == std::string("1082") ? static_cast<QDialog*>(dialog<AddDeviceDialog>())
                                               : dialog<EnterPasswordDialog>();
    ASSERT_NE(d, nullptr);
    for (QLineEdit* line : d->findChildren<QLineEdit*>()) line->setText("ab");  // refused later
    ASSERT_TRUE(okAndClose(d));
    EXPECT_EQ(boxes.first(), (Box{"Attention!", text}));
    EXPECT_FALSE(scanPaused());
    ASSERT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
  };
  tryWithOldFirmware("1082", kAddFirmwareTooOldText);
  tryWithOldFirmware("1087", kVerifyFirmwareTooOldText);
}

// Set Local refuses a bad name (a tab passes the length check and is refused
// all the same) and sets a good one; a cancelled Set All runs no flow.
TEST_F(DialogTest, PrivacySetsTheLocalAdapterAndCancelsSetAll) {
  PropertySheet& s = openHome();
  auto* privacy = qobject_cast<PrivacyPage*>(s.tabs()->widget(1));
  ASSERT_NE(privacy, nullptr);
  s.tabs()->setCurrentIndex(1);
  auto* name = privacy->findChild<QLineEdit*>("1028");
  auto* local = privacy->findChild<QPushButton*>("1080");
  auto* all = privacy->findChild<QPushButton*>("1081");
  EXPECT_TRUE(waitFor([&] { return name->text() == "HomePlugAV"; }));
  QLabel* type = s.mainPage()->findChild<QLabel*>("1089");

  BoxCatcher boxes("Network Name Setting ");
  // The box that answers a click, once both buttons work again.
  auto boxFor = [&](QPushButton* button) {
    boxes.seen.clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(all->isEnabled() || local->isEnabled());
    Box box = boxes.first(30000);
    EXPECT_TRUE(waitFor([&] { return local->isEnabled() && all->isEnabled(); }));
    return box;
  };
  const std::pair<QString, Box> cases[] = {
      {"abc", {"Invalid Entry", kInvalidNetworkNameText}},
      {"Home\tNet", {"Invalid Entry", kInvalidNetworkNameText}},
      {"Attic Net", {"Information", "Local network set to 'Attic Net'"}},
  };
  for (const auto& [text, box] : cases) {
    name->setText(text);
    EXPECT_EQ(boxFor(local), box) << text.toStdString();
  }
  EXPECT_TRUE(waitFor([&] { return type->text() == "Network Type: Private"; }));

  EXPECT_EQ(boxFor(all), (Box{"Network Name Setting ", app::kSetAllQuestionText}));
  QTest::qWait(200);
  EXPECT_EQ(boxes.seen.size(), 1u) << "no result box follows the question";
  EXPECT_FALSE(scanPaused());

  click(*privacy, "1062");  // back to the public name
  EXPECT_EQ(name->text(), "HomePlugAV");
  EXPECT_EQ(boxFor(local), (Box{"Information", "Local network set to 'HomePlugAV'"}));
  EXPECT_TRUE(waitFor([&] { return type->text() == "Network Type: Public"; }));
}

TEST(DeviceDialogs, PictureFollowsTheAdapterKind) {
  for (auto [present, kind, picture] : {std::tuple{false, kKindBoost, "oemDevice.bmp"},
                                        {true, kKindAv, "oemDevice.bmp"},
                                        {true, kKindAvTsc4000, "oemDevice_T4K.bmp"},
                                        {true, kKindBoost, "oemDeviceIconHS.bmp"},
                                        {true, kKindHomePlug10, "oemDeviceIconLS.bmp"}})
    EXPECT_EQ(app::devicePicture(present, kind), picture) << kind;
}

}  // namespace
}  // namespace strandline::ui
