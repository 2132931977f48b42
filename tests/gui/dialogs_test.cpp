#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "core/security/add_device.h"
#include "core/security/password_rules.h"
#include "gui_fixture.h"
#include "ui/device_dialogs.h"
#include "ui/privacy_page.h"

namespace strandline::ui {
namespace {

class DialogTest : public GuiTest {
 protected:
  PropertySheet& openHome() {
    PropertySheet& s = open(fastPrefs(), simulated());
    remote = s.mainPage()->remoteList();
    EXPECT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
    return s;
  }

  bool scanPaused() {
    bool paused = false;
    bool seen = false;
    QMetaObject::Connection c = QObject::connect(&sheet->engine(), &WindowEngine::updated,
                                                 [&](std::shared_ptr<const WindowUpdate> u) {
                                                   paused = u->snapshot.scanPaused;
                                                   seen = true;
                                                 });
    sheet->engine().post([](ProgramContext&, app::MainPageState&) {});
    waitFor([&] { return seen; });
    QObject::disconnect(c);
    return paused;
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

  RemoteList* remote = nullptr;
};

TEST_F(DialogTest, EnterPasswordNeedsASelectedDevice) {
  openHome();
  remote->clearSelection();
  remote->setCurrentItem(nullptr);
  BoxCatcher boxes;
  click(*sheet->mainPage(), "1087");
  EXPECT_EQ(boxes.first(), (Box{"Attention!", "Please select a device first by clicking on it."}));
  QTest::qWait(50);
  EXPECT_EQ(sheet->mainPage()->findChild<EnterPasswordDialog*>(), nullptr);
  EXPECT_FALSE(scanPaused());
}

TEST_F(DialogTest, EnterPasswordChecksTheLengthThenVerifies) {
  openHome();
  remote->setCurrentItem(remote->topLevelItem(0));
  click(*sheet->mainPage(), "1087");
  EnterPasswordDialog* d = dialog<EnterPasswordDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "Set Device Password");
  EXPECT_EQ(d->deviceLine()->text(), "Device 2  (02:5A:00:00:01:02)");
  EXPECT_EQ(d->passwordBox()->text(), "");
  EXPECT_TRUE(scanPaused());

  BoxCatcher boxes;
  d->passwordBox()->setText("abc");
  click(*d, "1");
  EXPECT_EQ(boxes.first(), (Box{"Invalid Entry", kInvalidDevicePasswordText}));
  ASSERT_TRUE(waitFor([&] { return d->findChild<QPushButton*>("1")->isEnabled(); }));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->passwordBox()->text(), "abc");

  // A wrong password: the device refuses it and it is stored with the marker.
  QPointer<EnterPasswordDialog> first(d);
  d->passwordBox()->setText("ZZZZ-ZZZZ-ZZZZ-ZZZZ");
  boxes.seen.clear();
  click(*d, "1");
  ASSERT_TRUE(waitFor([&] { return first.isNull() || !first->isVisible(); }, 30000));
  EXPECT_TRUE(
      waitFor([&] { return remote->topLevelItem(0)->text(4) == "Not ZZZZ-ZZZZ-ZZZZ-ZZZZ"; }));
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0], (Box{"Attention!", kInvalidDevicePasswordText}));
  EXPECT_FALSE(scanPaused());

  // Opening again shows it without the marker, all selected; the printed
  // password is accepted and stored as it stands.
  remote->setCurrentItem(remote->topLevelItem(0));
  click(*sheet->mainPage(), "1087");
  EnterPasswordDialog* again = dialog<EnterPasswordDialog>();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->passwordBox()->text(), "ZZZZ-ZZZZ-ZZZZ-ZZZZ");
  EXPECT_EQ(again->passwordBox()->selectedText(), "ZZZZ-ZZZZ-ZZZZ-ZZZZ");
  QPointer<EnterPasswordDialog> second(again);
  again->passwordBox()->setText("R2D4-MQ8X-T6VA-1LKE");
  boxes.seen.clear();
  click(*again, "1");
  ASSERT_TRUE(waitFor([&] { return second.isNull() || !second->isVisible(); }, 30000));
  EXPECT_TRUE(waitFor([&] { return remote->topLevelItem(0)->text(4) == "R2D4-MQ8X-T6VA-1LKE"; }));
  EXPECT_TRUE(boxes.seen.empty());
  EXPECT_FALSE(scanPaused());
}

