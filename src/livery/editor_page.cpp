#include "livery/editor_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include "livery/prefs_fields.h"
#include "ui/cbmp.h"

namespace strandline::livery {

namespace {

constexpr int kRowHeight = 26;
constexpr int kFirstRow = 28;

bool isNumber(FieldForm form) {
  return form == FieldForm::Decimal32 || form == FieldForm::Decimal16 || form == FieldForm::Hex32;
}

}  // namespace

EditorPage::EditorPage(OemPrefs& prefs, QWidget* parent) : QWidget(parent), prefs_(prefs) {
  setObjectName("OEM Prefs Editor");
  setMinimumSize(600, 400);
  auto* group = new QGroupBox("Preferences: ", this);
  group->setGeometry(8, 4, 488, 344);

  // Left column: the numbers; right column: the OUI, the vendor name and the
  // flags; below both, the three long texts.
  int leftRow = 0, rightRow = 0, bottomRow = 9;
  for (const FieldControl& c : editorControls()) {
    QWidget* widget = nullptr;
    if (c.form == FieldForm::Flag) {
      auto* check = new QCheckBox(c.label, group);
      check->setGeometry(250, kFirstRow + rightRow++ * kRowHeight, 220, 22);
      connect(check, &QCheckBox::clicked, this, [this, &c] { flipFlag(prefs_, c); });
      widget = check;
    } else {
      bool left = isNumber(c.form), right = !left && rightRow < 2;
      int x = right ? 250 : 10, labelWidth = right ? 90 : 110;
      int row = left ? leftRow++ : right ? rightRow++ : bottomRow++;
      auto* label = new QLabel(c.label, group);
      label->setGeometry(x, kFirstRow + row * kRowHeight, labelWidth, 22);
      auto* edit = new QLineEdit(group);
      edit->setGeometry(x + labelWidth + 4, kFirstRow + row * kRowHeight,
                        left    ? 110
                        : right ? 130
                                : 354,
                        22);
      label->setBuddy(edit);
      connect(edit, &QLineEdit::textEdited, this, [edit] { mark(edit, false); });
      widget = edit;
    }
    widget->setObjectName(QString::number(c.id));
  }

  logo_ = ui::CBmp::load("oemSmall.bmp");
  badge_ = ui::CBmp::load("cert.bmp");
  showPrefs();
}

void EditorPage::mark(QLineEdit* box, bool invalid) {
  box->setProperty("invalid", invalid);
  box->setStyleSheet(invalid ? "QLineEdit { background-color: #ffd6d6; }" : "");
  box->setToolTip(invalid ? "Not a number: the previous value was kept." : "");
}

void EditorPage::showPrefs() {
  for (const FieldControl& c : editorControls()) {
    QString id = QString::number(c.id);
    if (c.form == FieldForm::Flag)
      findChild<QCheckBox*>(id)->setChecked(showField(prefs_, c) == "1");
    else
      findChild<QLineEdit*>(id)->setText(QString::fromStdString(showField(prefs_, c)));
  }
}

void EditorPage::takePrefs() {
  for (const FieldControl& c : editorControls()) {
    if (c.form == FieldForm::Flag) continue;
    auto* box = findChild<QLineEdit*>(QString::number(c.id));
    mark(box, !takeField(prefs_, c, box->text().toStdString()));
  }
}

void EditorPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!logo_.isNull()) painter.drawImage(QPoint(12, 353), logo_);
  if (!badge_.isNull()) painter.drawImage(QPoint(500, 10), badge_);
}

}  // namespace strandline::livery
