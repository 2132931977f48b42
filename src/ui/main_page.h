// The Main page: the local and remote device lists, the device commands, the
// status, network-type, device-count and connection lines, and the logo and
// badge bitmaps. Every command is posted to the engine; the page redraws from
// the updates the engine sends back.
#pragma once

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "storage/oem_prefs.h"
#include "ui/remote_list.h"
#include "ui/window_engine.h"

namespace strandline::ui {

class MainPage final : public QWidget {
  Q_OBJECT
 public:
  MainPage(const OemSettings& oem, WindowEngine& engine, QWidget* parent = nullptr);

  void apply(const WindowUpdate& update);
  // The page became the shown page again, or was left.
  void activate();
  void deactivate();

  // 393 x 216 dialog units of the page's font.
  QSize sizeHint() const override;

  RemoteList* remoteList() { return remote_; }
  QTreeWidget* localList() { return local_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPushButton* button(int id, const QString& text);
  QLabel* label(int id, const QString& text);
  void fillLocalList(const WindowUpdate& update);
  void startLongCommand();
  void scan();
  // Opens a History view of a station or the local adapter (MAC text).
  void openHistory(const std::string& mac, const QString& title);
  void connectAdapter();
  void upgradeFirmware();
  void pushLayout();
  void enterPassword();
  void addDevice();
  // The LED state reader (after Scan and Connect) and the LED button, both
  // on the device-operation worker.
  void readLeds();
  void switchLeds();
  void updateLedButton();

  OemSettings oem_;
  WindowEngine& engine_;
  QTreeWidget* local_ = nullptr;
  RemoteList* remote_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* networkType_ = nullptr;
  QLabel* deviceCount_ = nullptr;
  QLabel* connection_ = nullptr;
  QPushButton* upgrade_ = nullptr;
  QPushButton* led_ = nullptr;
  QImage smallLogo_;
  QImage badge_;
  QWidget* logoRoom_ = nullptr;   // where smallLogo_ is painted
  QWidget* badgeRoom_ = nullptr;  // where badge_ is painted
  std::vector<app::LocalRow> localRows_;
  WindowUpdate last_;  // what the dialogs start from
  bool layoutRestored_ = false;
  bool waiting_ = false;
  bool autoScan_ = true;
  bool adding_ = false;
  bool ledAvailable_ = false;      // the last detection found an AV adapter
  bool upgradeAvailable_ = false;  // it found an adapter that can be upgraded
};

}  // namespace strandline::ui
