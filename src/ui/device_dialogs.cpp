#include "ui/device_dialogs.h"

#include <QPainter>
#include <QPointer>

#include "core/security/add_device.h"
#include "core/security/network_name.h"
#include "ui/cbmp.h"

namespace strandline::ui {

PasswordDialogBase::PasswordDialogBase(WindowEngine& engine, const WindowUpdate& last,
                                       QPoint picturePoint, QWidget* parent)
    : QDialog(parent), engine_(engine), picturePoint_(picturePoint) {
  setModal(true);
  const EngineSnapshot& s = last.snapshot;
  bool present = s.adapters[static_cast<std::size_t>(s.currentCard)].present;
  picture_ = CBmp::load(app::devicePicture(present, s.network().kind));

  password_ = new QLineEdit(this);
  password_->setObjectName("1013");
  password_->setMaxLength(25);
  QLabel* help = label(0, app::kPasswordHelpText, {150, 84, 150, 150});
  help->setWordWrap(true);
  help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("1");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("2");
  connect(cancel_, &QPushButton::clicked, this, &PasswordDialogBase::reject);
  connect(&engine_.prompter(), &QtPrompter::progress, this,
          [this](const QString& text) { progress_->setText(text); });
  engine_.pauseForDialog();
}

QLabel* PasswordDialogBase::label(int id, const QString& text, QRect geometry) {
  auto* l = new QLabel(text, this);
  if (id) l->setObjectName(QString::number(id));
  l->setGeometry(geometry);
  return l;
}

void PasswordDialogBase::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(picturePoint_, picture_);
}

void PasswordDialogBase::setBusy(bool busy) {
  busy_ = busy;
  ok_->setEnabled(!busy);
  cancel_->setEnabled(!busy);
}

void PasswordDialogBase::reject() {
  // A flow that is running finishes first; it closes the dialog itself.
  if (busy_) return;
  engine_.resumeAfterDialog();
  QDialog::reject();
}

void PasswordDialogBase::finish(app::DialogOutcome outcome) {
  setBusy(false);
  if (outcome == app::DialogOutcome::StayOpen) return;
  // The engine has put the scan pause back already.
  QDialog::done(outcome == app::DialogOutcome::Close ? QDialog::Rejected : QDialog::Accepted);
}

EnterPasswordDialog::EnterPasswordDialog(WindowEngine& engine, const WindowUpdate& last,
                                         const app::RemoteRow& row, QWidget* parent)
    : PasswordDialogBase(engine, last, {10, 90}, parent), mac_(row.mac) {
  setObjectName("enterPassword");
  setWindowTitle("Set Device Password");
  setFixedSize(310, 290);
  label(0, "Device:", {10, 12, 70, 20});
  std::string name = row.name;
  std::string stored;
  int position = findKnownByMacText(last.snapshot.known, row.mac);
  if (position != 0) {
    const KnownDevice& device = last.snapshot.known.at(position);
    name = device.name.str();
    stored = device.password.str();
  }
  device_ = label(1088, QString::fromStdString(name + "  (" + row.mac + ")"), {80, 12, 220, 20});
  label(0, "Password:", {10, 44, 70, 20});
  password_->setGeometry(80, 42, 220, 24);
  password_->setText(QString::fromStdString(app::passwordForEditing(stored)));
  password_->selectAll();
  password_->setFocus();
  progress_ = label(1099, "", {10, 226, 290, 20});
  ok_->setGeometry(130, 254, 80, 26);
  cancel_->setGeometry(220, 254, 80, 26);
  connect(ok_, &QPushButton::clicked, this, &EnterPasswordDialog::ok);
}

void EnterPasswordDialog::ok() {
  if (busy()) return;
  setBusy(true);
  QPointer<EnterPasswordDialog> self(this);
  engine_.enterPassword(mac_, password_->text().toStdString(), [self](app::DialogOutcome outcome) {
    if (self) self->finish(outcome);
  });
}

AddDeviceDialog::AddDeviceDialog(WindowEngine& engine, const WindowUpdate& last,
                                 std::vector<std::string> listedPasswords, QWidget* parent)
    : PasswordDialogBase(engine, last, {10, 70}, parent),
      listedPasswords_(std::move(listedPasswords)) {
  setObjectName("addDevice");
  setWindowTitle("Add Device to Network");
  setFixedSize(320, 280);
  label(0, "Device Name:", {10, 12, 90, 20});
  name_ = new QLineEdit("Name", this);
  name_->setObjectName("1088");
  name_->setMaxLength(79);
  name_->setGeometry(100, 10, 210, 24);
  label(0, "Password:", {10, 42, 90, 20});
  password_->setGeometry(100, 40, 210, 24);
  password_->setText(app::kPasswordPlaceholder);
  password_->selectAll();
  name_->selectAll();
  name_->setFocus();
  progress_ = label(1115, "", {10, 216, 300, 20});
  ok_->setGeometry(140, 244, 80, 26);
  cancel_->setGeometry(230, 244, 80, 26);
  connect(ok_, &QPushButton::clicked, this, &AddDeviceDialog::ok);
  connect(&engine_, &WindowEngine::updated, this,
          [this](std::shared_ptr<const WindowUpdate> update) { watch(*update); });
}

void AddDeviceDialog::ok() {
  if (busy() || !added_.empty()) return;
  setBusy(true);
  std::string name = name_->text().toStdString();
  QPointer<AddDeviceDialog> self(this);
  engine_.addDevice(name, password_->text().toStdString(), listedPasswords_,
                    [self, name](app::DialogOutcome outcome) {
                      if (!self) return;
                      if (outcome != app::DialogOutcome::Added) {
                        self->finish(outcome);
                        return;
                      }
                      // Stays open until the refresh lists the new device.
                      self->setBusy(false);
                      self->ok_->setEnabled(false);
                      self->added_ = name;
                    });
}

void AddDeviceDialog::watch(const WindowUpdate& update) {
  if (added_.empty()) return;
  const EngineSnapshot& s = update.snapshot;
  int position = findKnownByName(s.known, added_);
  if (position == 0) return;
  const MacAddress& mac = s.known.at(position).mac;
  for (const StationRecord& station : s.network().stations)
    if (station.valid && station.mac == mac) {
      added_.clear();
      QDialog::done(QDialog::Accepted);
      return;
    }
}

}  // namespace strandline::ui
