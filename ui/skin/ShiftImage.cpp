#include "ui/skin/ShiftImage.h"

#include <QMouseEvent>

namespace skin {

ShiftImage::ShiftImage(const QPixmap& picture, const QPixmap& focusedPicture, QWidget* parent)
    : ClickableLabel(parent), picture_(picture), focusedPicture_(focusedPicture) {
  setPixmap(picture_);
}

void ShiftImage::enterEvent(QEnterEvent* event) {
  if (isEnabled() && !focusedPicture_.isNull()) setPixmap(focusedPicture_);
  ClickableLabel::enterEvent(event);
}

void ShiftImage::leaveEvent(QEvent* event) {
  if (isEnabled()) setPixmap(picture_);
  ClickableLabel::leaveEvent(event);
}

void ShiftImage::mousePressEvent(QMouseEvent* event) {
  if (isEnabled()) shift(true);
  ClickableLabel::mousePressEvent(event);
}

void ShiftImage::mouseReleaseEvent(QMouseEvent* event) {
  shift(false);
  ClickableLabel::mouseReleaseEvent(event);
}

void ShiftImage::shift(bool on) {
  if (shifted_ == on) return;
  shifted_ = on;
  const int by = on ? kShift : -kShift;
  move(pos() + QPoint(by, by));
}

}  // namespace skin
