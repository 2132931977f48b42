// Draws an 8-bit palette bitmap file at a point of a widget, at the bitmap's
// own size (plain copy). A file that cannot be read draws nothing. On a screen
// scaled by 2 or more, "NAME@2x.bmp" beside "NAME.bmp" (twice the size) is
// drawn in its place, so that pictures and icons stay sharp.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QWidget>
#include <string>

namespace strandline::ui {

class CBmp {
 public:
  virtual ~CBmp() = default;
  // Finds the file among the shipped data files and draws it.
  static bool draw(QPainter& painter, const std::string& fileName, QPoint topLeft);
  // The file as an image (null when it cannot be read). With a pixel ratio of
  // 2 or more (0: the application's) the @2x file is taken when there is one,
  // with pixel ratio 2, so that it draws at the same logical size.
  static QImage load(const std::string& fileName, qreal devicePixelRatio = 0);
  // A square list icon of `size` logical pixels from the file, with a second,
  // doubled picture for scaled screens (from the @2x file, else from the file
  // itself); null when the file cannot be read.
  static QIcon icon(const std::string& fileName, int size);
  // An empty child widget of the image's logical size (0 x 0 for a null
  // image) that keeps room for the picture in a layout; paint the image at
  // its position.
  static QWidget* room(const QImage& image, QWidget* parent);
};

}  // namespace strandline::ui
