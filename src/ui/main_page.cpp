#include "ui/main_page.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>

#include "app/main_page_model.h"
#include "core/settings/led_control.h"
#include "core/settings/settings_block.h"
#include "ui/cbmp.h"
#include "ui/device_dialogs.h"
#include "ui/history_view.h"
#include "ui/upgrade_dialogs.h"

namespace strandline::ui {

MainPage::MainPage(const OemSettings& oem, WindowEngine& engine, QWidget* parent)
    : QWidget(parent), oem_(oem), engine_(engine) {
  setObjectName("Main");
  setMinimumSize(660, 340);
  autoScan_ = oem.prefs.autoScan != 0;

  label(1095, "Local Device(s) on your computer:", {12, 8, 300, 18});
  local_ = new QTreeWidget(this);
  local_->setObjectName("1061");
  local_->setGeometry(12, 28, 480, 68);
  local_->setRootIsDecorated(false);
  local_->setSelectionBehavior(QAbstractItemView::SelectRows);
  local_->setHeaderLabels({"Device Type", "MAC Address"});
  local_->setColumnWidth(0, 145);
  local_->header()->setStretchLastSection(true);
  QPalette localPalette = local_->palette();
  localPalette.setColor(QPalette::Text, QColor::fromRgb(app::kLocalTextColor));
  local_->setPalette(localPalette);
  if (oem.prefs.iconSize != 0) local_->setIconSize(QSize(oem.prefs.iconSize, oem.prefs.iconSize));

  connection_ = label(1012, "Replace", {12, 102, 380, 18});
  button(1067, "Connect", {400, 100, 92, 24});
  connect(findChild<QPushButton*>("1067"), &QPushButton::clicked, this, &MainPage::connectAdapter);

  deviceCount_ = label(1090, "Powerline Devices:", {12, 128, 260, 18});
  networkType_ = label(1089, "Network Type: Private", {280, 128, 212, 18});
  networkType_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* unused = label(1018, "", {0, 0, 1, 1});
  unused->hide();

  remote_ = new RemoteList(oem, this);
  remote_->setGeometry(12, 148, 480, 132);
  remote_->onRenameStarted = [this] { engine_.beginRename(); };
  remote_->onRenameCancelled = [this] { engine_.cancelRename(); };
  remote_->onRenamed = [this](const std::string& mac, const std::string& text) {
    engine_.rename(mac, text);
  };
  remote_->onLayoutChanged = [this] { pushLayout(); };
  remote_->onHistoryRequested = [this](const std::string& mac, const QString& title) {
    openHistory(mac, title);
  };

  status_ = label(1083, "status", {300, 290, 192, 18});
  status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  QPushButton* rename = button(1088, "Rename", {508, 148, 140, 26});
  connect(rename, &QPushButton::clicked, this, [this] { remote_->startRename(); });
  QPushButton* enter = button(1087, "Enter Password", {508, 180, 140, 26});
  connect(enter, &QPushButton::clicked, this, &MainPage::enterPassword);
  QPushButton* add = button(1082, "Add", {508, 212, 140, 26});
  connect(add, &QPushButton::clicked, this, &MainPage::addDevice);
  QPushButton* scanButton = button(1068, "Scan", {508, 244, 140, 26});
  scanButton->setDefault(true);
  connect(scanButton, &QPushButton::clicked, this, &MainPage::scan);
  upgrade_ = button(1102, "Upgrade Firmware", {508, 276, 140, 26});
  upgrade_->setEnabled(false);
  led_ = button(1114, "LEDs:   OFF", {508, 308, 140, 26});
  led_->setEnabled(false);
  connect(&engine_, &WindowEngine::upgradeEnabled, this, [this](bool on) {
    upgradeAvailable_ = on;
    upgrade_->setEnabled(on && !engine_.deviceOperationRunning());
  });
  connect(&engine_, &WindowEngine::ledEnabled, this, [this](bool on) {
    ledAvailable_ = on;
    updateLedButton();
  });
  connect(led_, &QPushButton::clicked, this, &MainPage::switchLeds);
  connect(upgrade_, &QPushButton::clicked, this, &MainPage::upgradeFirmware);
  // A device operation holds the devices: no scans or key flows meanwhile (renaming
  // touches no device).
  // The upgrade and LED buttons come back with the scan that follows it.
  connect(&engine_, &WindowEngine::deviceOperationChanged, this, [=, this](bool running) {
    for (QPushButton* b : {findChild<QPushButton*>("1067"), enter, add, scanButton})
      b->setEnabled(!running);
    upgrade_->setEnabled(upgradeAvailable_ && !running);
    updateLedButton();
  });
  connect(&engine_, &WindowEngine::commandDone, this, [this] {
    if (!waiting_) return;
    waiting_ = false;
    QApplication::restoreOverrideCursor();
  });

  smallLogo_ = CBmp::load("oemSmall.bmp");
  badge_ = CBmp::load("cert.bmp");
}

QPushButton* MainPage::button(int id, const QString& text, QRect geometry) {
  auto* b = new QPushButton(text, this);
  b->setObjectName(QString::number(id));
  b->setGeometry(geometry);
  return b;
}

QLabel* MainPage::label(int id, const QString& text, QRect geometry) {
  auto* l = new QLabel(text, this);
  l->setObjectName(QString::number(id));
  l->setGeometry(geometry);
  return l;
}

void MainPage::openHistory(const std::string& macText, const QString& title) {
  MacAddress mac{};
  if (engine_.historyPath().empty() || !parseMac(macText, mac)) return;
  auto* view = new HistoryView(engine_.historyPath(), macToText(mac), title, this);
  view->setAttribute(Qt::WA_DeleteOnClose);
  connect(&engine_, &WindowEngine::historyWritten, view, &HistoryView::reload);
  view->show();
}

void MainPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!smallLogo_.isNull()) painter.drawImage(QPoint(12, 286), smallLogo_);
  if (!badge_.isNull()) painter.drawImage(QPoint(510, 36), badge_);
}

