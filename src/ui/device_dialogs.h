// The two password dialogs of the Main page: Enter Password (check and store
// the password of the selected device) and Add Device to Network (bring a new
// device onto the network by its printed password). Both keep scanning paused
// while open, hand OK to the engine thread and show the flows' progress texts
// while they run; the Qt thread never waits for them.
#pragma once

#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "ui/window_engine.h"

namespace strandline::ui {

class PasswordDialogBase : public QDialog {
  Q_OBJECT
 public:
  PasswordDialogBase(WindowEngine& engine, const WindowUpdate& last, QPoint picturePoint,
                     QWidget* parent);

  QLineEdit* passwordBox() { return password_; }
  QLabel* progressLine() { return progress_; }
  bool busy() const { return busy_; }

 public slots:
  void reject() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  QLabel* label(int id, const QString& text, QRect geometry);
  void setBusy(bool busy);
  // What the engine answered to OK.
  void finish(app::DialogOutcome outcome);

  WindowEngine& engine_;
  QLineEdit* password_ = nullptr;
  QLabel* progress_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;

 private:
  QImage picture_;
  QPoint picturePoint_;
  bool busy_ = false;
};

class EnterPasswordDialog final : public PasswordDialogBase {
  Q_OBJECT
 public:
  // `row` is the selected remote device.
  EnterPasswordDialog(WindowEngine& engine, const WindowUpdate& last, const app::RemoteRow& row,
                      QWidget* parent);

  QLabel* deviceLine() { return device_; }

 private:
  void ok();

  std::string mac_;
  QLabel* device_ = nullptr;
};

class AddDeviceDialog final : public PasswordDialogBase {
  Q_OBJECT
 public:
  // `listedPasswords`: the Password cells of the remote list.
  AddDeviceDialog(WindowEngine& engine, const WindowUpdate& last,
                  std::vector<std::string> listedPasswords, QWidget* parent);

  QLineEdit* nameBox() { return name_; }

 private:
  void ok();
  // After a successful add: closes once the new device is listed.
  void watch(const WindowUpdate& update);

  std::vector<std::string> listedPasswords_;
  QLineEdit* name_ = nullptr;
  std::string added_;
};

}  // namespace strandline::ui
