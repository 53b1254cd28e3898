#include "ui/skin/Theme.h"

#include "resources/ThemePictures.h"
#include "ui/skin/Measures.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>

namespace skin {
namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;

// The picture entries are named by the style's prefix and an element.
const char* picturePrefix(UiStyle style) {
  switch (style) {
    case UiStyle::MacOS:
      return "MACOS_";
    case UiStyle::WinXP:
      return "WINXP_";
    case UiStyle::DeepBlue:
      return "DEEPBLUE_";
    case UiStyle::Protein:
      return "PROTEIN_";
    case UiStyle::BlueGlass:
      return "BLUEGLASS_";
    case UiStyle::FromThemeFile:
      break;
  }
  return nullptr;
}

const char* pictureElement(int entry) {
  switch (static_cast<ThemeEntryId>(entry)) {
    case ThemeEntryId::Button:
      return "BUTTON";
    case ThemeEntryId::CheckBox:
      return "CHECKBOX";
    case ThemeEntryId::RadioButton:
      return "RADIOBUTTON";
    case ThemeEntryId::ProgressFill:
      return "PROGRESSBAR";
    default:
      return nullptr;
  }
}

// The colour entries of the two styles the windows use; the other styles have none of their own.
std::uint32_t colourEntry(UiStyle style, int entry, bool& found) {
  struct Row {
    ThemeEntryId entry;
    std::uint32_t winXp;
    std::uint32_t deepBlue;
  };
  static constexpr Row kRows[] = {
      {ThemeEntryId::ComboButtonColour, 0xDEEBEF, 0xE8E8E8},
      {ThemeEntryId::MenuSelectedBorder, 0xC66931, 0xA04A44},
      {ThemeEntryId::MenuSelected, 0xEFD3C6, 0xA04A44},
      {ThemeEntryId::MenuSelectedText, 0x000000, 0xFFFFFF},
      {ThemeEntryId::MenuBackground, 0xFFFFFF, 0xFFFFFF},
      {ThemeEntryId::MenuText, 0x000000, 0x000000},
      {ThemeEntryId::MenuBar, 0xCED3D6, 0xCED3D6},
      {ThemeEntryId::Border, 0x686868, 0x000000},
      {ThemeEntryId::ProgressBackground, 0xDEEBEF, 0xE8E8E8},
  };
  found = false;
  if (style != UiStyle::WinXP && style != UiStyle::DeepBlue) return 0;
  for (const Row& row : kRows) {
    if (static_cast<int>(row.entry) != entry) continue;
    found = true;
    return style == UiStyle::WinXP ? row.winXp : row.deepBlue;
  }
  return 0;
}

// The picture drawn at a whole scale, magenta made transparent.
QPixmap loadPicture(const QString& name, int scale) {
  QImage image = resources::drawThemePicture(name, scale);
  if (image.isNull()) return {};
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::replace(line, line + image.width(), kMagenta, QRgb{0});
  }
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

}  // namespace

ThemeEntry themeEntry(UiStyle style, int entry) {
  if (entry < 1 || entry > kThemeEntryCount) return {};
  const char* prefix = picturePrefix(style);
  if (prefix == nullptr) return {};
  if (const char* element = pictureElement(entry)) {
    return {ThemeEntry::Kind::Picture, QString(prefix) + element, 0};
  }
  bool found = false;
  const std::uint32_t colour = colourEntry(style, entry, found);
  if (found) return {ThemeEntry::Kind::Colour, {}, colour};
  return {};
}

QColor colourFromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

QColor themeColour(UiStyle style, ThemeEntryId entry, const QColor& fallback) {
  const ThemeEntry found = themeEntry(style, entry);
  return found.kind == ThemeEntry::Kind::Colour ? colourFromBgr(found.value) : fallback;
}

QPixmap themePicture(const QString& name, qreal devicePixelRatio) {
  if (name.isEmpty()) return {};
  const int scale = std::clamp(static_cast<int>(std::ceil(devicePixelRatio - 0.01)), 1, 8);
  const QString key = QString("clipwave-skin:%1@%2").arg(name).arg(scale);
  QPixmap pixmap;
  if (QPixmapCache::find(key, &pixmap)) return pixmap;
  pixmap = loadPicture(name, scale);
  if (!pixmap.isNull()) QPixmapCache::insert(key, pixmap);
  return pixmap;
}

QPixmap themePicture(UiStyle style, ThemeEntryId entry, qreal devicePixelRatio) {
  const ThemeEntry found = themeEntry(style, entry);
  return found.kind == ThemeEntry::Kind::Picture ? themePicture(found.picture, devicePixelRatio) : QPixmap();
}

QString comboButtonPictureName(UiStyle style) {
  if (style != UiStyle::MacOS && style != UiStyle::WinXP) return {};
  return QString(picturePrefix(style)) + "COMBOBOX_BUTTON";
}

QPixmap stripFrame(const QPixmap& strip, int frame, int frames) {
  if (strip.isNull() || frames < 1) return strip;
  const qreal scale = strip.devicePixelRatio();
  const int width = static_cast<int>(std::lround(strip.width() / scale));  // in pixels at scale 1
  const int frameWidth = width / frames;
  if (frameWidth < 1) return strip;
  frame = std::clamp(frame, 1, frames);
  const int left = frame == frames ? width - frameWidth : (frame - 1) * frameWidth;
  const QRect physical(static_cast<int>(left * scale), 0, static_cast<int>(frameWidth * scale),
                       strip.height());
  QPixmap part = strip.copy(physical);
  part.setDevicePixelRatio(scale);
  return part;
}

void drawStretchedFrame(QPainter& painter, const QRect& target, const QPixmap& frame) {
  if (frame.isNull() || target.isEmpty()) return;
  const qreal scale = frame.devicePixelRatio();
  const QSize size(static_cast<int>(std::lround(frame.width() / scale)),
                   static_cast<int>(std::lround(frame.height() / scale)));
  for (const FramePiece& piece : stretchedFramePieces(size, target.size())) {
    const QRectF source(piece.source.x() * scale, piece.source.y() * scale, piece.source.width() * scale,
                        piece.source.height() * scale);
    painter.drawPixmap(QRectF(piece.target.translated(target.topLeft())), frame, source);
  }
}

void drawBorder(QPainter& painter, const QRect& rect, const QColor& colour) {
  if (rect.isEmpty()) return;
  painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
  painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
  painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
  painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

qreal paintScale(const QPainter& painter) {
  if (const QPaintEngine* engine = painter.paintEngine();
      engine != nullptr && engine->paintDevice() != nullptr)
    return engine->paintDevice()->devicePixelRatio();
  return painter.device() != nullptr ? painter.device()->devicePixelRatio() : 1.0;
}

}  // namespace skin
