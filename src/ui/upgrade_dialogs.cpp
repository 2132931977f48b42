#include "ui/upgrade_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QVBoxLayout>

#include "core/device_ops/av_upgrade.h"
#include "core/device_ops/boost_upgrade.h"

namespace strandline::ui {

namespace {

// File dialog filters, matched whatever the case of the extension.
const QString kPibFilter = "PIB File (*.[Pp][Ii][Bb])";
const QString kNvmFilter = "Firmware File (*.[Nn][Vv][Mm])";
const QString kCfgFilter = "Config File (*.[Cc][Ff][Gg])";
const QString kImgFilter = "Image File (*.[Ii][Mm][Gg])";

const Notice kSelectFiles{"Please select a PIB and Firmware files\n", "Stop", MessageIcon::Error};

QLabel* staticText(QWidget* parent, const QString& text, QRect geometry, int id = 0) {
  auto* l = new QLabel(text, parent);
  if (id) l->setObjectName(QString::number(id));
  l->setGeometry(geometry);
  return l;
}

QPushButton* pushButton(QWidget* parent, const QString& text, QRect geometry, int id) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::number(id));
  b->setGeometry(geometry);
  return b;
}

}  // namespace

UpgradeProgressDialog::UpgradeProgressDialog(Prompter& prompter, bool av, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
  setWindowTitle("Upgrading Local Device");
  setFixedSize(380, 190);
  staticText(this,
             av ? "Download files  to default.pib......" : "Writing image and configuration...",
             {12, 8, 356, 18});
  staticText(this, "Upgrading firmware.....................", {12, 30, 356, 18});
  staticText(this, "Please wait this may take few seconds.....", {12, 52, 356, 18});
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progress");
  bar_->setGeometry(12, 80, 356, 22);
  bar_->setRange(0, 100);
  step_ = staticText(this, "", {12, 108, 356, 18});
  step_->setObjectName("step");
  cancelButton_ = pushButton(this, "Cancel", {144, 146, 92, 26}, 1114);
  connect(cancelButton_, &QPushButton::clicked, this, &UpgradeProgressDialog::askCancel);
}

void UpgradeProgressDialog::showProgress(const UpgradeProgress& p) {
  int percent = p.percent();
  highest_ = std::max(highest_, percent);
  bar_->setValue(percent);
  step_->setText(QString("%1 of %2 bytes confirmed: %3")
                     .arg(p.bytesAcknowledged)
                     .arg(p.bytesTotal)
                     .arg(upgradeStepText(p.step)));
}

void UpgradeProgressDialog::askCancel() {
  if (cancel_->load()) return;
  MessageAnswer answer =
      prompter_.messageBox(kUpgradeCancelWarning.text, kUpgradeCancelWarning.caption,
                           kUpgradeCancelWarning.icon, MessageButtons::OkCancel);
  if (answer != MessageAnswer::Ok) return;
  cancel_->store(true);
  cancelButton_->setEnabled(false);
  step_->setText("Cancelling at the next request...");
}

void UpgradeProgressDialog::reject() {
  askCancel();  // the dialog closes when the upgrade has ended
}

UpgradeFilesDialog::UpgradeFilesDialog(const UpgradeDecision& decision, WindowEngine& engine,
                                       QWidget* parent)
    : QDialog(parent),
      decision_(decision),
      engine_(engine),
      av_(decision.kind == UpgradeKind::HomePlugAv) {
  setWindowTitle(av_ ? "Enter PIB & NVM files" : "Config & Image");
  setFixedSize(560, 160);
  QLabel* heading = staticText(this, "Device Type", {12, 8, 536, 18}, 1112);
  heading->setText(av_ ? "Please select appropriate Firmware and PIB files."
                       : "Please select appropriate Image and Config files.");
  QPalette blue = heading->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  heading->setPalette(blue);
  firstPath_ = row(36, av_ ? "PIB" : "CFG", 1109, 1110, av_ ? kPibFilter : kCfgFilter);
  secondPath_ = row(72, av_ ? "NVM" : "IMG", 1006, 1111, av_ ? kNvmFilter : kImgFilter);
  QPushButton* ok = pushButton(this, "OK", {360, 120, 88, 26}, 1);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &UpgradeFilesDialog::accept);
  QPushButton* cancel = pushButton(this, "Cancel", {460, 120, 88, 26}, 2);
  connect(cancel, &QPushButton::clicked, this, &UpgradeFilesDialog::reject);
  chooseFile = [](QWidget* owner, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, "Open", QString(), filter);
  };
  engine_.pauseForDialog();
}

