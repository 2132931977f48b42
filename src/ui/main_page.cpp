#include "ui/main_page.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
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

namespace {

// The page's default size, 393 x 216 dialog units: a horizontal unit is a
// quarter of the font's average character width, a vertical one an eighth of
// its height.
constexpr int kWidthUnits = 393, kHeightUnits = 216;
constexpr int kMargin = 12;
constexpr int kCommandWidth = 140;

QSize dialogUnitsToPixels(int width, int height, const QFont& font) {
  QFontMetrics metrics(font);
  const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  int averageWidth = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
  return {width * averageWidth / 4, height * metrics.height() / 8};
}

}  // namespace

MainPage::MainPage(const OemSettings& oem, WindowEngine& engine, QWidget* parent)
    : QWidget(parent), oem_(oem), engine_(engine) {
  setObjectName("Main");
  autoScan_ = oem.prefs.autoScan != 0;
  smallLogo_ = CBmp::load("oemSmall.bmp");
  badge_ = CBmp::load("cert.bmp");

  // Two columns: the lists with their lines take every extra pixel, the
  // commands keep their width and stay beside the remote list.
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(kMargin, 8, kMargin, 8);
  grid->setHorizontalSpacing(16);
  grid->setVerticalSpacing(4);
  grid->setColumnStretch(0, 1);

  grid->addWidget(label(1095, "Local Device(s) on your computer:"), 0, 0);
  local_ = new QTreeWidget(this);
  local_->setObjectName("1061");
  local_->setMinimumHeight(68);
  local_->setRootIsDecorated(false);
  local_->setSelectionBehavior(QAbstractItemView::SelectRows);
  local_->setHeaderLabels({"Device Type", "MAC Address"});
  local_->setColumnWidth(0, 145);
  local_->header()->setStretchLastSection(true);
  QPalette localPalette = local_->palette();
  localPalette.setColor(QPalette::Text, QColor::fromRgb(app::kLocalTextColor));
  local_->setPalette(localPalette);
  if (oem.prefs.iconSize != 0) local_->setIconSize(QSize(oem.prefs.iconSize, oem.prefs.iconSize));
  grid->addWidget(local_, 1, 0);
  grid->setRowStretch(1, 1);
  badgeRoom_ = CBmp::room(badge_, this);
  grid->addWidget(badgeRoom_, 1, 1, Qt::AlignLeft | Qt::AlignTop);

  auto* connectionLine = new QHBoxLayout;
  connection_ = label(1012, "Replace");
  connectionLine->addWidget(connection_, 1);
  QPushButton* connectButton = button(1067, "Connect");
  connectButton->setMinimumWidth(92);
  connectionLine->addWidget(connectButton);
  grid->addLayout(connectionLine, 2, 0);
  connect(connectButton, &QPushButton::clicked, this, &MainPage::connectAdapter);

  auto* countLine = new QHBoxLayout;
  deviceCount_ = label(1090, "Powerline Devices:");
  countLine->addWidget(deviceCount_, 1);
  networkType_ = label(1089, "Network Type: Private");
  networkType_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  countLine->addWidget(networkType_);
  grid->addLayout(countLine, 3, 0);
  label(1018, "")->hide();

  remote_ = new RemoteList(oem, this);
  remote_->setMinimumHeight(100);
  remote_->onRenameStarted = [this] { engine_.beginRename(); };
  remote_->onRenameCancelled = [this] { engine_.cancelRename(); };
  remote_->onRenamed = [this](const std::string& mac, const std::string& text) {
    engine_.rename(mac, text);
  };
  remote_->onLayoutChanged = [this] { pushLayout(); };
  remote_->onHistoryRequested = [this](const std::string& mac, const QString& title) {
    openHistory(mac, title);
  };
  grid->addWidget(remote_, 4, 0);
  grid->setRowStretch(4, 3);

  auto* statusLine = new QHBoxLayout;
  logoRoom_ = CBmp::room(smallLogo_, this);
  statusLine->addWidget(logoRoom_, 0, Qt::AlignTop);
  status_ = label(1083, "status");
  status_->setAlignment(Qt::AlignRight | Qt::AlignTop);
  statusLine->addWidget(status_, 1, Qt::AlignTop);
  grid->addLayout(statusLine, 5, 0);

  // The commands, top-aligned beside the remote list and its status line.
  auto* commands = new QVBoxLayout;
  commands->setSpacing(6);
  auto command = [&](int id, const QString& text) {
    QPushButton* b = button(id, text);
    b->setFixedWidth(kCommandWidth);
    commands->addWidget(b);
    return b;
  };
  QPushButton* rename = command(1088, "Rename");
  connect(rename, &QPushButton::clicked, this, [this] { remote_->startRename(); });
  QPushButton* enter = command(1087, "Enter Password");
  connect(enter, &QPushButton::clicked, this, &MainPage::enterPassword);
  QPushButton* add = command(1082, "Add");
  connect(add, &QPushButton::clicked, this, &MainPage::addDevice);
  QPushButton* scanButton = command(1068, "Scan");
  scanButton->setDefault(true);
  connect(scanButton, &QPushButton::clicked, this, &MainPage::scan);
  upgrade_ = command(1102, "Upgrade Firmware");
  upgrade_->setEnabled(false);
  led_ = command(1114, "LEDs:   OFF");
  led_->setEnabled(false);
  commands->addStretch(1);
  grid->addLayout(commands, 4, 1, 2, 1);

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
    for (QPushButton* b : {connectButton, enter, add, scanButton}) b->setEnabled(!running);
    upgrade_->setEnabled(upgradeAvailable_ && !running);
    updateLedButton();
  });
  connect(&engine_, &WindowEngine::commandDone, this, [this] {
    if (!waiting_) return;
    waiting_ = false;
    QApplication::restoreOverrideCursor();
  });
}

QSize MainPage::sizeHint() const {
  return dialogUnitsToPixels(kWidthUnits, kHeightUnits, font()).expandedTo(minimumSizeHint());
}

QPushButton* MainPage::button(int id, const QString& text) {
  auto* b = new QPushButton(text, this);
  b->setObjectName(QString::number(id));
  return b;
}

QLabel* MainPage::label(int id, const QString& text) {
  auto* l = new QLabel(text, this);
  l->setObjectName(QString::number(id));
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
  // The pictures sit in the room the layout keeps for them, so they move
  // with the lists and commands.
  if (!smallLogo_.isNull()) painter.drawImage(logoRoom_->pos(), smallLogo_);
  if (!badge_.isNull()) painter.drawImage(badgeRoom_->pos(), badge_);
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
  if (oem_.prefs.iconSize != 0) icon = CBmp::icon("oemDevice.bmp", oem_.prefs.iconSize);
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
