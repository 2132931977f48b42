#include "ui/cbmp.h"

#include "storage/bitmap_file.h"

namespace strandline::ui {

QImage CBmp::load(const std::string& fileName) {
  std::optional<Bitmap> bmp = loadPaletteBitmap(findDataFile(fileName));
  if (!bmp) return {};
  QImage image(bmp->width, bmp->height, QImage::Format_RGB32);
  for (int y = 0; y < bmp->height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bmp->width; ++x)
      line[x] = 0xFF000000u | bmp->pixels[static_cast<std::size_t>(y * bmp->width + x)];
  }
  return image;
}

bool CBmp::draw(QPainter& painter, const std::string& fileName, QPoint topLeft) {
  QImage image = load(fileName);
  if (image.isNull()) return false;
  painter.drawImage(topLeft, image);
  return true;
}

}  // namespace strandline::ui
