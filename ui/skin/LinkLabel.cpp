#include "ui/skin/LinkLabel.h"

#include <QEnterEvent>

namespace skin {

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : ClickableLabel(parent, text) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
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
  ClickableLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  hovered_ = false;
  applyColour();
  ClickableLabel::leaveEvent(event);
}

void LinkLabel::applyColour() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, hovered_ && hoverColour_.isValid() ? hoverColour_ : linkColour_);
  setPalette(colours);
}

}  // namespace skin
