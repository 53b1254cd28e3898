// A single-line edit drawn as a plain edit and framed in its style's border colour. A password edit shows
// "*" for every character.
#pragma once

#include "ui/skin/Theme.h"

#include <QLineEdit>

namespace skin {

class Edit : public QLineEdit {
 public:
  explicit Edit(QWidget* parent, UiStyle style = UiStyle::WinXP);

  UiStyle uiStyle() const { return style_; }
  void setUiStyle(UiStyle style);
  QColor borderColour() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  UiStyle style_;
};

}  // namespace skin
