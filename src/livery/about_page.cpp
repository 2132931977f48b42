#include "livery/about_page.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

#include "storage/about_texts.h"
#include "ui/cbmp.h"

namespace strandline::livery {

namespace {

QLabel* label(int id, const QString& text, QRect geometry, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (id) label->setObjectName(QString::number(id));
  label->setGeometry(geometry);
  return label;
}

}  // namespace

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
  setObjectName("About");
  setMinimumSize(600, 400);
  label(1025, "livery", {135, 120, 240, 20}, this);
  label(0, "Version:", {135, 144, 80, 18}, this);
  label(1024, QString::fromStdString(versionText()), {220, 144, 240, 18}, this);
  label(1027, QString::fromStdString(releaseText()), {220, 166, 240, 18}, this);
  label(1026, "", {135, 190, 460, 18}, this);
  auto* link = new QPushButton(this);
  link->setObjectName("1102");
  link->setFlat(true);
  link->setGeometry(135, 214, 400, 22);
  link->setCursor(Qt::PointingHandCursor);
  link->setStyleSheet(
      "QPushButton { text-align: left; border: none; color: palette(link); "
      "text-decoration: underline; }");
  connect(link, &QPushButton::clicked, this, [this] {
    if (!webAddress_.isEmpty()) QDesktopServices::openUrl(QUrl::fromUserInput(webAddress_));
  });
  logo_ = ui::CBmp::load("oemBig.bmp");
  badge_ = ui::CBmp::load("cert.bmp");
}

void AboutPage::showPrefs(const OemPrefs& prefs) {
  webAddress_ = QString::fromStdString(prefs.webAddress);
  findChild<QLabel*>("1026")->setText(QString::fromStdString(prefs.copyright));
  findChild<QPushButton*>("1102")->setText(webAddress_);
}

void AboutPage::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  if (!logo_.isNull()) painter.drawImage(QPoint(135, 35), logo_);
  if (!badge_.isNull()) painter.drawImage(QPoint(500, 10), badge_);
}

}  // namespace strandline::livery
