#include "ui/skin/RadioButton.h"

#include "ui/skin/Accessibility.h"

#include "ui/skin/Measures.h"

#include <QEvent>
#include <QPainter>

namespace skin {
namespace {

const QColor kDisabledText(0x80, 0x80, 0x80);
const QColor kFallbackEdge(0x1C, 0x51, 0x80);
constexpr int kMarkFrames = 4;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;

}  // namespace

RadioButton::RadioButton(const QString& text, QWidget* parent, UiStyle style)
    : QRadioButton(text, parent), style_(style) {
  // The group rule below replaces Qt's own exclusive groups.
  setAutoExclusive(false);
  installAccessibility();  // Qt would call a radio button outside its exclusive groups a check box
  connect(this, &QAbstractButton::toggled, this, [this](bool checked) { onToggled(checked); });
}

void RadioButton::setUiStyle(UiStyle style) {
  style_ = style;
  if (autoSize_) resize(sizeHint());
  update();
}

void RadioButton::setAutoSize(bool on) {
  autoSize_ = on;
  if (on) resize(sizeHint());
}

int RadioButton::currentFrame() const {
  return checkMarkFrame(isChecked(), isEnabled());
}

QSize RadioButton::markSize() const {
  const QPixmap strip = themePicture(style_, ThemeEntryId::RadioButton, 1.0);
  if (strip.isNull()) return {13, 13};
  return {strip.width() / kMarkFrames, strip.height()};
}

QSize RadioButton::sizeHint() const {
  const QFontMetrics metrics(font());
  const int textWidth = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text()).width();
  return checkMarkAutoSize(markSize(), metrics.height(), textWidth);
}

void RadioButton::changeEvent(QEvent* event) {
  QRadioButton::changeEvent(event);
  if (autoSize_ && event->type() == QEvent::FontChange) resize(sizeHint());
}

bool RadioButton::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

void RadioButton::nextCheckState() {
  if (isChecked()) return;  // a click on the checked button changes nothing
  clicking_ = true;
  setChecked(true);
  clicking_ = false;
}

void RadioButton::onToggled(bool checked) {
  if (!checked) return;
  if (QWidget* parent = parentWidget()) {
    for (RadioButton* other : parent->findChildren<RadioButton*>(Qt::FindDirectChildrenOnly)) {
      if (other != this && other->groupIndex_ == groupIndex_) other->setChecked(false);
    }
  }
  // A click emits clicked by itself once the state has changed; a change by the program does it here,
  // except while the window is still being built.
  if (!clicking_ && window()->isVisible()) emit clicked(true);
}

void RadioButton::paintEvent(QPaintEvent*) {
  const QRect area = rect();
  if (area.isEmpty()) return;
  QPainter p(this);
  p.fillRect(area, palette().color(QPalette::Window));
  const QSize mark = markSize();
  const QRect markRect(1, (area.height() - mark.height()) / 2, mark.width(), mark.height());
  const QPixmap strip = themePicture(style_, ThemeEntryId::RadioButton, paintScale(p));
  if (!strip.isNull()) {
    p.drawPixmap(markRect.topLeft(), stripFrame(strip, currentFrame(), kMarkFrames));
  } else {
    // Without its picture: a plain ring, with a dot when checked.
    p.setRenderHint(QPainter::Antialiasing);
    const QColor edge = isEnabled() ? kFallbackEdge : kDisabledText;
    p.setPen(QPen(edge, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(markRect).adjusted(0.5, 0.5, -0.5, -0.5));
    if (isChecked()) {
      p.setPen(Qt::NoPen);
      p.setBrush(edge);
      p.drawEllipse(QRectF(markRect).center(), mark.width() / 5.0, mark.height() / 5.0);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
  }

  const QString caption = text();
  const QRect textArea(mark.width() + 4, 0, area.width() - mark.width() - 4, area.height());
  if (caption.isEmpty() || textArea.width() <= 0) return;
  p.setFont(font());
  if (isEnabled()) {
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(textArea, kTextFlags, caption);
  } else {
    p.setPen(Qt::white);
    p.drawText(textArea.translated(1, 1), kTextFlags, caption);
    p.setPen(kDisabledText);
    p.drawText(textArea, kTextFlags, caption);
  }
  if (hasFocus()) {
    const QRect used = p.boundingRect(textArea, kTextFlags, caption).adjusted(-1, 0, 1, 0) & area;
    p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(used.adjusted(0, 0, -1, -1));
  }
}

}  // namespace skin
