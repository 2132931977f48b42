#include "ui/cbmp.h"

#include <QGuiApplication>
#include <QPixmap>

#include "storage/bitmap_file.h"

namespace strandline::ui {

namespace {

QImage read(const std::string& fileName) {
  std::string path = findDataFile(fileName);
  if (path.empty()) return {};
  std::optional<Bitmap> bmp = loadPaletteBitmap(path);
  if (!bmp) return {};
  QImage image(bmp->width, bmp->height, QImage::Format_RGB32);
  for (int y = 0; y < bmp->height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bmp->width; ++x)
      line[x] = 0xFF000000u | bmp->pixels[static_cast<std::size_t>(y * bmp->width + x)];
  }
  return image;
}

// "oemDevice.bmp" -> "oemDevice@2x.bmp".
std::string doubledName(const std::string& fileName) {
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return fileName + "@2x";
  return fileName.substr(0, dot) + "@2x" + fileName.substr(dot);
}

}  // namespace

QImage CBmp::load(const std::string& fileName, qreal devicePixelRatio) {
  if (devicePixelRatio <= 0) devicePixelRatio = qGuiApp ? qGuiApp->devicePixelRatio() : 1;
  if (devicePixelRatio >= 2) {
    QImage doubled = read(doubledName(fileName));
    if (!doubled.isNull()) {
      doubled.setDevicePixelRatio(2);
      return doubled;
    }
  }
  return read(fileName);
}

QIcon CBmp::icon(const std::string& fileName, int size) {
  QImage image = read(fileName);
  if (image.isNull() || size <= 0) return {};
  QIcon icon(QPixmap::fromImage(
      image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  QImage doubled = read(doubledName(fileName));
  if (doubled.isNull()) doubled = image;
  QPixmap large = QPixmap::fromImage(
      doubled.scaled(2 * size, 2 * size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  large.setDevicePixelRatio(2);
  icon.addPixmap(large);
  return icon;
}

QWidget* CBmp::room(const QImage& image, QWidget* parent) {
  auto* room = new QWidget(parent);
  room->setFixedSize(image.isNull() ? QSize(0, 0) : image.deviceIndependentSize().toSize());
  return room;
}

bool CBmp::draw(QPainter& painter, const std::string& fileName, QPoint topLeft) {
  QImage image = load(fileName, painter.device() ? painter.device()->devicePixelRatio() : 1);
  if (image.isNull()) return false;
  painter.drawImage(topLeft, image);
  return true;
}

}  // namespace strandline::ui
