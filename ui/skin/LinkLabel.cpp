#include "ui/skin/LinkLabel.h"

#include <QEnterEvent>

namespace skin {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
  applyColour();
}

void LinkLabel::setLinkColours(const QColor& link, const QColor& hover) {
  linkColour_ = link;
  hoverColour_ = hover;
  applyColour();
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  applyColour();
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  hovered_ = false;
  applyColour();
  QLabel::leaveEvent(event);
}

void LinkLabel::applyColour() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, hovered_ && hoverColour_.isValid() ? hoverColour_ : linkColour_);
  setPalette(colours);
}

}  // namespace skin
