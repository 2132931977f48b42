// Livery offscreen: the editor and About pages, the file they save, and the
// readers of that file (strandline-cli and the window).
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <nlohmann/json.hpp>

#include "gui_fixture.h"
#include "livery/entry_point.h"
#include "livery/livery_sheet.h"
#include "livery/prefs_fields.h"
#include "livery/prefs_file.h"
#include "platform/single_instance.h"
#include "unit/livery_edits.h"

namespace strandline::livery {
namespace {

class LiveryTest : public ui::GuiTest {
 protected:
  void TearDown() override {
    livery.reset();
    GuiTest::TearDown();
  }

  // The sheet as the program opens it: the record zeroed, then the file.
  LiverySheet& openLivery(const std::string& file = "OEMPrefs.dat") {
    OemPrefs prefs;
    loadPrefs(file, prefs);  // a file that cannot be read leaves the record zeroed
    livery = std::make_unique<LiverySheet>(file, prefs);
    livery->show();
    return *livery;
  }
  QLineEdit* box(int id) { return livery->findChild<QLineEdit*>(QString::number(id)); }
  void type(int id, const std::string& text) {
    box(id)->clear();
    QTest::keyClicks(box(id), QString::fromStdString(text));
  }
  void leaveEditor() { livery->tabs()->setCurrentIndex(1); }

