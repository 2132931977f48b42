#include "ui/about_page.h"

#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "storage/about_texts.h"
#include "storage/bitmap_file.h"
#include "ui/cbmp.h"

namespace strandline::ui {

namespace {

QLabel* label(int id, const QString& text, QRect geometry, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (id) label->setObjectName(QString::number(id));
  label->setGeometry(geometry);
  return label;
}

}  // namespace

AboutPage::AboutPage(const OemSettings& oem, const std::string& startupDirectory, QWidget* parent)
    : QWidget(parent) {
  setObjectName("About");
  QFont titleFont = font();
  titleFont.setPointSize(titleFont.pointSize() + 4);
  titleFont.setBold(true);
  QLabel* title = label(1096, QString::fromStdString(oem.prefs.appName), {12, 90, 480, 26}, this);
  title->setFont(titleFont);
  auto* link = new QPushButton(QString::fromStdString(oem.prefs.webAddress), this);
  link->setObjectName("1093");
  link->setFlat(true);
  link->setGeometry(12, 118, 300, 22);
  QString url = QString::fromStdString(oem.prefs.webAddress);
  connect(link, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(QUrl(url)); });
  label(0, "Version:", {12, 144, 80, 18}, this);
  label(1098, QString::fromStdString(versionText()), {96, 144, 200, 18}, this);
  label(1104, QString::fromStdString(releaseText()), {300, 144, 260, 18}, this);
  label(0, "License Copyrights :", {12, 166, 140, 18}, this);
  label(0, QString::fromStdString(oem.prefs.copyright), {156, 166, 420, 18}, this);

  auto* prefs = new QGroupBox("Preferences: ", this);
  prefs->setGeometry(440, 80, 140, 56);
  auto* autoScan = new QCheckBox("AutoScan", prefs);
  autoScan->setObjectName("AutoScan");
  autoScan->setGeometry(10, 24, 120, 22);
  autoScan->setChecked(oem.prefs.autoScan != 0);
  connect(autoScan, &QCheckBox::toggled, this, [this](bool on) {
    if (onAutoScan) onAutoScan(on);
  });

  auto* readme = new QPlainTextEdit(this);
  readme->setObjectName("1006");
  readme->setReadOnly(true);
  readme->setGeometry(12, 190, 576, 140);
  // Readme.txt: the working directory first, then the shared data folders.
  std::string readmePath = startupDirectory + "/Readme.txt";
  if (!QFile::exists(QString::fromStdString(readmePath))) readmePath = findDataFile("Readme.txt");
  QFile file(QString::fromStdString(readmePath));
  if (!readmePath.empty() && file.open(QIODevice::ReadOnly | QIODevice::Text))
    readme->setPlainText(QString::fromUtf8(file.readAll()));
  else
    readme->setPlainText(kReadmeMissing);

  logo_ = CBmp::load("oemBig.bmp");
  badge_ = CBmp::load("cert.bmp");
}

void AboutPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!logo_.isNull()) painter.drawImage(QPoint(50, 10), logo_);
  if (!badge_.isNull()) painter.drawImage(QPoint(500, 10), badge_);
}

}  // namespace strandline::ui