void MainPage::fillLocalList(const WindowUpdate& update) {
  std::vector<app::LocalRow> rows = app::localRows(update.snapshot.adapters);
  bool same = rows.size() == localRows_.size();
  for (std::size_t i = 0; same && i < rows.size(); ++i)
    same = rows[i].mac == localRows_[i].mac && rows[i].kind == localRows_[i].kind;
  if (same && local_->topLevelItemCount() == static_cast<int>(rows.size())) return;
  localRows_ = rows;
  local_->clear();
  QIcon icon;
  if (oem_.prefs.iconSize != 0) {
    QImage image = CBmp::load("oemDevice.bmp");
    if (!image.isNull())
      icon = QIcon(QPixmap::fromImage(image.scaled(oem_.prefs.iconSize, oem_.prefs.iconSize)));
  }
  for (const app::LocalRow& row : rows) {
    auto* item = new QTreeWidgetItem(
        local_, {QString::fromStdString(row.kind), QString::fromStdString(row.mac)});
    if (!icon.isNull()) item->setIcon(0, icon);
  }
  if (QTreeWidgetItem* item = local_->topLevelItem(update.selectedLocalIndex)) {
    local_->setCurrentItem(item);
    item->setSelected(true);
  }
}

void MainPage::apply(const WindowUpdate& update) {
  last_ = update;
  const EngineSnapshot& s = update.snapshot;
  autoScan_ = update.autoScan;
  adding_ = update.adding;
  status_->setText(
      QString::fromStdString(app::statusLine(update.adding, update.phase, update.autoScan)));
  networkType_->setText(
      QString::fromStdString(app::networkTypeLine(s.network().networkName.str(), s.avMode)));
  deviceCount_->setText(QString::fromStdString(app::deviceCountLine(s.network().stationCount)));
  connection_->setText(QString::fromStdString(app::connectionLine(s.adapters, s.currentCard)));
  if (update.layoutFromDatabase && !layoutRestored_) {
    layoutRestored_ = true;
    remote_->applyLayout(update.columns);
  }
  fillLocalList(update);
  remote_->apply(update);
}

