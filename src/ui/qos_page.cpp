#include "ui/qos_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <memory>

#include "core/settings/settings_block.h"
#include "firmware/parameter_block.h"

namespace strandline::ui {

namespace {

// What a read job reports to the page.
enum ReadResult { kReadFailed = 0, kReadLoaded = 1, kReadNoAdapter = 2, kReadHomePlug10 = 3 };

QComboBox* capBox(int id, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::number(id));
  box->addItems({"CAP 0", "CAP 1", "CAP 2", "CAP 3"});
  return box;
}

QLineEdit* ttlEdit(int id, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(7);
  return edit;
}

}  // namespace

QosPage::QosPage(WindowEngine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  setObjectName("QoS");
  auto* layout = new QGridLayout(this);

  auto* mapping = new QGroupBox("Priority Mapping", this);
  auto* m = new QGridLayout(mapping);
  m->addWidget(new QLabel("Assign Priority Using:", mapping), 0, 0, 1, 3);
  vlan_ = new QCheckBox("VLAN Tags", mapping);
  vlan_->setObjectName("1010");
  tos_ = new QCheckBox("TOS Bits", mapping);
  tos_->setObjectName("1116");
  m->addWidget(vlan_, 1, 1);
  m->addWidget(tos_, 1, 2);
  for (int p = 0; p < 8; ++p) {
    m->addWidget(new QLabel(QString("%1:").arg(p), mapping), 2 + p, 0);
    vlanCaps_[p] = capBox(1076 + 2 * p, mapping);
    tosCaps_[p] = capBox(1077 + 2 * p, mapping);
    m->addWidget(vlanCaps_[p], 2 + p, 1);
    m->addWidget(tosCaps_[p], 2 + p, 2);
  }
  auto* note = new QLabel(
      "Note:  If both VLAN Tags and TOS Bits are enabled and a frame is found that contains "
      "both.VLAN Tags will override TOS Bits.",
      mapping);
  note->setWordWrap(true);
  m->addWidget(note, 10, 0, 1, 3);
  layout->addWidget(mapping, 0, 0, 3, 1);
  connect(vlan_, &QCheckBox::clicked, this, [this](bool on) { setColumn(true, on); });
  connect(tos_, &QCheckBox::clicked, this, [this](bool on) { setColumn(false, on); });

  auto* defaults = new QGroupBox("Default CAP-Lowest Priority Classification", this);
  auto* d = new QGridLayout(defaults);
  // Rows as shown; each box stands for the traffic kind of its byte at 524.
  const struct {
    const char* label;
    int id;
    PibTraffic kind;
  } rows[] = {{"IGMP:", 1117, PibTraffic::Igmp},
              {"Unicast:", 1118, PibTraffic::Unicast},
              {"IGMP managed Multicast Stream:", 1119, PibTraffic::IgmpManagedStream},
              {"Multicast/Broadcast:", 1120, PibTraffic::MulticastBroadcast}};
  for (int r = 0; r < 4; ++r) {
    QComboBox* box = capBox(rows[r].id, defaults);
    defaultCaps_[static_cast<std::size_t>(rows[r].kind)] = box;
    d->addWidget(new QLabel(rows[r].label, defaults), r, 0);
    d->addWidget(box, r, 1);
  }
  layout->addWidget(defaults, 0, 1);

  auto* ttl = new QGroupBox("Priority TTL-Value between 10 and 65000 msec", this);
  auto* t = new QGridLayout(ttl);
  const int edits[4] = {1122, 1013, 1014, 1015};
  for (int i = 0; i < 4; ++i) {
    ttl_[i] = ttlEdit(edits[i], ttl);
    t->addWidget(new QLabel(QString("CA%1:").arg(i), ttl), i / 2, (i % 2) * 2);
    t->addWidget(ttl_[i], i / 2, (i % 2) * 2 + 1);
  }
  layout->addWidget(ttl, 1, 1);

  auto* update = new QGroupBox("Update", this);
  auto* u = new QGridLayout(update);
  write_ = new QPushButton("Write", update);
  write_->setObjectName("1114");
  u->addWidget(write_, 0, 0);
  layout->addWidget(update, 2, 1);
  // A larger window leaves the extra room below and to the right of the groups.
  layout->setRowStretch(3, 1);
  layout->setColumnStretch(2, 1);
  connect(write_, &QPushButton::clicked, this, &QosPage::write);

  display(QosSettings{});  // the values shown when no adapter is connected

  connect(&engine_, &WindowEngine::updated, this, [this](std::shared_ptr<const WindowUpdate> next) {
    const EngineSnapshot& s = next->snapshot;
    const LocalAdapter& adapter = s.adapters[static_cast<std::size_t>(s.currentCard)];
    homePlug10_ = adapter.present && isHomePlug10Kind(adapter.kind);
  });
  // Write waits while any device operation runs (its own included); a read
  // asked for meanwhile runs once it has ended.
  connect(&engine_, &WindowEngine::deviceOperationChanged, this, [this](bool running) {
    write_->setEnabled(!disabled_ && !running && !writing_);
    if (!running && readPending_ && isVisible()) read();
  });
}

