// Draws an 8-bit palette bitmap file at a point of a widget, at the bitmap's
// own size (plain copy). A file that cannot be read draws nothing.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <string>

namespace strandline::ui {

class CBmp {
 public:
  virtual ~CBmp() = default;
  // Finds the file among the shipped data files and draws it.
  static bool draw(QPainter& painter, const std::string& fileName, QPoint topLeft);
  // The file as an image (null when it cannot be read).
  static QImage load(const std::string& fileName);
};

}  // namespace strandline::ui
