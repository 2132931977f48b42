// Helpers of the gui tests: private data, runtime and working folders, a
// waiting loop that keeps the event loop running, and a catcher that answers
// the message boxes the window raises.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Answers every message box that opens (first button, the default) and keeps
// its caption and text.
class BoxCatcher {
 public:
  BoxCatcher() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      seen.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
      box->done(QMessageBox::Ok);
    });
    timer_.start();
  }
  std::vector<std::pair<std::string, std::string>> seen;

 private:
  QTimer timer_;
};

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

  PropertySheet& open(const OemPrefs& prefs, WindowOptions options) {
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

  static WindowOptions simulated(const std::string& file = "home.json") {
    WindowOptions options;
    options.link.simulateFile = std::string(STRANDLINE_SOURCE_DIR) + "/sim/networks/" + file;
    options.link.paced = true;
    return options;
  }

  OemSettings settings;
  QtPrompter prompter;
  std::unique_ptr<PropertySheet> sheet;

 private:
  QTemporaryDir folder_;
  QString previous_;
};

}  // namespace strandline::ui
