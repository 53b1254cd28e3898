#include "ui/skin/ProgressBar.h"

#include "ui/skin/Accessibility.h"

#include "ui/skin/Measures.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace skin {
namespace {

const QColor kFallbackBorder(0x68, 0x68, 0x68);
const QColor kFallbackFill(0x3C, 0xB3, 0x3C);

}  // namespace

ProgressBar::ProgressBar(QWidget* parent, UiStyle style) : QProgressBar(parent), style_(style) {
  setRange(0, 100);
  setTextVisible(true);
  installAccessibility();
}

void ProgressBar::setUiStyle(UiStyle style) {
  style_ = style;
  update();
}

void ProgressBar::setSmartShowCaption(bool on) {
  smartShowCaption_ = on;
  update();
}

void ProgressBar::setCaptionColour(const QColor& colour) {
  captionColour_ = colour;
  update();
}

void ProgressBar::setBusy(bool busy) {
  if (busy_ == busy) return;
  busy_ = busy;
  busyStep_ = 0;
  updateTimer();
  update();
}

void ProgressBar::advanceBusy() {
  // Wraps long before it could overflow: the fill's path repeats every (width + a quarter) steps or fewer.
  busyStep_ = busyStep_ == std::numeric_limits<int>::max() / 2 ? 0 : busyStep_ + 1;
  update();
}

QString ProgressBar::text() const {
  if (busy_) return {};
  return progressCaption(minimum(), maximum(), value());
}

void ProgressBar::updateTimer() {
  if (busy_ && isVisible()) {
    if (!timer_.isActive()) timer_.start(kBusyInterval, this);
  } else {
    timer_.stop();
  }
}

void ProgressBar::timerEvent(QTimerEvent* event) {
  if (event->timerId() == timer_.timerId()) {
    advanceBusy();
    return;
  }
  QProgressBar::timerEvent(event);
}

void ProgressBar::showEvent(QShowEvent* event) {
  QProgressBar::showEvent(event);
  updateTimer();
}

void ProgressBar::hideEvent(QHideEvent* event) {
  QProgressBar::hideEvent(event);
  updateTimer();
}

void ProgressBar::paintEvent(QPaintEvent*) {
  const int width = this->width(), height = this->height();
  if (width <= 0 || height <= 0) return;
  QPainter p(this);
  p.fillRect(rect(), themeColour(style_, ThemeEntryId::ProgressBackground, palette().color(QPalette::Base)));
  const QPixmap fill = themePicture(style_, ThemeEntryId::ProgressFill, paintScale(p));
  // The fill picture stretched over x = from .. to - 1, inside the border rows.
  const auto drawFill = [&](int from, int to) {
    const QRect part(from, 1, to - from, height - 2);
    if (part.isEmpty()) return;
    if (fill.isNull()) {
      p.fillRect(part, kFallbackFill);
    } else {
      p.drawPixmap(part, fill);
    }
  };
  if (busy_) {
    const Span span = busyFillSpan(width, busyStep_);
    drawFill(span.begin, span.end);
  } else {
    drawFill(1, std::max(progressFillLength(minimum(), maximum(), value(), width), 1));
    if (isTextVisible() && (!smartShowCaption_ || value() != minimum())) {
      p.setFont(font());
      p.setPen(captionColour_);
      p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    }
  }
  drawBorder(p, rect(), themeColour(style_, ThemeEntryId::Border, kFallbackBorder));
}

}  // namespace skin
