// A push button drawn from its style's button strip: the frame stretched to the button's size, the caption
// centred on it.
#pragma once

#include "ui/skin/Theme.h"

#include <QPushButton>

namespace skin {

class Button : public QPushButton {
 public:
  Button(const QString& text, QWidget* parent, UiStyle style = UiStyle::WinXP);

  UiStyle uiStyle() const { return style_; }
  void setUiStyle(UiStyle style);
  // The frame of the strip that shows now (see buttonFrame).
  int currentFrame() const;

  static constexpr int kFocusMargin = 2;  // the focus rectangle's distance from the edge

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  UiStyle style_;
  bool underMouse_ = false;
};

}  // namespace skin
