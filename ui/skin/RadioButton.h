// A radio button drawn from its style's radio strip, with the caption on one line beside the mark.
//
// Radio buttons of one parent with the same group index form a group: when one becomes checked, by a click
// or by the program, the others are unchecked, and then its clicked signal is emitted; so a program that
// checks an unchecked radio button runs its click handler as a click would (not before its window is first
// shown). A click on a checked radio button changes nothing.
#pragma once

#include "ui/skin/Theme.h"

#include <QRadioButton>

namespace skin {

class RadioButton : public QRadioButton {
  // Its class name is its own, which lets its accessibility interface replace the one Qt has for
  // QRadioButton.
  Q_OBJECT

 public:
  RadioButton(const QString& text, QWidget* parent, UiStyle style = UiStyle::WinXP);

  UiStyle uiStyle() const { return style_; }
  void setUiStyle(UiStyle style);
  int groupIndex() const { return groupIndex_; }
  void setGroupIndex(int index) { groupIndex_ = index; }
  // With auto-size on, the button takes its size hint whenever its font or style changes.
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on);
  // The frame of the strip that shows now (see checkMarkFrame).
  int currentFrame() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void nextCheckState() override;
  bool hitButton(const QPoint& pos) const override;
  void changeEvent(QEvent* event) override;

 private:
  void onToggled(bool checked);
  QSize markSize() const;

  UiStyle style_;
  int groupIndex_ = 0;
  bool autoSize_ = true;
  bool clicking_ = false;  // inside a click, which emits clicked itself
};

}  // namespace skin
