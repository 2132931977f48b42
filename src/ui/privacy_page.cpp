#include "ui/privacy_page.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace strandline::ui {

namespace {

QLabel* Text(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(int id, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::number(id));
  return b;
}

}  // namespace

PrivacyPage::PrivacyPage(QWidget* parent) : QWidget(parent) {
  setObjectName("Privacy");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text(
      "Use this screen to create a Private Network that provides you with extra security.", this));

  auto* nameGroup = new QGroupBox("Private Network Name", this);
  auto* nameLayout = new QGridLayout(nameGroup);
  auto* name = new QLineEdit(nameGroup);
  name->setObjectName("1028");
  name->setMaxLength(78);
  nameLayout->addWidget(name, 0, 0);
  nameLayout->addWidget(Text("OR", nameGroup), 0, 1);
  nameLayout->addWidget(Button(1062, "Use Default (Public Network)", nameGroup), 0, 2);
  nameLayout->addWidget(Text("Do not share the network name with others you do not want to be "
                             "part of this network.",
                             nameGroup),
                        1, 0, 1, 3);
  layout->addWidget(nameGroup);

  layout->addWidget(
      Text("After setting the name above, choose how it will be applied below:", this));
  auto* placeGroup = new QGroupBox("Place On This Network", this);
  auto* placeLayout = new QGridLayout(placeGroup);
  placeLayout->addWidget(Text("Only the device attached to this computer (the Local Device).\n"
                              "(Isolates this computer from others):",
                              placeGroup),
                         0, 0);
  placeLayout->addWidget(Button(1080, "Set Local Device Only", placeGroup), 0, 1);
  placeLayout->addWidget(Text("OR", placeGroup), 1, 0);
  placeLayout->addWidget(Text("ALL devices whose Password has been entered.\n(They communicate "
                              "together but are isolated from devices with a different network "
                              "name)",
                              placeGroup),
                         2, 0);
  placeLayout->addWidget(Button(1081, "Set All Devices", placeGroup), 2, 1);
  layout->addWidget(placeGroup);
  layout->addStretch();
}

}  // namespace strandline::ui
