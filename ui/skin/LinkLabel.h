// An underlined label with a hand cursor, in its link colour, or its hover colour while the mouse is over
// it. Its owner reacts to its clicked signal (a click, Enter or Space while it has the focus); screen
// readers call it a link.
#pragma once

#include "ui/skin/ClickableLabel.h"

#include <QColor>

namespace skin {

class LinkLabel : public ClickableLabel {
  Q_OBJECT

 public:
  LinkLabel(const QString& text, QWidget* parent);

  QColor linkColour() const { return linkColour_; }
  QColor hoverColour() const { return hoverColour_; }
  // An invalid hover colour keeps the link colour under the mouse.
  void setLinkColours(const QColor& link, const QColor& hover = QColor());
  bool isHovered() const { return hovered_; }
  QAccessible::Role accessibleRole() const override { return QAccessible::Link; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void applyColour();

  QColor linkColour_ = Qt::blue;
  QColor hoverColour_;
  bool hovered_ = false;
};

}  // namespace skin
