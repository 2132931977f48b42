#include "ui/about_page.h"

#include <QDesktopServices>
#include <QFile>
#include <QGridLayout>
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

QLabel* label(int id, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (id) label->setObjectName(QString::number(id));
  return label;
}

}  // namespace

AboutPage::AboutPage(const OemSettings& oem, const std::string& startupDirectory, QWidget* parent)
    : QWidget(parent) {
  setObjectName("About");
  logo_ = CBmp::load("oemBig.bmp");
  badge_ = CBmp::load("cert.bmp");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 10, 12, 10);

  // The pictures on top, the texts and the preferences below them, then the
  // Readme, which takes the extra room.
  auto* pictures = new QHBoxLayout;
  pictures->addSpacing(38);
  logoRoom_ = CBmp::room(logo_, this);
  pictures->addWidget(logoRoom_, 0, Qt::AlignTop);
  pictures->addStretch(1);
  badgeRoom_ = CBmp::room(badge_, this);
  pictures->addWidget(badgeRoom_, 0, Qt::AlignTop);
  layout->addLayout(pictures);

  auto* texts = new QGridLayout;
  texts->setColumnStretch(2, 1);
  QFont titleFont = font();
  titleFont.setPointSize(titleFont.pointSize() + 4);
  titleFont.setBold(true);
  QLabel* title = label(1096, QString::fromStdString(oem.prefs.appName), this);
  title->setFont(titleFont);
  texts->addWidget(title, 0, 0, 1, 3);
  auto* link = new QPushButton(QString::fromStdString(oem.prefs.webAddress), this);
  link->setObjectName("1093");
  link->setFlat(true);
  texts->addWidget(link, 1, 0, 1, 3, Qt::AlignLeft);
  QString url = QString::fromStdString(oem.prefs.webAddress);
  connect(link, &QPushButton::clicked, this, [url] { QDesktopServices::openUrl(QUrl(url)); });
  texts->addWidget(label(0, "Version:", this), 2, 0);
  texts->addWidget(label(1098, QString::fromStdString(versionText()), this), 2, 1);
  texts->addWidget(label(1104, QString::fromStdString(releaseText()), this), 2, 2);
  texts->addWidget(label(0, "License Copyrights :", this), 3, 0);
  texts->addWidget(label(0, QString::fromStdString(oem.prefs.copyright), this), 3, 1, 1, 2);

  auto* prefs = new QGroupBox("Preferences: ", this);
  auto* prefsLayout = new QVBoxLayout(prefs);
  auto* autoScan = new QCheckBox("AutoScan", prefs);
  autoScan->setObjectName("AutoScan");
  autoScan->setChecked(oem.prefs.autoScan != 0);
  connect(autoScan, &QCheckBox::toggled, this, [this](bool on) {
    if (onAutoScan) onAutoScan(on);
  });
  prefsLayout->addWidget(autoScan);
  prefs->setMinimumWidth(140);
  texts->addWidget(prefs, 0, 3, 2, 1, Qt::AlignTop);
  layout->addLayout(texts);

  auto* readme = new QPlainTextEdit(this);
  readme->setObjectName("1006");
  readme->setReadOnly(true);
  readme->setMinimumHeight(100);
  layout->addWidget(readme, 1);
  // Readme.txt: the working directory first, then the shared data folders.
  std::string readmePath = startupDirectory + "/Readme.txt";
  if (!QFile::exists(QString::fromStdString(readmePath))) readmePath = findDataFile("Readme.txt");
  QFile file(QString::fromStdString(readmePath));
  if (!readmePath.empty() && file.open(QIODevice::ReadOnly | QIODevice::Text))
    readme->setPlainText(QString::fromUtf8(file.readAll()));
  else
    readme->setPlainText(kReadmeMissing);
}

void AboutPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!logo_.isNull()) painter.drawImage(logoRoom_->pos(), logo_);
  if (!badge_.isNull()) painter.drawImage(badgeRoom_->pos(), badge_);
}

}  // namespace strandline::ui
