#include "resources/ThemePictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <functional>

namespace resources {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;

// The colours of the pictures: a light face with a dark blue edge, green marks.
const QColor kEdge(0x00, 0x3C, 0x74);
const QColor kBoxEdge(0x1C, 0x51, 0x80);
const QColor kDisabledEdge(0xCA, 0xC8, 0xBB);
const QColor kMark(0x21, 0xA1, 0x21);
const QColor kMarkLight(0x7A, 0xE2, 0x7A);
const QColor kBoxShade(0xDC, 0xDC, 0xD7);

using Draw = std::function<void(QPainter&)>;

struct Picture {
  const char* name;
  int width;  // the whole strip, in pixels at scale 1
  int height;
  Draw draw;
};

// Frame k (from 0) of a strip starts at x = k * frameWidth.
void drawButtonFrame(QPainter& p, qreal left, int state) {
  const QRectF outer(left + 0.5, 0.5, 17, 20);
  QLinearGradient face(0, 1, 0, 20);
  if (state == 2) {  // pressed: shaded at the top, as if pushed in
    face.setColorAt(0, QColor(0xCD, 0xCA, 0xC3));
    face.setColorAt(0.2, QColor(0xE3, 0xE2, 0xDA));
    face.setColorAt(1, QColor(0xF4, 0xF3, 0xEE));
  } else {
    face.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    face.setColorAt(0.6, QColor(0xF4, 0xF3, 0xEE));
    face.setColorAt(0.9, QColor(0xE8, 0xE6, 0xDE));
    face.setColorAt(1, QColor(0xD6, 0xD0, 0xC5));
  }
  p.setPen(QPen(kEdge, 1));
  p.setBrush(face);
  p.drawRoundedRect(outer, 3, 3);
  if (state == 1) {  // under the mouse: a warm ring inside the edge
    QLinearGradient ring(0, 2, 0, 19);
    ring.setColorAt(0, QColor(0xFF, 0xF0, 0xCF));
    ring.setColorAt(1, QColor(0xF8, 0xB3, 0x30));
    p.setPen(QPen(QBrush(ring), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(left + 2, 2, 14, 17), 2, 2);
  }
}

// Check box and radio button frames, in strip order: checked, unchecked, checked and disabled,
// unchecked and disabled.
void drawMarkFrame(QPainter& p, qreal left, int frame, bool round) {
  const bool checked = frame == 0 || frame == 2;
  const bool enabled = frame < 2;
  const QRectF box(left + 0.5, 0.5, 12, 12);
  QLinearGradient face(left + 1, 1, left + 12, 12);
  face.setColorAt(0, enabled ? kBoxShade : Qt::white);
  face.setColorAt(1, Qt::white);
  p.setPen(QPen(enabled ? kBoxEdge : kDisabledEdge, 1));
  p.setBrush(face);
  if (round) {
    p.drawEllipse(box);
  } else {
    p.drawRect(box);
  }
  if (!checked) return;
  if (round) {
    QRadialGradient dot(left + 5.8, 5.8, 3.2);
    dot.setColorAt(0, enabled ? kMarkLight : kDisabledEdge);
    dot.setColorAt(1, enabled ? kMark : kDisabledEdge);
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    p.drawEllipse(QPointF(left + 6.5, 6.5), 2.7, 2.7);
  } else {
    QPainterPath tick;
    tick.moveTo(left + 3.2, 6.3);
    tick.lineTo(left + 5.5, 8.8);
    tick.lineTo(left + 9.9, 3.9);
    p.setPen(QPen(enabled ? kMark : kDisabledEdge, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  }
}

void drawButtonStrip(QPainter& p) {
  for (int state = 0; state < 3; ++state) drawButtonFrame(p, state * 18, state);
}

void drawCheckBoxStrip(QPainter& p) {
  for (int frame = 0; frame < 4; ++frame) drawMarkFrame(p, frame * 13, frame, false);
}

void drawRadioButtonStrip(QPainter& p) {
  for (int frame = 0; frame < 4; ++frame) drawMarkFrame(p, frame * 13, frame, true);
}

// The fill of a progress bar: the same in every column, so that it can be stretched to any length.
void drawProgressFill(QPainter& p) {
  QLinearGradient fill(0, 0, 0, 10);
  fill.setColorAt(0, QColor(0xC4, 0xF2, 0xC4));
  fill.setColorAt(0.3, QColor(0x5B, 0xD9, 0x5B));
  fill.setColorAt(0.5, QColor(0x2E, 0xBE, 0x2E));
  fill.setColorAt(0.8, QColor(0x48, 0xD2, 0x48));
  fill.setColorAt(1, QColor(0xA8, 0xE8, 0xA8));
  p.fillRect(QRectF(0, 0, 6, 10), fill);
}

// The drop-down button of a combo box, with its own arrow.
void drawComboButton(QPainter& p) {
  QLinearGradient face(0, 1, 0, 16);
  face.setColorAt(0, QColor(0xE3, 0xEC, 0xFE));
  face.setColorAt(1, QColor(0xB4, 0xC8, 0xF6));
  p.setPen(QPen(QColor(0x97, 0xAE, 0xE2), 1));
  p.setBrush(face);
  p.drawRoundedRect(QRectF(0.5, 0.5, 16, 16), 2.5, 2.5);
  QPainterPath arrow;
  arrow.moveTo(5, 7);
  arrow.lineTo(8.5, 10.5);
  arrow.lineTo(12, 7);
  p.setPen(QPen(QColor(0x4D, 0x61, 0x85), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
}

const Picture kPictures[] = {
    {"WINXP_BUTTON", 54, 21, drawButtonStrip},           {"WINXP_CHECKBOX", 52, 13, drawCheckBoxStrip},
    {"WINXP_RADIOBUTTON", 52, 13, drawRadioButtonStrip}, {"WINXP_PROGRESSBAR", 6, 10, drawProgressFill},
    {"WINXP_COMBOBOX_BUTTON", 17, 17, drawComboButton},
};

}  // namespace

QImage drawThemePicture(const QString& name, int scale) {
  const auto found = std::find_if(std::begin(kPictures), std::end(kPictures),
                                  [&](const Picture& picture) { return name == picture.name; });
  if (found == std::end(kPictures)) return {};
  scale = std::clamp(scale, 1, 8);
  // Drawn on a transparent ground with smooth edges, then every untouched pixel becomes magenta: edge
  // pixels keep their own colour and partial cover, and never blend with the magenta.
  QImage image(found->width * scale, found->height * scale, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  image.setDevicePixelRatio(scale);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    found->draw(p);
  }
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) == 0) line[x] = kMagenta;
    }
  }
  return image;
}

QStringList themePictureNames() {
  QStringList names;
  for (const Picture& picture : kPictures) names << picture.name;
  return names;
}

}  // namespace resources
