// Livery's About page: program name, version and release texts, the
// copyright line and the web address as a link.
#pragma once

#include <QImage>
#include <QWidget>

#include "storage/oem_prefs.h"

namespace strandline::livery {

class AboutPage final : public QWidget {
  Q_OBJECT
 public:
  explicit AboutPage(QWidget* parent = nullptr);
  // The copyright line and web address of the record.
  void showPrefs(const OemPrefs& prefs);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString webAddress_;
  QImage logo_;
  QImage badge_;
};

}  // namespace strandline::livery
