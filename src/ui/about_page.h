// The About page: application name, web address, copyright, release and
// version, the AutoScan preference and the Readme text.
#pragma once

#include <QCheckBox>
#include <QImage>
#include <QWidget>
#include <functional>

#include "storage/oem_prefs.h"

namespace strandline::ui {

class AboutPage final : public QWidget {
  Q_OBJECT
 public:
  AboutPage(const OemSettings& oem, const std::string& startupDirectory, QWidget* parent = nullptr);

  // The AutoScan box was clicked: the new setting.
  std::function<void(bool)> onAutoScan;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage logo_;
  QImage badge_;
  QWidget* logoRoom_ = nullptr;  // where the pictures are painted
  QWidget* badgeRoom_ = nullptr;
};

}  // namespace strandline::ui
