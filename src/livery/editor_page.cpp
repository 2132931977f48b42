#include "livery/editor_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

#include "livery/text_forms.h"
#include "ui/cbmp.h"

namespace strandline::livery {

namespace {

enum ControlId : int {
  kScanInterval = 1012,
  kColor = 1017,
  kOui = 1033,
};

struct ShortField {
  int id;
  const char* label;
  std::int16_t OemPrefs::*field;
};
// The 16-bit number boxes, in the order of the page's left column after the
// scan interval (the colour box sits between iconSize and Diagnostics Level).
constexpr ShortField kShortFields[] = {
    {1013, "quality type", &OemPrefs::qualityType},
    {1014, "iconSize", &OemPrefs::iconSize},
    {1032, "Diagnostics Level", &OemPrefs::diagnosticsLevel},
    {1015, "smLogoLeft", &OemPrefs::smLogoLeft},
    {1016, "smLogoTop", &OemPrefs::smLogoTop},
    {1018, "lgLogoLeft", &OemPrefs::lgLogoLeft},
    {1020, "lgLogoTop", &OemPrefs::lgLogoTop},
};

struct TextField {
  int id;
  const char* label;
  std::string OemPrefs::*field;
  std::size_t width;
};
constexpr TextField kTextFields[] = {
    {1031, "Vendor name", &OemPrefs::vendorName, kVendorNameWidth},
    {1028, "webAddress", &OemPrefs::webAddress, kWebAddressWidth},
    {1029, "copyright", &OemPrefs::copyright, kCopyrightWidth},
    {1030, "appName", &OemPrefs::appName, kAppNameWidth},
};

struct Flag {
  int id;
  const char* label;
  std::int16_t OemPrefs::*field;
};
constexpr Flag kFlags[] = {
    {1010, "AutoScan", &OemPrefs::autoScan},
    {1019, "showOnlyActive", &OemPrefs::showOnlyActive},
    {1021, "showRate", &OemPrefs::showRate},
    {1022, "showQuality", &OemPrefs::showQuality},
    {1023, "ampm", &OemPrefs::ampm},
    {1101, "Upgrade Capabilty", &OemPrefs::upgradeCapability},
};

constexpr int kRowHeight = 26;
constexpr int kFirstRow = 28;

QLineEdit* addBox(QWidget* parent, int id, const char* label, int x, int row, int labelWidth,
                  int boxWidth) {
  auto* text = new QLabel(label, parent);
  text->setGeometry(x, kFirstRow + row * kRowHeight, labelWidth, 22);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  edit->setGeometry(x + labelWidth + 4, kFirstRow + row * kRowHeight, boxWidth, 22);
  text->setBuddy(edit);
  return edit;
}

}  // namespace

EditorPage::EditorPage(OemPrefs& prefs, QWidget* parent) : QWidget(parent), prefs_(prefs) {
  setObjectName("OEM Prefs Editor");
  setMinimumSize(600, 400);
  auto* group = new QGroupBox("Preferences: ", this);
  group->setGeometry(8, 4, 488, 344);

  // Left column: the numbers; right column: the OUI, the vendor and the
  // flags; below both, the three long texts.
  std::vector<QLineEdit*> boxes;
  boxes.push_back(addBox(group, kScanInterval, "scan interval", 10, 0, 110, 110));
  int row = 1;
  for (const ShortField& f : kShortFields) {
    if (f.id == 1032) boxes.push_back(addBox(group, kColor, "color", 10, row++, 110, 110));
    boxes.push_back(addBox(group, f.id, f.label, 10, row++, 110, 110));
  }
  boxes.push_back(addBox(group, kOui, "OUI", 250, 0, 90, 130));
  boxes.push_back(addBox(group, kTextFields[0].id, kTextFields[0].label, 250, 1, 90, 130));
  for (int i = 1; i < 4; ++i)
    boxes.push_back(addBox(group, kTextFields[i].id, kTextFields[i].label, 10, 8 + i, 110, 354));
  for (QLineEdit* edit : boxes)
    connect(edit, &QLineEdit::textEdited, this, [edit] { mark(edit, false); });

  row = 2;
  for (const Flag& f : kFlags) {
    auto* check = new QCheckBox(f.label, group);
    check->setObjectName(QString::number(f.id));
    check->setGeometry(250, kFirstRow + row++ * kRowHeight, 220, 22);
    std::int16_t OemPrefs::*field = f.field;
    connect(check, &QCheckBox::clicked, this,
            [this, field] { prefs_.*field = prefs_.*field == 0 ? 1 : 0; });
  }

  logo_ = ui::CBmp::load("oemSmall.bmp");
  badge_ = ui::CBmp::load("cert.bmp");
  showPrefs();
}

QLineEdit* EditorPage::box(int id) const {
  return findChild<QLineEdit*>(QString::number(id));
}

void EditorPage::mark(QLineEdit* box, bool invalid) {
  box->setProperty("invalid", invalid);
  box->setStyleSheet(invalid ? "QLineEdit { background-color: #ffd6d6; }" : "");
  box->setToolTip(invalid ? "Not a number: the previous value was kept." : "");
}

void EditorPage::showPrefs() {
  box(kScanInterval)->setText(QString::fromStdString(showDecimal(prefs_.scanInterval)));
  box(kColor)->setText(QString::fromStdString(showHex(prefs_.color)));
  for (const ShortField& f : kShortFields)
    box(f.id)->setText(QString::fromStdString(showDecimal(prefs_.*f.field)));
  box(kOui)->setText(QString::fromStdString(showOui(prefs_.oui)));
  for (const TextField& f : kTextFields)
    box(f.id)->setText(QString::fromStdString(prefs_.*f.field));
  for (const Flag& f : kFlags)
    findChild<QCheckBox*>(QString::number(f.id))->setChecked(prefs_.*f.field != 0);
}

void EditorPage::takePrefs() {
  auto text = [this](int id) { return box(id)->text().toStdString(); };
  // Each reader gives nothing for a box without a number: the field stays.
  auto take = [this](int id, auto value, auto store) {
    mark(box(id), !value);
    if (value) store(*value);
  };
  take(kScanInterval, readDecimal(text(kScanInterval)), [this](std::int64_t v) {
    prefs_.scanInterval = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  });
  take(kColor, readHex(text(kColor)),
       [this](std::uint32_t v) { prefs_.color = static_cast<std::int32_t>(v); });
  for (const ShortField& f : kShortFields)
    take(f.id, readDecimal(text(f.id)), [this, &f](std::int64_t v) {
      prefs_.*f.field = static_cast<std::int16_t>(static_cast<std::uint16_t>(v & 0xFFFF));
    });
  take(kOui, readOui(text(kOui)), [this](std::array<std::uint8_t, 3> v) { prefs_.oui = v; });
  for (const TextField& f : kTextFields) prefs_.*f.field = fitText(text(f.id), f.width);
}

void EditorPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!logo_.isNull()) painter.drawImage(QPoint(12, 353), logo_);
  if (!badge_.isNull()) painter.drawImage(QPoint(500, 10), badge_);
}

}  // namespace strandline::livery