  std::unique_ptr<LiverySheet> livery;
};

TEST_F(LiveryTest, WithoutAFileEverythingIsZeroAndLeavingWritesAWholeFile) {
  LiverySheet& s = openLivery();
  EXPECT_EQ(s.windowTitle(), "");
  EXPECT_EQ(s.tabs()->count(), 2);
  for (const FieldControl& c : editorControls()) {
    QString id = QString::number(c.id);
    if (c.form == FieldForm::Flag) {
      auto* check = s.findChild<QCheckBox*>(id);
      ASSERT_NE(check, nullptr) << c.id;
      EXPECT_FALSE(check->isChecked()) << c.id;
    } else {
      ASSERT_NE(box(c.id), nullptr) << c.id;
      QString expected = c.form == FieldForm::Text  ? ""
                         : c.form == FieldForm::Oui ? "00:00:00"
                                                    : "0";
      EXPECT_EQ(box(c.id)->text(), expected) << c.id;
    }
  }
  EXPECT_FALSE(QFile::exists("OEMPrefs.dat"));
  leaveEditor();
  EXPECT_EQ(testing::fileBytes("OEMPrefs.dat"), std::string(kOemPrefsSize, '\0'));
}

// Every box and check box edited, then the About tab: the file holds the
// edits byte for byte, the boxes show what the file holds, and
// strandline-cli reads the same values.
TEST_F(LiveryTest, EditsReachTheFileAndStrandlineCliReadsThem) {
  LiverySheet& s = openLivery();
  for (const auto& [id, text] : testing::kTypedEdits) type(id, text);
  for (const auto& [id, times] : testing::kClicks)
    for (int i = 0; i < times; ++i) s.findChild<QCheckBox*>(QString::number(id))->click();
  leaveEditor();
  EXPECT_EQ(testing::fileBytes("OEMPrefs.dat"), testing::editedFileBytes());
  EXPECT_EQ(box(1033)->text(), "01:02:AB");
  EXPECT_EQ(box(1013)->text(), "4464");
  EXPECT_EQ(box(1028)->text().size(), 63);
  QWidget* about = s.tabs()->widget(1);
  EXPECT_EQ(ui::text(*about, "1026"), "Copyright (C) Wave Labs");
  EXPECT_EQ(about->findChild<QPushButton*>("1102")->text(), box(1028)->text());
  EXPECT_EQ(ui::text(*about, "1024"), "v6.0.0.0, Build 0004");
  EXPECT_EQ(ui::text(*about, "1027"), "Released: June 13, 2011");

  QProcess cli;
  cli.start(STRANDLINE_CLI, {"prefs", "show", "OEMPrefs.dat"});
  ASSERT_TRUE(cli.waitForFinished(20000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  auto shown = nlohmann::json::parse(cli.readAllStandardOutput().toStdString());
  nlohmann::json expected = {{"appName", "Wave Tool"},
                             {"scanInterval", 45},
                             {"qualityType", 4464},
                             {"color", 65535},
                             {"smLogoLeft", -5},
                             {"oui", "0102AB"},
                             {"autoScan", 1},
                             {"showOnlyActive", 0},
                             {"diagnosticsLevel", 20},
                             {"vendorName", "Wave Labs"},
                             {"webAddress", box(1028)->text().toStdString()}};
  for (const auto& [key, value] : expected.items()) EXPECT_EQ(shown[key], value) << key;
}

TEST_F(LiveryTest, OkSavesCancelLeavesTheFileAlone) {
  OemPrefs prefs = defaultOemPrefs();
  ASSERT_TRUE(writeOemPrefs("OEMPrefs.dat", prefs).ok());
  std::string before = testing::fileBytes("OEMPrefs.dat");

  EXPECT_EQ(openLivery().windowTitle(), "Strandline Utility");
  type(1030, "Changed");
  ui::click(*livery, "Cancel");
  EXPECT_FALSE(livery->isVisible());
  EXPECT_EQ(testing::fileBytes("OEMPrefs.dat"), before);

  openLivery();
  type(1030, "Changed");
  ui::click(*livery, "OK");
  EXPECT_FALSE(livery->isVisible());
  prefs.appName = "Changed";
  EXPECT_EQ(readOemPrefs("OEMPrefs.dat").prefs, prefs);
}

TEST_F(LiveryTest, ABoxWithoutANumberKeepsTheValueAndIsMarked) {
  ASSERT_TRUE(writeOemPrefs("OEMPrefs.dat", defaultOemPrefs()).ok());
  openLivery();
  type(1012, "soon");
  type(1033, "00:11");
  leaveEditor();
  OemPrefs saved = readOemPrefs("OEMPrefs.dat").prefs;
  EXPECT_EQ(saved.scanInterval, 30);
  EXPECT_EQ(box(1012)->text(), "30");
  EXPECT_EQ(box(1033)->text(), "00:00:00");
  EXPECT_TRUE(box(1012)->property("invalid").toBool());
  EXPECT_TRUE(box(1033)->property("invalid").toBool());
  EXPECT_FALSE(box(1014)->property("invalid").toBool());
  type(1012, "31");
  EXPECT_FALSE(box(1012)->property("invalid").toBool());
}

// A file that cannot be written: a message naming it and the reason, the
// edits stay in the box, the page and the sheet stay open.
TEST_F(LiveryTest, AFileThatCannotBeWrittenGivesAMessage) {
  std::vector<std::string> paths;
  { std::ofstream("plain") << "a file where a folder should be"; }
  paths.push_back("plain/OEMPrefs.dat");
  if (::geteuid() != 0) {  // root writes into a read-only folder anyway
    QDir().mkdir("readonly");
    QFile::setPermissions("readonly", QFile::ReadOwner | QFile::ExeOwner);
    paths.push_back("readonly/OEMPrefs.dat");
  }
  for (const std::string& path : paths) {
    openLivery(path);
    type(1030, "Unsaved");
    ui::BoxCatcher boxes;
    leaveEditor();
    ASSERT_EQ(boxes.seen.size(), 1u) << path;
    EXPECT_EQ(boxes.seen[0].first, "Livery");
    EXPECT_NE(boxes.seen[0].second.find(path), std::string::npos) << boxes.seen[0].second;
    EXPECT_EQ(livery->tabs()->currentIndex(), 0);
    EXPECT_EQ(box(1030)->text(), "Unsaved");
    ui::click(*livery, "OK");
    EXPECT_EQ(boxes.seen.size(), 2u);
    EXPECT_TRUE(livery->isVisible());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  }
}

// The real program: a second copy exits at once, silently, while the first
// runs; Strandline's own lock does not stop it.
TEST_F(LiveryTest, SecondCopyExitsSilently) {
  std::string error;
  app::SingleInstance strandline;
  ASSERT_EQ(strandline.acquire(app::runtimeFolder(error), error),
            app::SingleInstance::Result::First);
  // Qt warns on stderr about a runtime folder that others may enter.
  QFile::setPermissions("run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcess first;
  first.start(LIVERY, {"--file", "first.dat"});
  ASSERT_TRUE(first.waitForStarted());
  std::string folder = app::runtimeFolder(error);
  ASSERT_TRUE(ui::waitFor([&] {
    app::SingleInstance probe;
    return probe.acquire(folder, error, "livery") == app::SingleInstance::Result::AlreadyRunning;
  }));
  QProcess second;
  second.start(LIVERY, {"--file", "second.dat"});
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(second.readAll().toStdString(), "");
  EXPECT_EQ(second.readAllStandardError().toStdString(), "");
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished();
}

// One file, both readers: what Livery saved, the window shows.
TEST_F(LiveryTest, StrandlineStartsWithWhatLiverySaved) {
  openLivery();
  type(1030, "Wave Tool");
  type(1012, "45");
  type(1032, "0");
  ui::click(*livery, "OK");
  ASSERT_FALSE(livery->isVisible());

  OemSettings oem = readOemPrefs(findShippedFile(kOemPrefsFileName));
  ASSERT_TRUE(oem.fromFile);
  ui::PropertySheet window(oem, prompter);
  EXPECT_EQ(window.windowTitle(), "Wave Tool");
  EXPECT_EQ(window.engine().oem().timerInterval, 45);
  QStringList tabs;
  for (int i = 0; i < window.tabs()->count(); ++i) tabs << window.tabs()->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Main", "Privacy", "QoS", "About"}));  // level 0: no Diagnostics
}

}  // namespace
}  // namespace strandline::livery
