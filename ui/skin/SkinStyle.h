// What the skinned controls leave to Qt's style machinery, answered in their look: the pop-up menu's
// entries (measured and painted here, as owner-drawn entries), the password character "*", and a drop-down
// list that opens below its box in a plain frame.
#pragma once

#include "ui/skin/Measures.h"
#include "ui/skin/Theme.h"

#include <QProxyStyle>

namespace skin {

// The colours of a pop-up menu.
struct MenuColours {
  QColor background;
  QColor text;
  QColor bar;  // the side bar runs from bar to barTo
  QColor barTo;
  QColor separator;
  QColor selected;
  QColor selectedBorder;
  QColor selectedText;
  QColor disabledText;
};

MenuMeasures menuMeasures(UiStyle style);
MenuColours menuColours(UiStyle style);

class SkinStyle : public QProxyStyle {
 public:
  explicit SkinStyle(UiStyle uiStyle);

  UiStyle uiStyle() const { return uiStyle_; }

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  void fillMenuBar(const QRect& bar, QPainter* painter) const;
  void drawMenuPanel(const QRect& rect, QPainter* painter) const;
  void drawMenuItem(const QStyleOption* option, QPainter* painter) const;

  UiStyle uiStyle_;
  MenuMeasures measures_;
  MenuColours colours_;
};

// The one style object for a visual style, kept for the application's lifetime.
SkinStyle* skinStyle(UiStyle uiStyle);

}  // namespace skin
