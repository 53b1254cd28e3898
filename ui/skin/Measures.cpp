#include "ui/skin/Measures.h"

#include <algorithm>
#include <cstdint>

namespace skin {

int buttonFrame(bool enabled, bool underMouse, bool pressed) {
  if (!enabled) return 1;
  if (pressed) return 3;
  return underMouse ? 2 : 1;
}

int checkMarkFrame(bool checked, bool enabled) {
  if (enabled) return checked ? 1 : 2;
  return checked ? 3 : 4;
}

int progressPercent(int min, int max, int position) {
  if (min == max) return 0;
  // In 64 bits the products cannot overflow, and whole numbers truncate exactly where a quotient in
  // floating point might land a hair below a whole percent.
  const std::int64_t done = std::int64_t{position} - min;
  const std::int64_t range = std::int64_t{max} - min;
  return static_cast<int>(done * 100 / range);
}

QString progressCaption(int min, int max, int position) {
  return QString::number(progressPercent(min, max, position)) + "%";
}

int progressFillLength(int min, int max, int position, int clientWidth) {
  const std::int64_t full = std::max(clientWidth - 1, 0);
  if (min >= max || position <= min) return 0;
  if (position > max) return static_cast<int>(full);
  const std::int64_t done = std::int64_t{position} - min;
  const std::int64_t range = std::int64_t{max} - min;
  return static_cast<int>(done * full / range);
}

int busyStepPixels(int clientWidth) {
  return std::max(1, (clientWidth - 2) / 60);
}

Span busyFillSpan(int clientWidth, int step) {
  const int inside = clientWidth - 2;  // between the two border columns
  if (inside <= 0) return {};
  const int length = std::max(1, inside / 4);
  const int period = inside + length;
  const std::int64_t travelled = std::int64_t{std::max(step, 0)} * busyStepPixels(clientWidth);
  const int head = static_cast<int>(travelled % period);  // 0 .. period - 1: where the leading edge is
  const int begin = std::max(1, 1 + head - length);
  const int end = std::min(clientWidth - 1, 1 + head);
  return begin < end ? Span{begin, end} : Span{1, 1};
}

QSize checkMarkAutoSize(QSize image, int textHeight, int textWidth) {
  return {image.width() + textWidth + 8, std::max(textHeight + 2, image.height()) + 4};
}

QSize menuItemSize(const MenuMeasures& measures, bool separator, int textWidth, int textHeight,
                   int shortcutWidth) {
  if (separator) return {measures.barWidth, measures.separatorHeight};
  return {textWidth + shortcutWidth + measures.barWidth + 40, std::max(textHeight, measures.itemHeight)};
}

std::vector<FramePiece> stretchedFramePieces(QSize frame, QSize target) {
  std::vector<FramePiece> pieces;
  const int fw = frame.width(), fh = frame.height();
  const int w = target.width(), h = target.height();
  if (fw <= 0 || fh <= 0 || w <= 0 || h <= 0) return pieces;
  // The quarters as drawn: the left and top ones split at half the frame, each cut to half the target.
  const int left = std::min(fw / 2, w / 2), right = std::min(fw - fw / 2, w / 2);
  const int top = std::min(fh / 2, h / 2), bottom = std::min(fh - fh / 2, h / 2);
  // The central columns and rows the bands are stretched from.
  const int centreX = std::max(0, fw / 2 - 1), centreW = std::min(2, fw - centreX);
  const int centreY = std::max(0, fh / 2 - 1), centreH = std::min(2, fh - centreY);
  const int midW = w - left - right, midH = h - top - bottom;

  const auto add = [&](QRect source, QRect to) {
    if (!source.isEmpty() && !to.isEmpty()) pieces.push_back({source, to});
  };
  add({0, 0, left, top}, {0, 0, left, top});
  add({fw - right, 0, right, top}, {w - right, 0, right, top});
  add({0, fh - bottom, left, bottom}, {0, h - bottom, left, bottom});
  add({fw - right, fh - bottom, right, bottom}, {w - right, h - bottom, right, bottom});
  add({centreX, 0, centreW, top}, {left, 0, midW, top});
  add({centreX, fh - bottom, centreW, bottom}, {left, h - bottom, midW, bottom});
  add({0, centreY, left, centreH}, {0, top, left, midH});
  add({fw - right, centreY, right, centreH}, {w - right, top, right, midH});
  add({centreX, centreY, centreW, centreH}, {left, top, midW, midH});
  return pieces;
}

}  // namespace skin
