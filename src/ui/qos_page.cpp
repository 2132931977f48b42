#include "ui/qos_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace strandline::ui {

namespace {

QComboBox* capBox(int id, int cap, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::number(id));
  box->addItems({"CAP 0", "CAP 1", "CAP 2", "CAP 3"});
  box->setCurrentIndex(cap);
  return box;
}

QLineEdit* ttlEdit(int id, const QString& value, QWidget* parent) {
  auto* edit = new QLineEdit(value, parent);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(7);
  return edit;
}

}  // namespace

QosPage::QosPage(QWidget* parent) : QWidget(parent) {
  setObjectName("QoS");
  auto* layout = new QGridLayout(this);

  auto* mapping = new QGroupBox("Priority Mapping", this);
  auto* m = new QGridLayout(mapping);
  m->addWidget(new QLabel("Assign Priority Using:", mapping), 0, 0, 1, 3);
  auto* vlan = new QCheckBox("VLAN Tags", mapping);
  vlan->setObjectName("1010");
  vlan->setChecked(true);
  auto* tos = new QCheckBox("TOS Bits", mapping);
  tos->setObjectName("1116");
  tos->setChecked(true);
  m->addWidget(vlan, 1, 1);
  m->addWidget(tos, 1, 2);
  constexpr int kDefaults[8] = {1, 0, 0, 1, 2, 2, 3, 3};
  for (int p = 0; p < 8; ++p) {
    m->addWidget(new QLabel(QString("%1:").arg(p), mapping), 2 + p, 0);
    m->addWidget(capBox(1076 + 2 * p, kDefaults[p], mapping), 2 + p, 1);
    m->addWidget(capBox(1077 + 2 * p, kDefaults[p], mapping), 2 + p, 2);
  }
  auto* note = new QLabel(
      "Note:  If both VLAN Tags and TOS Bits are enabled and a frame is found that contains "
      "both.VLAN Tags will override TOS Bits.",
      mapping);
  note->setWordWrap(true);
  m->addWidget(note, 10, 0, 1, 3);
  layout->addWidget(mapping, 0, 0, 3, 1);

  auto* defaults = new QGroupBox("Default CAP-Lowest Priority Classification", this);
  auto* d = new QGridLayout(defaults);
  d->addWidget(new QLabel("IGMP:", defaults), 0, 0);
  d->addWidget(capBox(1117, 3, defaults), 0, 1);
  d->addWidget(new QLabel("Unicast:", defaults), 1, 0);
  d->addWidget(capBox(1118, 1, defaults), 1, 1);
  d->addWidget(new QLabel("IGMP managed Multicast Stream:", defaults), 2, 0);
  d->addWidget(capBox(1119, 2, defaults), 2, 1);
  d->addWidget(new QLabel("Multicast/Broadcast:", defaults), 3, 0);
  d->addWidget(capBox(1120, 1, defaults), 3, 1);
  layout->addWidget(defaults, 0, 1);

  auto* ttl = new QGroupBox("Priority TTL-Value between 10 and 65000 msec", this);
  auto* t = new QGridLayout(ttl);
  const std::pair<int, const char*> edits[] = {
      {1122, "2000"}, {1013, "2000"}, {1014, "300"}, {1015, "300"}};
  for (int i = 0; i < 4; ++i) {
    t->addWidget(new QLabel(QString("CA%1:").arg(i), ttl), i / 2, (i % 2) * 2);
    t->addWidget(ttlEdit(edits[i].first, edits[i].second, ttl), i / 2, (i % 2) * 2 + 1);
  }
  layout->addWidget(ttl, 1, 1);

  auto* update = new QGroupBox("Update", this);
  auto* u = new QGridLayout(update);
  auto* write = new QPushButton("Write", update);
  write->setObjectName("1114");
  u->addWidget(write, 0, 0);
  layout->addWidget(update, 2, 1);
}

}  // namespace strandline::ui
