#include "resources/Pictures.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace resources {
namespace {

const QColor kDeep(0x12, 0x3c, 0x73);
const QColor kBright(0x2f, 0x80, 0xd1);
const QColor kAccent(0xff, 0xb3, 0x2e);

// Pictures are drawn at the screen's scale (rounded up to a whole one), so they stay sharp at 2x.
int screenScale() {
  const qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  return std::clamp(static_cast<int>(std::ceil(ratio - 0.01)), 1, 8);
}

// Pictures are drawn on images, which (unlike pixmaps) any thread may paint.
QImage blank(int width, int height, int scale) {
  QImage image(std::max(width, 1) * scale, std::max(height, 1) * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  return image;
}

// A sound wave across the rectangle: the program's mark.
void drawWave(QPainter& p, const QRectF& r, const QColor& colour, qreal penWidth) {
  QPainterPath wave;
  const int steps = 48;
  for (int i = 0; i <= steps; ++i) {
    const qreal x = r.left() + r.width() * i / steps;
    const qreal fade = std::sin(M_PI * i / steps);
    const qreal y = r.center().y() - std::sin(i * 0.75) * r.height() * 0.45 * fade;
    if (i == 0) {
      wave.moveTo(x, y);
    } else {
      wave.lineTo(x, y);
    }
  }
  p.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(wave);
}

QImage drawBanner(int width, int height, int scale) {
  QImage image = blank(width, height, scale);
  QPainter p(&image);
  QLinearGradient gradient(0, 0, width, height);
  gradient.setColorAt(0, kDeep);
  gradient.setColorAt(1, kBright);
  p.fillRect(QRect(0, 0, width, height), gradient);
  p.setRenderHint(QPainter::Antialiasing);
  drawWave(p, QRectF(width * 0.55, 4, width * 0.4, height - 8), QColor(255, 255, 255, 50), 2);
  return image;
}

QImage drawLogo(int scale) {
  QImage image = blank(kLogoSize.width(), kLogoSize.height(), scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawRoundedRect(QRectF(1, 1, 46, 32), 7, 7);
  drawWave(p, QRectF(5, 5, 38, 24), kBright, 3);
  return image;
}

// The arrow sits in the left half: the update label starts 20 pixels right of the picture's edge.
QImage drawUpdate(int scale) {
  QImage image = blank(kUpdateSize.width(), kUpdateSize.height(), scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(2, 10, 12, 12), 30 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF({QPointF(12, 7), QPointF(16, 12), QPointF(10, 13)}));
  return image;
}

QImage drawMenu(bool hovered, int scale) {
  QImage image = blank(32, 32, scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(hovered ? kAccent : kBright);
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setBrush(Qt::white);
  for (int i = 0; i < 3; ++i) p.drawRoundedRect(QRectF(9, 9 + i * 5.5, 14, 2.6), 1.3, 1.3);
  return image;
}

QImage drawProgramIcon(int size, int scale) {
  QImage image = blank(size, size, scale);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  QLinearGradient gradient(0, 0, 64, 64);
  gradient.setColorAt(0, kDeep);
  gradient.setColorAt(1, kBright);
  p.setPen(Qt::NoPen);
  p.setBrush(gradient);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
  drawWave(p, QRectF(10, 14, 44, 36), Qt::white, 5);
  return image;
}

}  // namespace

QPixmap bannerPicture(int width, int height) {
  return QPixmap::fromImage(drawBanner(width, height, screenScale()));
}

QPixmap logoPicture() {
  return QPixmap::fromImage(drawLogo(screenScale()));
}

QPixmap updatePicture() {
  return QPixmap::fromImage(drawUpdate(screenScale()));
}

QPixmap menuPicture(bool hovered) {
  return QPixmap::fromImage(drawMenu(hovered, screenScale()));
}

QPixmap programIcon(int size) {
  return QPixmap::fromImage(drawProgramIcon(size, screenScale()));
}

std::future<MainPictures> drawMainPictures(QSize banner) {
  const int scale = screenScale();  // asked here: the screens belong to the main thread
  return std::async(std::launch::async, [banner, scale] {
    return MainPictures{drawProgramIcon(64, scale), drawBanner(banner.width(), banner.height(), scale),
                        drawLogo(scale), drawUpdate(scale)};
  });
}

}  // namespace resources