QosSettings QosPage::values() const {
  QosSettings s;
  s.vlanTags = vlan_->isChecked();
  s.tosBits = tos_->isChecked();
  for (int p = 0; p < 8; ++p) {
    s.vlanCap[p] = static_cast<std::uint8_t>(vlanCaps_[p]->currentIndex());
    s.tosCap[p] = static_cast<std::uint8_t>(tosCaps_[p]->currentIndex());
  }
  for (int i = 0; i < 4; ++i)
    s.defaultCap[i] = static_cast<std::uint8_t>(defaultCaps_[i]->currentIndex());
  for (int i = 0; i < 4; ++i) {
    bool number = false;
    std::uint32_t ms = ttl_[i]->text().toUInt(&number);
    if (number && ms <= 0xFFFFFFFFu / 1000) s.timeToLiveUs[i] = ms * 1000;
  }
  return s;
}

void QosPage::display(const QosSettings& s) {
  vlan_->setChecked(s.vlanTags);
  tos_->setChecked(s.tosBits);
  for (int p = 0; p < 8; ++p) {
    vlanCaps_[p]->setCurrentIndex(s.vlanCap[p]);
    tosCaps_[p]->setCurrentIndex(s.tosCap[p]);
  }
  for (int i = 0; i < 4; ++i) defaultCaps_[i]->setCurrentIndex(s.defaultCap[i]);
  for (int i = 0; i < 4; ++i)
    ttl_[i]->setText(QString::fromStdString(timeToLiveText(s.timeToLiveUs[i])));
  setColumn(true, s.vlanTags);
  setColumn(false, s.tosBits);
}

void QosPage::setColumn(bool vlan, bool on) {
  for (QComboBox* box : vlan ? vlanCaps_ : tosCaps_) box->setEnabled(on && !disabled_);
}

void QosPage::enableAll(bool on) {
  disabled_ = !on;
  vlan_->setEnabled(on);
  tos_->setEnabled(on);
  write_->setEnabled(on && !writing_ && !engine_.deviceOperationRunning());
  for (QComboBox* box : defaultCaps_) box->setEnabled(on);
  for (QLineEdit* edit : ttl_) edit->setEnabled(on);
  setColumn(true, on && vlan_->isChecked());
  setColumn(false, on && tos_->isChecked());
}

void QosPage::activate() {
  if (homePlug10_) {
    enableAll(false);
    return;
  }
  enableAll(true);
  read();
}

void QosPage::read() {
  readPending_ = engine_.deviceOperationRunning();
  if (readPending_) return;
  // The fields the block cannot give keep what the page shows.
  auto settings = std::make_shared<QosSettings>(values());
  QPointer<QosPage> page(this);
  engine_.runDeviceOperation(
      [settings](const DeviceOperation& op) {
        if (!op.hasAdapter) return int{kReadNoAdapter};
        if (isHomePlug10Kind(op.adapter.kind)) return int{kReadHomePlug10};
        std::string path = pibFilePath(op.dataFolder, PibFile::User);
        return readQosSettings(op.env, path, *settings) ? int{kReadLoaded} : int{kReadFailed};
      },
      [page, settings](int result) {
        if (!page) return;
        if (result == kReadLoaded) page->display(*settings);
        if (result == kReadNoAdapter) page->display(QosSettings{});
        if (result == kReadHomePlug10) {
          page->homePlug10_ = true;
          page->enableAll(false);
        }
      },
      WindowEngine::AfterOperation::CarryOn);
}

void QosPage::write() {
  QosSettings settings = values();
  for (QLineEdit* edit : ttl_) {
    std::uint32_t us = 0;
    if (!timeToLiveFromText(edit->text().toStdString(), us)) {
      static_cast<Prompter&>(engine_.prompter()).show(kQosTimeToLiveRange);
      return;
    }
  }
  writing_ = true;
  write_->setEnabled(false);
  QPointer<QosPage> page(this);
  auto finished = [page](int) {
    if (!page) return;
    page->writing_ = false;
    page->write_->setEnabled(!page->disabled_ && !page->engine_.deviceOperationRunning());
  };
  bool started = engine_.runDeviceOperation(
      [settings](const DeviceOperation& op) {
        std::string path = pibFilePath(op.dataFolder, PibFile::User);
        // The block the device holds now, so that only these fields change.
        if (!readDeviceBlock(op.env, path)) {
          op.env.prompter.show(kSettingsReadFailed);
          return 0;
        }
        return writeQosSettings(op.env, path, settings);
      },
      finished);
  if (!started) finished(0);
}

}  // namespace strandline::ui
