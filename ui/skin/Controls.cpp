#include "ui/skin/Controls.h"

#include "ui/skin/SkinStyle.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>

namespace skin {
namespace {

template <typename W>
W* place(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

}  // namespace

QFont windowFont() {
  QFont font("Liberation Sans");
  font.setFamilies({"Liberation Sans", "WenQuanYi Micro Hei"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

Button* createButton(QWidget* parent, const QString& text, int left, int top, int width, int height) {
  return place(new Button(text, parent), left, top, width, height);
}

Edit* createEdit(QWidget* parent, int left, int top, int width, int height) {
  return place(new Edit(parent), left, top, width, height);
}

QLabel* createLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

LinkLabel* createLinkLabel(QWidget* parent, const QString& text, int left, int top, const QColor& link,
                           const QColor& hover) {
  auto* label = new LinkLabel(text, parent);
  label->setLinkColours(link, hover);
  label->move(left, top);
  label->adjustSize();
  return label;
}

RadioButton* createRadioButton(QWidget* parent, const QString& text, int left, int top) {
  auto* radio = new RadioButton(text, parent);
  radio->move(left, top);
  radio->resize(radio->sizeHint());
  return radio;
}

DropDownList* createDropDownList(QWidget* parent, int left, int top, int width, int height) {
  return place(new DropDownList(parent), left, top, width, height);
}

ProgressBar* createProgressBar(QWidget* parent, int left, int top, int width, int height) {
  return place(new ProgressBar(parent), left, top, width, height);
}

QMenu* createPopupMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setStyle(skinStyle(UiStyle::DeepBlue));
  return menu;
}

ShiftImage* createShiftImage(QWidget* parent, const QPixmap& picture, const QPixmap& focusedPicture, int left,
                             int top) {
  auto* image = new ShiftImage(picture, focusedPicture, parent);
  image->setGeometry(QRect(QPoint(left, top), picture.deviceIndependentSize().toSize()));
  return image;
}

QFrame* createPanel(QWidget* parent, int left, int top, int width, int height, bool lowered) {
  auto* panel = place(new QFrame(parent), left, top, width, height);
  if (lowered) {
    panel->setFrameShape(QFrame::HLine);
    panel->setFrameShadow(QFrame::Sunken);
  } else {
    panel->setFrameShape(QFrame::NoFrame);
  }
  return panel;
}

}  // namespace skin
