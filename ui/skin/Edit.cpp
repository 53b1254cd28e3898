#include "ui/skin/Edit.h"

#include "ui/skin/SkinStyle.h"

#include <QPainter>

namespace skin {
namespace {

const QColor kFallbackBorder(0x68, 0x68, 0x68);

}  // namespace

Edit::Edit(QWidget* parent, UiStyle style) : QLineEdit(parent), style_(style) {
  setStyle(skinStyle(style));  // for the password character
  // The frame is ours: one pixel, with the text kept clear of it.
  setFrame(false);
  setTextMargins(2, 1, 2, 1);
}

void Edit::setUiStyle(UiStyle style) {
  style_ = style;
  setStyle(skinStyle(style));
  update();
}

QColor Edit::borderColour() const {
  return themeColour(style_, ThemeEntryId::Border, kFallbackBorder);
}

void Edit::paintEvent(QPaintEvent* event) {
  if (rect().isEmpty()) return;
  {
    QPainter p(this);
    p.fillRect(rect(), palette().color(isEnabled() ? QPalette::Base : QPalette::Window));
  }
  QLineEdit::paintEvent(event);
  QPainter p(this);
  drawBorder(p, rect(), borderColour());
}

}  // namespace skin
