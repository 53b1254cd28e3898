// A picture that answers the mouse: while enabled it shows its focused picture under the mouse and its
// normal one after the mouse leaves, and moves two pixels right and down while a mouse button is held on it.
// Its owner reacts to its clicked signal (a click, Enter or Space while it has the focus); screen readers
// call it a menu button, named by its tool tip unless it is given an accessible name.
#pragma once

#include "ui/skin/ClickableLabel.h"

#include <QPixmap>

namespace skin {

class ShiftImage : public ClickableLabel {
  Q_OBJECT

 public:
  ShiftImage(const QPixmap& picture, const QPixmap& focusedPicture, QWidget* parent);

  bool isShifted() const { return shifted_; }

  static constexpr int kShift = 2;
  QAccessible::Role accessibleRole() const override { return QAccessible::ButtonMenu; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void shift(bool on);

  QPixmap picture_;
  QPixmap focusedPicture_;
  bool shifted_ = false;
};

}  // namespace skin
