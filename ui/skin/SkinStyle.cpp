#include "ui/skin/SkinStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QStyleOption>

#include <array>

namespace skin {
namespace {

constexpr int kMenuFrameWidth = 1;
constexpr int kMenuVerticalMargin = 2;
constexpr int kMenuTextLeft = 4;        // the caption starts this far right of the side bar
constexpr int kMenuShortcutRight = 16;  // a shortcut text ends this far left of the right edge
constexpr int kMenuMarkLeft = 4;        // check marks and images: x and distance from the entry's top
constexpr int kMenuMarkTop = 3;
constexpr int kMenuMarkSize = 16;

bool isMenu(const QWidget* widget) {
  return qobject_cast<const QMenu*>(widget) != nullptr;
}

}  // namespace

MenuMeasures menuMeasures(UiStyle style) {
  if (style == UiStyle::MacOS) return {20, 12, 26};
  return {21, 5, 26};
}

MenuColours menuColours(UiStyle style) {
  // Styles without colours of their own take the WinXP ones.
  const auto colour = [style](ThemeEntryId entry) {
    return themeColour(style, entry, themeColour(UiStyle::WinXP, entry, Qt::black));
  };
  MenuColours colours;
  colours.background = colour(ThemeEntryId::MenuBackground);
  colours.text = colour(ThemeEntryId::MenuText);
  colours.bar = colour(ThemeEntryId::MenuBar);
  colours.barTo = colours.bar;
  colours.separator = style == UiStyle::MacOS ? QColor(Qt::black) : colourFromBgr(8684164);
  colours.selected = colour(ThemeEntryId::MenuSelected);
  colours.selectedBorder = colour(ThemeEntryId::MenuSelectedBorder);
  colours.selectedText = colour(ThemeEntryId::MenuSelectedText);
  colours.disabledText = QColor(0x80, 0x80, 0x80);
  return colours;
}

SkinStyle::SkinStyle(UiStyle uiStyle)
    : uiStyle_(uiStyle), measures_(menuMeasures(uiStyle)), colours_(menuColours(uiStyle)) {}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_LineEdit_PasswordCharacter:
      return '*';
    case SH_ComboBox_Popup:
      return 0;  // the list drops down below the box
    case SH_ComboBox_PopupFrameStyle:
      return QFrame::Box | QFrame::Plain;
    default:
      return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
}

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth:
      return kMenuFrameWidth;
    case PM_MenuHMargin:
      return 0;
    case PM_MenuVMargin:
      return kMenuVerticalMargin;
    case PM_DefaultFrameWidth:
      // The dropped-down list of a combo box takes its frame width from here.
      if (qobject_cast<const QComboBox*>(widget) != nullptr) return 1;
      break;
    default:
      break;
  }
  return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (type != CT_MenuItem || item == nullptr || !isMenu(widget))
    return QProxyStyle::sizeFromContents(type, option, size, widget);
  if (item->menuItemType == QStyleOptionMenuItem::Separator) return menuItemSize(measures_, true, 0, 0, 0);
  QFont font = item->font;
  font.setBold(item->menuItemType == QStyleOptionMenuItem::DefaultItem);
  const QFontMetrics metrics(font);
  const QString caption = item->text.section('\t', 0, 0);
  const int textWidth = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption).width();
  // The menu adds the width of its widest shortcut text to every entry itself.
  return menuItemSize(measures_, false, textWidth, metrics.height(), 0);
}

// The menu's side bar: its colour, or a gradient from it to its second colour.
void SkinStyle::fillMenuBar(const QRect& bar, QPainter* painter) const {
  if (colours_.bar == colours_.barTo) {
    painter->fillRect(bar, colours_.bar);
  } else {
    QLinearGradient gradient(bar.left(), 0, bar.right() + 1, 0);
    gradient.setColorAt(0, colours_.bar);
    gradient.setColorAt(1, colours_.barTo);
    painter->fillRect(bar, gradient);
  }
}

