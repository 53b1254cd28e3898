// A picture that answers the mouse: while enabled it shows its focused picture under the mouse and its
// normal one after the mouse leaves, and moves two pixels right and down while a mouse button is held on it.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace skin {

class ShiftImage : public QLabel {
 public:
  ShiftImage(const QPixmap& picture, const QPixmap& focusedPicture, QWidget* parent);

  bool isShifted() const { return shifted_; }

  static constexpr int kShift = 2;

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