QLineEdit* UpgradeFilesDialog::row(int y, const QString& name, int editId, int browseId,
                                   const QString& filter) {
  staticText(this, name, {12, y + 4, 40, 18});
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::number(editId));
  edit->setGeometry(56, y, 380, 24);
  edit->setMaxLength(260);
  QPushButton* browse = pushButton(this, "Browse...", {448, y, 100, 26}, browseId);
  connect(browse, &QPushButton::clicked, this, [this, edit, filter] {
    QString path = chooseFile(this, filter);
    if (!path.isEmpty()) edit->setText(path);
  });
  return edit;
}

void UpgradeFilesDialog::accept() {
  if (progress_) return;
  std::string first = firstPath_->text().toStdString();
  std::string second = secondPath_->text().toStdString();
  Prompter& prompter = engine_.prompter();
  if (av_) {
    if (first.empty() || second.empty()) return prompter.show(kSelectFiles);
    MessageAnswer answer = prompter.messageBox(kAvUpgradeConfirm.text, kAvUpgradeConfirm.caption,
                                               kAvUpgradeConfirm.icon, MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok) return;
  } else if (second.empty()) {
    return prompter.show(first.empty() ? kBoostNoFile : kBoostNoImage);
  }
  startUpgrade(first, second);
}

void UpgradeFilesDialog::reject() {
  if (progress_) return;  // the upgrade runs: its own dialog cancels it
  engine_.resumeAfterDialog();
  QDialog::reject();
}

void UpgradeFilesDialog::startUpgrade(const std::string& first, const std::string& second) {
  auto* progress = new UpgradeProgressDialog(engine_.prompter(), av_, parentWidget());
  std::shared_ptr<std::atomic<bool>> cancel = progress->cancelFlag();
  QPointer<UpgradeProgressDialog> guard(progress);
  // Progress reaches the dialog through the Qt thread's queue.
  auto report = [guard](const UpgradeProgress& p) {
    QMetaObject::invokeMethod(
        qApp,
        [guard, p] {
          if (guard) guard->showProgress(p);
        },
        Qt::QueuedConnection);
  };
  UpgradeDecision decision = decision_;
  bool av = av_;
  DeviceJob job = [=](const DeviceOperation& op) {
    UpgradeControl control{report, cancel.get()};
    MacAddress adapter = op.hasAdapter ? op.adapter.mac : decision.adapterMac;
    if (av) {
      AvUpgradeRequest request{adapter, decision.options, first, second,
                               pibFilePath(op.dataFolder, PibFile::Default)};
      return runAvUpgrade(op.env, request, control).upgraded ? 1 : 0;
    }
    BoostUpgradeRequest request{adapter, second, first};
    return upgradeHp10Firmware(op.env, request, control).upgraded ? 1 : 0;
  };
  QPointer<UpgradeFilesDialog> self(this);
  if (!engine_.runDeviceOperation(job, [self](int) {
        if (self) self->finished();
      })) {
    delete progress;
    return;
  }
  progress_ = progress;
  hide();
  progress_->setModal(true);
  progress_->show();
}

void UpgradeFilesDialog::finished() {
  if (progress_) {
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
  engine_.resumeAfterDialog();
  QDialog::accept();
}

}  // namespace strandline::ui