void SkinStyle::drawMenuPanel(const QRect& rect, QPainter* painter) const {
  painter->fillRect(rect, colours_.background);
  fillMenuBar(QRect(rect.left() + kMenuFrameWidth, rect.top(), measures_.barWidth, rect.height()), painter);
}

void SkinStyle::drawMenuItem(const QStyleOption* option, QPainter* painter) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const QRect r = item->rect;
  if (r.isEmpty()) return;
  const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
  const bool enabled = item->state & State_Enabled;
  const bool highlighted = !separator && enabled && (item->state & State_Selected);
  painter->save();
  if (highlighted) {
    painter->fillRect(r, colours_.selected);
    drawBorder(*painter, r, colours_.selectedBorder);
  } else {
    fillMenuBar(QRect(r.left(), r.top(), measures_.barWidth, r.height()), painter);
    painter->fillRect(r.adjusted(measures_.barWidth, 0, 0, 0), colours_.background);
    if (separator) {
      painter->fillRect(QRect(r.left() + measures_.barWidth + 2, r.top() + r.height() / 2,
                              r.width() - measures_.barWidth - 4, 1),
                        colours_.separator);
    }
  }
  if (separator) {
    painter->restore();
    return;
  }

  const QColor ink = !enabled ? colours_.disabledText : highlighted ? colours_.selectedText : colours_.text;
  QFont font = item->font;
  font.setBold(item->menuItemType == QStyleOptionMenuItem::DefaultItem);
  painter->setFont(font);
  painter->setPen(ink);
  const QString caption = item->text.section('\t', 0, 0);
  const QString shortcut = item->text.section('\t', 1);
  const int textLeft = measures_.barWidth + kMenuTextLeft;
  painter->drawText(QRect(r.left() + textLeft, r.top(), r.width() - textLeft, r.height()),
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
  if (!shortcut.isEmpty()) {
    painter->drawText(QRect(r.left(), r.top(), r.width() - kMenuShortcutRight, r.height()),
                      Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shortcut);
  }

  const QRect mark(r.left() + kMenuMarkLeft, r.top() + kMenuMarkTop, kMenuMarkSize, kMenuMarkSize);
  if (!item->icon.isNull()) {
    item->icon.paint(painter, mark, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
  } else if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath tick;
    tick.moveTo(mark.left() + 4, mark.top() + 8);
    tick.lineTo(mark.left() + 7, mark.top() + 11);
    tick.lineTo(mark.left() + 12, mark.top() + 5);
    painter->setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->drawPath(tick);
  }
  if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
    const int x = r.right() - 8, y = r.center().y();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(ink);
    painter->drawPolygon(QPolygonF({QPointF(x - 2, y - 4), QPointF(x + 2, y), QPointF(x - 2, y + 4)}));
  }
  painter->restore();
}

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
  if (isMenu(widget) && qstyleoption_cast<const QStyleOptionMenuItem*>(option) != nullptr) {
    if (element == CE_MenuItem) {
      drawMenuItem(option, painter);
      return;
    }
    if (element == CE_MenuEmptyArea) {
      drawMenuPanel(option->rect, painter);
      return;
    }
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
  if (isMenu(widget) && element == PE_PanelMenu) {
    drawMenuPanel(option->rect, painter);
    return;
  }
  if (isMenu(widget) && element == PE_FrameMenu) {
    drawBorder(*painter, option->rect, colours_.separator);
    return;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

SkinStyle* skinStyle(UiStyle uiStyle) {
  static std::array<QPointer<SkinStyle>, 6> styles;
  QPointer<SkinStyle>& style = styles.at(static_cast<std::size_t>(uiStyle));
  if (style.isNull()) {
    style = new SkinStyle(uiStyle);
    style->setParent(QCoreApplication::instance());  // ends with the application, after its windows
  }
  return style;
}

}  // namespace skin
