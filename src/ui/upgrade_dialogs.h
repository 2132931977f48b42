// The firmware upgrade dialogs: "Enter PIB & NVM files" for a HomePlug AV
// adapter, "Config & Image" for a Boost HomePlug 1.0 adapter, and the progress
// dialog "Upgrading Local Device". The upgrade runs as a device operation on
// the window's worker; the dialogs only show its progress and pass on a cancel.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <functional>
#include <memory>

#include "core/device_ops/upgrade_decision.h"
#include "core/device_ops/upgrade_progress.h"
#include "ui/window_engine.h"

namespace strandline::ui {

// Shows the upgrade's step and the bytes the device confirmed. Its Cancel asks
// first, then raises the cancel flag: the upgrade stops at its next request
// and the dialog stays until the operation has ended.
class UpgradeProgressDialog final : public QDialog {
  Q_OBJECT
 public:
  UpgradeProgressDialog(Prompter& prompter, bool av, QWidget* parent);
  void showProgress(const UpgradeProgress& progress);
  const std::shared_ptr<std::atomic<bool>>& cancelFlag() const { return cancel_; }
  // The highest percentage shown so far (the tests read it).
  int highestPercent() const { return highest_; }

 protected:
  void reject() override;  // Escape and the window's close button: as Cancel

 private:
  void askCancel();

  Prompter& prompter_;
  QProgressBar* bar_ = nullptr;
  QLabel* step_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
  int highest_ = 0;
};

// The file dialog of either upgrade. Opening it pauses the scan; it is put
// back when the dialog is cancelled or the upgrade has ended.
class UpgradeFilesDialog final : public QDialog {
  Q_OBJECT
 public:
  UpgradeFilesDialog(const UpgradeDecision& decision, WindowEngine& engine, QWidget* parent);

  // Picks a file to open; a test may replace it.
  std::function<QString(QWidget* parent, const QString& filter)> chooseFile;
  // The progress dialog of a running upgrade, else null.
  UpgradeProgressDialog* progressDialog() const { return progress_; }

 protected:
  void accept() override;
  void reject() override;

 private:
  QLineEdit* row(int y, const QString& name, int editId, int browseId, const QString& filter);
  void startUpgrade(const std::string& first, const std::string& second);
  void finished();

  UpgradeDecision decision_;
  WindowEngine& engine_;
  bool av_;
  QLineEdit* firstPath_ = nullptr;   // parameter or configuration file (1109)
  QLineEdit* secondPath_ = nullptr;  // firmware or image file (1006)
  UpgradeProgressDialog* progress_ = nullptr;
};

}  // namespace strandline::ui
