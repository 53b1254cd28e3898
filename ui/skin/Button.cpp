#include "ui/skin/Button.h"

#include "ui/skin/Measures.h"

#include <QEnterEvent>
#include <QPainter>

namespace skin {
namespace {

const QColor kDisabledText(0x80, 0x80, 0x80);
const QColor kFallbackEdge(0x68, 0x68, 0x68);

}  // namespace

Button::Button(const QString& text, QWidget* parent, UiStyle style)
    : QPushButton(text, parent), style_(style) {
  setAutoDefault(false);
}

void Button::setUiStyle(UiStyle style) {
  style_ = style;
  update();
}

int Button::currentFrame() const {
  return buttonFrame(isEnabled(), underMouse_, isDown());
}

void Button::enterEvent(QEnterEvent* event) {
  underMouse_ = true;
  update();
  QPushButton::enterEvent(event);
}

void Button::leaveEvent(QEvent* event) {
  underMouse_ = false;
  update();
  QPushButton::leaveEvent(event);
}

void Button::paintEvent(QPaintEvent*) {
  const QRect area = rect();
  if (area.isEmpty()) return;
  QPainter p(this);
  p.fillRect(area, palette().color(QPalette::Window));
  const QPixmap strip = themePicture(style_, ThemeEntryId::Button, paintScale(p));
  const bool pressed = isDown();
  if (!strip.isNull()) {
    drawStretchedFrame(p, area, stripFrame(strip, currentFrame(), 3));
  } else {
    // Without its picture the button is still a button: a plain face in a frame.
    p.fillRect(area.adjusted(1, 1, -1, -1), palette().color(pressed ? QPalette::Mid : QPalette::Button));
    drawBorder(p, area, kFallbackEdge);
  }

  if (hasFocus() && focusPolicy() != Qt::NoFocus) {
    const QRect focus = area.adjusted(kFocusMargin, kFocusMargin, -kFocusMargin - 1, -kFocusMargin - 1);
    if (focus.width() > 0 && focus.height() > 0) {
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(focus);
    }
  }

  const QString caption = text();
  if (caption.trimmed().isEmpty()) return;
  // The caption as a word-wrapped block, centred; one pixel right and down while pressed; embossed grey
  // when disabled.
  constexpr int kFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
  p.setFont(font());
  if (!isEnabled()) {
    p.setPen(Qt::white);
    p.drawText(area.translated(1, 1), kFlags, caption);
    p.setPen(kDisabledText);
    p.drawText(area, kFlags, caption);
    return;
  }
  p.setPen(Qt::black);  // the pictures are light in every style
  p.drawText(pressed ? area.translated(1, 1) : area, kFlags, caption);
}

}  // namespace skin
