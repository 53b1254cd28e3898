#include "ui/skin/DropDownList.h"

#include "ui/skin/SkinStyle.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace skin {
namespace {

const QColor kFallbackBorder(0x68, 0x68, 0x68);
const QColor kFallbackButton(0xEF, 0xEB, 0xDE);
const QColor kDisabledText(0x80, 0x80, 0x80);

// Entries of one fixed height in the dropped-down list.
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
  }

 private:
  int height_;
};

}  // namespace

DropDownList::DropDownList(QWidget* parent, UiStyle style) : QComboBox(parent), style_(style) {
  setEditable(false);
  setStyle(skinStyle(style));
  view()->setItemDelegate(new FixedHeightDelegate(kItemHeight, view()));
}

void DropDownList::setUiStyle(UiStyle style) {
  style_ = style;
  setStyle(skinStyle(style));
  update();
}

void DropDownList::setArrowColour(const QColor& colour) {
  arrowColour_ = colour;
  update();
}

QColor DropDownList::borderColour() const {
  return themeColour(style_, ThemeEntryId::Border, kFallbackBorder);
}

QColor DropDownList::buttonColour() const {
  return themeColour(style_, ThemeEntryId::ComboButtonColour, kFallbackButton);
}

QRect DropDownList::buttonRect() const {
  // Inside the border and the inner frame, at the right end.
  const int width = std::clamp(kButtonWidth, 0, std::max(0, this->width() - 4));
  return {this->width() - 2 - width, 2, width, std::max(0, height() - 4)};
}

void DropDownList::showPopup() {
  QComboBox::showPopup();
  // The list's window: a plain frame in the border colour.
  if (QWidget* frame = view()->parentWidget()) {
    QPalette palette = frame->palette();
    palette.setColor(QPalette::WindowText, borderColour());
    frame->setPalette(palette);
  }
}

void DropDownList::paintEvent(QPaintEvent*) {
  const QRect area = rect();
  if (area.isEmpty()) return;
  QPainter p(this);
  const QColor face = palette().color(isEnabled() ? QPalette::Base : QPalette::Window);
  p.fillRect(area, face);
  drawBorder(p, area, borderColour());

  const QRect button = buttonRect();
  if (!button.isEmpty()) {
    const QPixmap picture = themePicture(comboButtonPictureName(style_), paintScale(p));
    if (!picture.isNull()) {
      p.drawPixmap(button, picture);
    } else {
      p.fillRect(button, buttonColour());
      p.fillRect(QRect(button.left() - 1, button.top(), 1, button.height()), borderColour());
      const QPointF centre = QRectF(button).center();
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(Qt::NoPen);
      p.setBrush(isEnabled() ? arrowColour_ : kDisabledText);
      p.drawPolygon(
          QPolygonF({centre + QPointF(-3.5, -1.5), centre + QPointF(3.5, -1.5), centre + QPointF(0, 2)}));
      p.setRenderHint(QPainter::Antialiasing, false);
    }
  }

  // The chosen entry; highlighted while the box has the focus, as a list box's selection is.
  const QRect textArea(3, 3, std::max(0, button.left() - 1 - 3 - 1), std::max(0, area.height() - 6));
  if (textArea.isEmpty()) return;
  QColor ink = isEnabled() ? palette().color(QPalette::Text) : kDisabledText;
  if (hasFocus() && isEnabled()) {
    p.fillRect(textArea, palette().color(QPalette::Highlight));
    ink = palette().color(QPalette::HighlightedText);
  }
  p.setFont(font());
  p.setPen(ink);
  const QRect textRect = textArea.adjusted(1, 0, -1, 0);
  p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
             fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect.width()));
}

}  // namespace skin
