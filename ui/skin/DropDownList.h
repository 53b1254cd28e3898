// A drop-down list (a combo box the user picks from, never types in): framed in its style's border colour
// with an inner frame in the box's colour, and a drop-down button that shows the style's button picture,
// or, for a style without one, the button colour, a separating line and a drawn arrow. The list that drops
// down is framed in the border colour.
#pragma once

#include "ui/skin/Theme.h"

#include <QComboBox>

namespace skin {

class DropDownList : public QComboBox {
 public:
  explicit DropDownList(QWidget* parent, UiStyle style = UiStyle::WinXP);

  UiStyle uiStyle() const { return style_; }
  void setUiStyle(UiStyle style);
  QColor borderColour() const;
  QColor buttonColour() const;
  QColor arrowColour() const { return arrowColour_; }
  void setArrowColour(const QColor& colour);
  // The drop-down button's place in the box.
  QRect buttonRect() const;

  static constexpr int kItemHeight = 13;  // each entry of the dropped-down list
  static constexpr int kButtonWidth = 17;

  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  UiStyle style_;
  QColor arrowColour_ = Qt::black;
};

}  // namespace skin
