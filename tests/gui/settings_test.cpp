// The QoS page and the LED button against the simulated adapter: settings
// read, written, read back after the restart; the LED switch both ways.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <atomic>
#include <fstream>
#include <sstream>

#include "gui_fixture.h"
#include "ui/qos_page.h"

namespace strandline::ui {
namespace {

class SettingsTest : public GuiTest {
 protected:
  // Waits until the scan has found the local adapter again (it restarts
  // after every write).
  bool adapterBack() {
    return waitFor([&] {
      auto present = std::make_shared<std::atomic<int>>(-1);
      sheet->engine().post([present](ProgramContext& ctx, app::MainPageState&) {
        *present = ctx.currentAdapter().present ? 1 : 0;
      });
      waitFor([&] { return *present != -1; });
      return *present == 1;
    });
  }
  QComboBox* combo(const char* id) { return qos->findChild<QComboBox*>(id); }
  QLineEdit* edit(const char* id) { return qos->findChild<QLineEdit*>(id); }
  // Shows the QoS page and waits until its read has ended.
  void showQos() {
    sheet->tabs()->setCurrentIndex(0);
    sheet->tabs()->setCurrentWidget(qos);
    ASSERT_TRUE(waitFor([&] { return !sheet->engine().deviceOperationRunning(); }));
  }
  std::vector<int> caps(std::initializer_list<const char*> ids) {
    std::vector<int> out;
    for (const char* id : ids) out.push_back(combo(id)->currentIndex());
    return out;
  }
  QosPage* qos = nullptr;
};

TEST_F(SettingsTest, QosPageReadsWritesAndReadsBackAfterTheRestart) {
  PropertySheet& s = openHome();
  qos = s.tabs()->findChild<QosPage*>("QoS");
  ASSERT_NE(qos, nullptr);
  combo("1076")->setCurrentIndex(3);  // not what the device holds
  edit("1122")->setText("77");
  BoxCatcher boxes;
  showQos();
  EXPECT_EQ(caps({"1076", "1078", "1080", "1082", "1117", "1118", "1119", "1120"}),
            (std::vector<int>{1, 0, 0, 1, 3, 1, 2, 1}));
  EXPECT_EQ(edit("1122")->text(), "2000");
  EXPECT_TRUE(boxes.seen.empty());

  // A time to live out of range stops the write before anything is sent.
  edit("1015")->setText("65001");
  QTest::mouseClick(qos->findChild<QPushButton*>("1114"), Qt::LeftButton);
  EXPECT_EQ(boxes.first(), (Box{"Attention", "The number is between 10 and 65000!"}));
  EXPECT_FALSE(s.engine().deviceOperationRunning());

  boxes.seen.clear();
  const char* vlan[] = {"1076", "1078", "1080", "1082"};
  for (int p = 0; p < 4; ++p) combo(vlan[p])->setCurrentIndex(3 - p);
  combo("1117")->setCurrentIndex(0);
  edit("1122")->setText("10");
  edit("1015")->setText("65000");
  QTest::mouseClick(qos->findChild<QCheckBox*>("1116"), Qt::LeftButton);
  EXPECT_FALSE(combo("1077")->isEnabled());
  auto* write = qos->findChild<QPushButton*>("1114");
  QTest::mouseClick(write, Qt::LeftButton);
  EXPECT_FALSE(write->isEnabled());  // no second write while this one runs
  ASSERT_TRUE(waitFor([&] { return !s.engine().deviceOperationRunning(); }));
  EXPECT_EQ(boxes.seen, (std::vector<Box>{{"Commit", "Commit successfully"},
                                          {"Restart", "Restart device successfully"}}));
  EXPECT_TRUE(write->isEnabled());
  ASSERT_TRUE(adapterBack());

  // What the page shows now is scrambled; a fresh load brings the device's values.
  for (const char* id : vlan) combo(id)->setCurrentIndex(1);
  edit("1122")->setText("5");
  qos->findChild<QCheckBox*>("1116")->setChecked(true);
  showQos();
  EXPECT_EQ(caps({"1076", "1078", "1080", "1082", "1117", "1118"}),
            (std::vector<int>{3, 2, 1, 0, 0, 1}));
  EXPECT_EQ(edit("1122")->text(), "10");
  EXPECT_EQ(edit("1015")->text(), "65000");
  EXPECT_FALSE(qos->findChild<QCheckBox*>("1116")->isChecked());
  EXPECT_FALSE(combo("1077")->isEnabled());
  EXPECT_TRUE(combo("1076")->isEnabled());
  EXPECT_EQ(boxes.seen.size(), 2u);
}

TEST_F(SettingsTest, HomePlug10AdapterDisablesThePageAndTheLedButton) {
  WindowOptions options = simulated();
  options.link.simulateFile = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/hp10.json";
  PropertySheet& s = open(fastPrefs(), options);
  ASSERT_TRUE(waitFor([&] { return s.mainPage()->localList()->topLevelItemCount() == 1; }));
  qos = s.tabs()->findChild<QosPage*>("QoS");
  showQos();
  for (const char* id :
       {"1010", "1116", "1076", "1077", "1091", "1117", "1120", "1122", "1015", "1114"})
    EXPECT_FALSE(qos->findChild<QWidget*>(id)->isEnabled()) << id;
  s.tabs()->setCurrentIndex(0);
  click(*s.mainPage(), "1068");
  ASSERT_TRUE(waitFor([&] { return !s.engine().deviceOperationRunning(); }));
  EXPECT_FALSE(s.mainPage()->findChild<QPushButton*>("1114")->isEnabled());
}

TEST_F(SettingsTest, LedButtonSwitchesTheLedsOffAndOnAgain) {
  PropertySheet& s = openHome();
  MainPage& page = *s.mainPage();
  auto* led = page.findChild<QPushButton*>("1114");
  auto settled = [&] { return !s.engine().deviceOperationRunning() && led->isEnabled(); };
  BoxCatcher boxes;
  click(page, "1068");
  ASSERT_TRUE(waitFor(settled));
  EXPECT_EQ(led->text(), "LEDs:   OFF");  // they are on
  std::ifstream ini(path("data/SLU/LEDConfig.ini"));
  std::stringstream saved;
  saved << ini.rdbuf();
  EXPECT_EQ(saved.str().substr(0, 23), "[ID]\nID1=1\nID2=2\nID3=3\n");
  EXPECT_NE(saved.str().find("ID24=3\n"), std::string::npos);

  click(page, "1114");
  ASSERT_TRUE(waitFor(settled));
  EXPECT_EQ(led->text(), "LEDs:   ON");
  EXPECT_EQ(boxes.seen, (std::vector<Box>{{"Commit", "Commit successfully"}}));

  // The device, read again after its restart, has its LEDs off.
  ASSERT_TRUE(adapterBack());
  led->setText("LEDs:   OFF");
  click(page, "1068");
  ASSERT_TRUE(waitFor(settled));
  EXPECT_EQ(led->text(), "LEDs:   ON");

  boxes.seen.clear();
  click(page, "1114");
  ASSERT_TRUE(waitFor(settled));
  EXPECT_EQ(led->text(), "LEDs:   OFF");
  EXPECT_EQ(boxes.seen, (std::vector<Box>{{"Commit", "Commit successfully"},
                                          {"Restart", "Restart device successfully"}}));
}

}  // namespace
}  // namespace strandline::ui
