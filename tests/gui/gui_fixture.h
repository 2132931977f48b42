// Helpers of the gui tests: private data, runtime and working folders, a
// waiting loop that keeps the event loop running, and a catcher that answers
// the message boxes the window raises.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>

#include "storage/oem_prefs.h"
#include "ui/property_sheet.h"

namespace strandline::ui {

inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

using Box = std::pair<std::string, std::string>;  // caption, text

// Answers every message box that opens and keeps its caption and text: a box
// with `cancelCaption` gets Cancel, every other the first button (the default).
class BoxCatcher {
 public:
  explicit BoxCatcher(std::string cancelCaption = {}) : cancel_(std::move(cancelCaption)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      seen.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
      bool cancel = !cancel_.empty() && seen.back().first == cancel_;
      box->done(cancel ? QMessageBox::Cancel : QMessageBox::Ok);
    });
    timer_.start();
  }
  // The first box kept, once one has come; empty if none comes.
  Box first(int timeoutMs = 20000) {
    return waitFor([this] { return !seen.empty(); }, timeoutMs) ? seen[0] : Box{};
  }
  std::vector<Box> seen;

 private:
  std::string cancel_;
  QTimer timer_;
};

// The text of the label `id` under `root`.
inline QString text(QWidget& root, const char* id) {
  auto* label = root.findChild<QLabel*>(id);
  return label ? label->text() : QString("<no control %1>").arg(id);
}

inline void click(QWidget& root, const char* id) {
  auto* button = root.findChild<QPushButton*>(id);
  ASSERT_NE(button, nullptr) << id;
  QTest::mouseClick(button, Qt::LeftButton);
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    QDir(folder_.path()).mkpath("data");
    QDir(folder_.path()).mkpath("run");
    ::setenv("XDG_DATA_HOME", (folder_.path() + "/data").toUtf8().constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder_.path() + "/run").toUtf8().constData(), 1);
    previous_ = QDir::currentPath();
    QDir::setCurrent(folder_.path());
  }
  void TearDown() override {
    sheet.reset();
    QDir::setCurrent(previous_);
  }

  std::string path(const std::string& name) const {
    return (folder_.path() + "/").toStdString() + name;
  }

  // Preferences with a short scan interval so that a cycle takes well under a second.
  static OemPrefs fastPrefs() {
    OemPrefs prefs = defaultOemPrefs();
    prefs.scanInterval = 4;
    return prefs;
  }

  static WindowOptions simulated(bool paced = true) {
    WindowOptions options;
    options.link.simulateFile = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/home.json";
    options.link.paced = paced;
    return options;
  }

  PropertySheet& open(const OemPrefs& prefs = fastPrefs(), WindowOptions options = simulated()) {
    settings = readOemPrefs("missing-file");
    settings.prefs = prefs;
    settings.timerInterval = static_cast<std::int16_t>(prefs.scanInterval);
    settings.gridLines = prefs.iconSize == 0;
    sheet = std::make_unique<PropertySheet>(settings, prompter);
    std::string error;
    EXPECT_TRUE(sheet->start(options, error)) << error;
    sheet->show();
    return *sheet;
  }

  // Opens the window on the simulated home network and waits for its five stations.
  PropertySheet& openHome(const OemPrefs& prefs = fastPrefs(), bool paced = true) {
    open(prefs, simulated(paced));
    remote = sheet->mainPage()->remoteList();
    EXPECT_TRUE(waitFor([&] { return remote->topLevelItemCount() == 5; }));
    return *sheet;
  }

  OemSettings settings;
  QtPrompter prompter;
  std::unique_ptr<PropertySheet> sheet;
  RemoteList* remote = nullptr;

 private:
  QTemporaryDir folder_;
  QString previous_;
};

}  // namespace strandline::ui