TEST_F(DialogTest, AddDeviceChecksInOrder) {
  openHome();
  click(*sheet->mainPage(), "1082");
  AddDeviceDialog* d = dialog<AddDeviceDialog>();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle(), "Add Device to Network");
  EXPECT_EQ(d->nameBox()->text(), "Name");
  EXPECT_EQ(d->nameBox()->selectedText(), "Name");
  EXPECT_EQ(d->passwordBox()->text(), "PASS-WORD-GOES-HERE");
  EXPECT_TRUE(scanPaused());

  BoxCatcher boxes;
  auto tryOk = [&](const QString& name, const QString& password) -> Box {
    boxes.seen.clear();
    d->nameBox()->setText(name);
    d->passwordBox()->setText(password);
    click(*d, "1");
    Box box = boxes.first();
    waitFor([&] { return d->findChild<QPushButton*>("1")->isEnabled(); });
    return box;
  };
  // The untouched password is asked for.
  EXPECT_EQ(tryOk("Name", "PASS-WORD-GOES-HERE"), (Box{"Attention!", "Please enter a Password."}));
  EXPECT_EQ(tryOk("", "PASS-WORD-GOES-HERE"), (Box{"Attention!", "Please enter another name."}));
  EXPECT_EQ(tryOk(QString(32, 'n'), "abc"),
            (Box{"Attention!", "Device Name should be less than 31 characters"}));
  EXPECT_EQ(tryOk("Device 3", "abc"), (Box{"Attention!", "Please enter another name."}));
  // 31 characters pass the name checks and reach the password checks.
  EXPECT_EQ(tryOk(QString(31, 'n'), "abc"), (Box{"Invalid Entry", kInvalidDevicePasswordText}));
  EXPECT_EQ(tryOk("Attic", QString(25, 'p')), (Box{"Invalid Entry", kInvalidDevicePasswordText}));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->nameBox()->text(), "Attic");
  click(*d, "2");
  EXPECT_FALSE(scanPaused());
}

// Old Boost firmware is reported before any other check, clears its flag and
// closes the dialog; the next attempt goes through the checks again.
TEST_F(DialogTest, OldFirmwareClosesBothDialogsFirst) {
  openHome();
  auto raise = [&] {
    sheet->engine().post(
        [](ProgramContext& ctx, app::MainPageState&) { ctx.boost.firmwareTooOld = true; });
  };
  BoxCatcher boxes;
  raise();
  click(*sheet->mainPage(), "1082");
  AddDeviceDialog* add = dialog<AddDeviceDialog>();
  ASSERT_NE(add, nullptr);
  QPointer<AddDeviceDialog> addOpen(add);
  add->nameBox()->setText("");  // would be refused, but the firmware comes first
  click(*add, "1");
  ASSERT_TRUE(waitFor([&] { return addOpen.isNull() || !addOpen->isVisible(); }));
  EXPECT_EQ(boxes.first(), (Box{"Attention!", kAddFirmwareTooOldText}));
  EXPECT_FALSE(scanPaused());

  ASSERT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
  boxes.seen.clear();
  raise();
  remote->setCurrentItem(remote->topLevelItem(1));
  click(*sheet->mainPage(), "1087");
  EnterPasswordDialog* enter = dialog<EnterPasswordDialog>();
  ASSERT_NE(enter, nullptr);
  QPointer<EnterPasswordDialog> enterOpen(enter);
  enter->passwordBox()->setText("ab");
  click(*enter, "1");
  ASSERT_TRUE(waitFor([&] { return enterOpen.isNull() || !enterOpen->isVisible(); }));
  EXPECT_EQ(boxes.first(), (Box{"Attention!", kVerifyFirmwareTooOldText}));
  EXPECT_FALSE(scanPaused());
}

TEST_F(DialogTest, AddDeviceRefusesAPasswordAlreadyListed) {
  openHome();
  // Give Device 4 a password, then try to add a device by the same one.
  sheet->engine().post([](ProgramContext& ctx, app::MainPageState&) {
    int position = findKnownByMacText(ctx.known, "02:5A:00:00:01:04");
    if (position) ctx.known.at(position).password.set("A1B2-C3D4-E5F6-G7H8");
  });
  ASSERT_TRUE(waitFor([&] {
    for (int i = 0; i < remote->topLevelItemCount(); ++i)
      if (remote->topLevelItem(i)->text(4) == "A1B2-C3D4-E5F6-G7H8") return true;
    return false;
  }));
  click(*sheet->mainPage(), "1082");
  AddDeviceDialog* d = dialog<AddDeviceDialog>();
  ASSERT_NE(d, nullptr);
  BoxCatcher boxes;
  d->nameBox()->setText("Attic");
  d->passwordBox()->setText("A1B2-C3D4-E5F6-G7H8");
  click(*d, "1");
  EXPECT_EQ(boxes.first(), (Box{"Attention!", "Device is already added in the network"}));
  ASSERT_TRUE(waitFor([&] { return d->findChild<QPushButton*>("1")->isEnabled(); }));
  EXPECT_TRUE(d->isVisible());
  EXPECT_FALSE(scanPaused());
  click(*d, "2");
}

