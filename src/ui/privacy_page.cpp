#include "ui/privacy_page.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace strandline::ui {

namespace {

QLabel* text(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QPushButton* button(int id, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::number(id));
  return b;
}

}  // namespace

PrivacyPage::PrivacyPage(WindowEngine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  setObjectName("Privacy");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text(
      "Use this screen to create a Private Network that provides you with extra security.", this));

  auto* nameGroup = new QGroupBox("Private Network Name", this);
  auto* nameLayout = new QGridLayout(nameGroup);
  name_ = new QLineEdit(nameGroup);
  name_->setObjectName("1028");
  name_->setMaxLength(78);
  nameLayout->addWidget(name_, 0, 0);
  nameLayout->addWidget(text("OR", nameGroup), 0, 1);
  QPushButton* publicName = button(1062, "Use Default (Public Network)", nameGroup);
  nameLayout->addWidget(publicName, 0, 2);
  connect(publicName, &QPushButton::clicked, this, [this] {
    name_->setText(avMode_ ? "HomePlugAV" : "HomePlug");
    name_->setFocus();
  });
  nameLayout->addWidget(text("Do not share the network name with others you do not want to be "
                             "part of this network.",
                             nameGroup),
                        1, 0, 1, 3);
  layout->addWidget(nameGroup);

  layout->addWidget(
      text("After setting the name above, choose how it will be applied below:", this));
  auto* placeGroup = new QGroupBox("Place On This Network", this);
  auto* placeLayout = new QGridLayout(placeGroup);
  placeLayout->addWidget(text("Only the device attached to this computer (the Local Device).\n"
                              "(Isolates this computer from others):",
                              placeGroup),
                         0, 0);
  local_ = button(1080, "Set Local Device Only", placeGroup);
  placeLayout->addWidget(local_, 0, 1);
  connect(local_, &QPushButton::clicked, this, [this] { place(false); });
  placeLayout->addWidget(text("OR", placeGroup), 1, 0);
  placeLayout->addWidget(text("ALL devices whose Password has been entered.\n(They communicate "
                              "together but are isolated from devices with a different network "
                              "name)",
                              placeGroup),
                         2, 0);
  all_ = button(1081, "Set All Devices", placeGroup);
  placeLayout->addWidget(all_, 2, 1);
  connect(all_, &QPushButton::clicked, this, [this] { place(true); });
  placeLayout->setColumnStretch(0, 1);  // the texts take the room, the buttons keep their width
  layout->addWidget(placeGroup);
  layout->addStretch();
  connect(&engine_, &WindowEngine::updated, this,
          [this](std::shared_ptr<const WindowUpdate> update) { take(*update); });
}

void PrivacyPage::take(const WindowUpdate& update) {
  const EngineSnapshot& s = update.snapshot;
  adapterPresent_ = s.adapters[static_cast<std::size_t>(s.currentCard)].present;
  avMode_ = s.avMode;
  networkName_ = s.network().networkName.str();
  // The box starts with the adapter's network name as soon as it is known.
  if (!filled_ && adapterPresent_) {
    filled_ = true;
    name_->setText(QString::fromStdString(networkName_));
  }
}

void PrivacyPage::activate() {
  engine_.privacyActivated();
  if (adapterPresent_) {
    filled_ = true;
    name_->setText(QString::fromStdString(networkName_));
    name_->setFocus();
  } else {
    name_->clear();
  }
}

void PrivacyPage::place(bool all) {
  local_->setEnabled(false);
  all_->setEnabled(false);
  QPointer<PrivacyPage> self(this);
  engine_.placeOnNetwork(name_->text().toStdString(), all, [self] {
    if (!self) return;
    self->local_->setEnabled(true);
    self->all_->setEnabled(true);
  });
}

}  // namespace strandline::ui