void MainPage::startLongCommand() {
  upgrade_->setEnabled(false);
  upgradeAvailable_ = false;
  ledAvailable_ = false;
  updateLedButton();
  if (!waiting_) {
    waiting_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

void MainPage::scan() {
  startLongCommand();
  engine_.scanNow();
  readLeds();
}

void MainPage::connectAdapter() {
  int index = local_->topLevelItemCount();
  QList<QTreeWidgetItem*> selected = local_->selectedItems();
  if (!selected.isEmpty()) index = local_->indexOfTopLevelItem(selected.first());
  startLongCommand();
  engine_.connectAdapter(index);
  readLeds();
}

void MainPage::updateLedButton() {
  led_->setEnabled(ledAvailable_ && !engine_.deviceOperationRunning());
}

namespace {

// What the LED state reader reports to the page.
constexpr int kLedsUnknown = 0, kLedsOn = 1, kLedsOff = 2, kLedsHomePlug10 = 3;

}  // namespace

void MainPage::readLeds() {
  // Queued behind the scan: the job sees the adapter the scan found.
  engine_.runDeviceOperation(
      [](const DeviceOperation& op) {
        if (!op.hasAdapter) return kLedsUnknown;
        if (isHomePlug10Kind(op.adapter.kind)) return kLedsHomePlug10;
        switch (readLedState(op.env, op.dataFolder)) {
          case LedState::On:
            return kLedsOn;
          case LedState::Off:
            return kLedsOff;
          case LedState::Unknown:
            break;
        }
        return kLedsUnknown;
      },
      [page = QPointer<MainPage>(this)](int result) {
        if (!page) return;
        if (result == kLedsOn || result == kLedsOff)
          page->led_->setText(ledButtonText(result == kLedsOff ? LedState::Off : LedState::On));
        if (result == kLedsHomePlug10) page->ledAvailable_ = false;
        page->updateLedButton();
      },
      WindowEngine::AfterOperation::CarryOn);
}

void MainPage::switchLeds() {
  bool off = led_->text() == kLedButtonSwitchOff;
  engine_.runDeviceOperation(
      [off](const DeviceOperation& op) {
        return strandline::switchLeds(op.env, op.dataFolder, off);
      },
      [page = QPointer<MainPage>(this), off](int result) {
        if (!page) return;
        if (result == 1) page->led_->setText(ledButtonText(off ? LedState::Off : LedState::On));
        page->updateLedButton();
      });
}

// The decision is the engine's (it may ask the adapter); the dialog it
// leads to opens here.
void MainPage::upgradeFirmware() {
  engine_.checkUpgrade([this](UpgradeDecision decision) {
    if (decision.kind == UpgradeKind::None || findChild<UpgradeFilesDialog*>()) return;
    auto* dialog = new UpgradeFilesDialog(decision, engine_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
  });
}

void MainPage::pushLayout() {
  const app::SortState& sort = remote_->sortState();
  engine_.storeLayout(remote_->layout(), sort.column, sort.toggle);
}

void MainPage::activate() {
  status_->setText(QString::fromStdString(app::statusLine(adding_, 3, autoScan_)));
  engine_.activated();
}

void MainPage::deactivate() {
  pushLayout();
  engine_.saveDatabase();
}

void MainPage::enterPassword() {
  QList<QTreeWidgetItem*> selected = remote_->selectedItems();
  int index = selected.isEmpty() ? -1 : remote_->indexOfTopLevelItem(selected.first());
  std::vector<app::RemoteRow> rows = remote_->rows();
  if (index < 0 || index >= static_cast<int>(rows.size())) {
    engine_.prompter().messageBox(app::kSelectDeviceText, "Attention!", MessageIcon::Exclamation,
                                  MessageButtons::Ok);
    return;
  }
  auto* dialog =
      new EnterPasswordDialog(engine_, last_, rows[static_cast<std::size_t>(index)], this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void MainPage::addDevice() {
  std::vector<std::string> passwords;
  for (const app::RemoteRow& row : remote_->rows()) passwords.push_back(row.password);
  auto* dialog = new AddDeviceDialog(engine_, last_, std::move(passwords), this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

}  // namespace strandline::ui