// One whole add on virtual time (its settling waits take no real time): the
// progress texts reach the dialog, which closes once the new device is listed
// under the typed name.
TEST_F(DialogTest, AddDeviceRunsTheFlowAndClosesWhenTheDeviceIsListed) {
  WindowOptions options = simulated();
  options.link.paced = false;
  PropertySheet& s = open(fastPrefs(), options);
  remote = s.mainPage()->remoteList();
  ASSERT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
  click(*s.mainPage(), "1082");
  AddDeviceDialog* d = dialog<AddDeviceDialog>();
  ASSERT_NE(d, nullptr);
  QStringList progress;
  QObject::connect(&s.engine().prompter(), &QtPrompter::progress,
                   [&](const QString& text) { progress << text; });
  QPointer<AddDeviceDialog> open(d);
  int result = -1;
  QObject::connect(d, &QDialog::finished, [&](int r) { result = r; });
  BoxCatcher boxes;
  d->nameBox()->setText("Kitchen");
  d->passwordBox()->setText("A1B2-C3D4-E5F6-G7H8");
  click(*d, "1");
  ASSERT_TRUE(waitFor([&] { return open.isNull() || !open->isVisible(); }, 60000));
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

TEST_F(DialogTest, PrivacyRefusesAShortNameAndSetsTheLocalAdapter) {
  PropertySheet& s = openHome();
  auto* privacy = qobject_cast<PrivacyPage*>(s.tabs()->widget(1));
  ASSERT_NE(privacy, nullptr);
  s.tabs()->setCurrentIndex(1);
  auto* name = privacy->findChild<QLineEdit*>("1028");
  EXPECT_TRUE(waitFor([&] { return name->text() == "HomePlugAV"; }));

  BoxCatcher boxes;
  // The box that answers a click on Set Local, once both buttons work again.
  auto setLocal = [&] {
    boxes.seen.clear();
    click(*privacy, "1080");
    Box box = boxes.first(30000);
    EXPECT_TRUE(waitFor([&] {
      return privacy->findChild<QPushButton*>("1080")->isEnabled() &&
             privacy->findChild<QPushButton*>("1081")->isEnabled();
    }));
    return box;
  };
  name->setText("abc");
  EXPECT_EQ(setLocal(), (Box{"Invalid Entry", kInvalidNetworkNameText}));
  // A name with a tab passes the length check and is refused all the same.
  name->setText("Home\tNet");
  EXPECT_EQ(setLocal(), (Box{"Invalid Entry", kInvalidNetworkNameText}));

  name->setText("Attic Net");
  EXPECT_EQ(setLocal(), (Box{"Information", "Local network set to 'Attic Net'"}));
  QLabel* type = s.mainPage()->findChild<QLabel*>("1089");
  EXPECT_TRUE(waitFor([&] { return type->text() == "Network Type: Private"; }));

  // Back to the public name.
  click(*privacy, "1062");
  EXPECT_EQ(name->text(), "HomePlugAV");
  EXPECT_EQ(setLocal(), (Box{"Information", "Local network set to 'HomePlugAV'"}));
  EXPECT_TRUE(waitFor([&] { return type->text() == "Network Type: Public"; }));
}

TEST_F(DialogTest, CancellingSetAllChangesNoDevice) {
  PropertySheet& s = openHome();
  auto* privacy = qobject_cast<PrivacyPage*>(s.tabs()->widget(1));
  s.tabs()->setCurrentIndex(1);
  auto* name = privacy->findChild<QLineEdit*>("1028");
  auto* all = privacy->findChild<QPushButton*>("1081");
  auto* local = privacy->findChild<QPushButton*>("1080");
  BoxCatcher boxes("Network Name Setting ");
  name->setText("Attic Net");
  QTest::mouseClick(all, Qt::LeftButton);
  EXPECT_FALSE(all->isEnabled());
  EXPECT_FALSE(local->isEnabled());
  EXPECT_EQ(boxes.first(), (Box{"Network Name Setting ", app::kSetAllQuestionText}));
  ASSERT_TRUE(waitFor([&] { return all->isEnabled() && local->isEnabled(); }));
  // No flow ran: no result box follows the question.
  QTest::qWait(200);
  EXPECT_EQ(boxes.seen.size(), 1u);
  EXPECT_FALSE(scanPaused());
}

TEST_F(DialogTest, DevicePictureFollowsTheAdapterKind) {
  EXPECT_EQ(app::devicePicture(false, kKindBoost), "oemDevice.bmp");
  EXPECT_EQ(app::devicePicture(true, kKindAv), "oemDevice.bmp");
  EXPECT_EQ(app::devicePicture(true, kKindAvTsc4000), "oemDevice_T4K.bmp");
  EXPECT_EQ(app::devicePicture(true, kKindBoost), "oemDeviceIconHS.bmp");
  EXPECT_EQ(app::devicePicture(true, kKindHomePlug10), "oemDeviceIconLS.bmp");
  EXPECT_EQ(app::passwordForEditing("Not R2D4-MQ8X"), "R2D4-MQ8X");
  EXPECT_EQ(app::passwordForEditing("CHECK R2D4-MQ8X"), "R2D4-MQ8X");
  EXPECT_EQ(app::passwordForEditing("R2D4-Not MQ8X"), "R2D4-Not MQ8X");
}

TEST_F(DialogTest, ReadmeInTheWorkingDirectoryComesFirst) {
  std::ofstream("Readme.txt") << "our own notes\nsecond line\n";
  PropertySheet& s = open(fastPrefs(), simulated());
  QWidget* about = s.tabs()->widget(s.tabs()->count() - 1);
  EXPECT_EQ(about->findChild<QPlainTextEdit*>("1006")->toPlainText(),
            "our own notes\nsecond line\n");
}

}  // namespace
}  // namespace strandline::ui
