#include "ui/skin/Controls.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace skin {
namespace {

// Edit and list borders in the window's frame colour.
const char* kBorderStyle = "border: 1px solid #686868;";

template <typename W>
W* place(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

}  // namespace

QPushButton* createButton(QWidget* parent, const QString& text, int left, int top, int width, int height) {
  auto* button = place(new QPushButton(text, parent), left, top, width, height);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* createEdit(QWidget* parent, int left, int top, int width, int height) {
  auto* edit = place(new QLineEdit(parent), left, top, width, height);
  edit->setStyleSheet(QString("QLineEdit { %1 padding: 0 2px; }").arg(kBorderStyle));
  return edit;
}

QLabel* createLabel(QWidget* parent, const QString& text, int left, int top) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLabel* createLinkLabel(QWidget* parent, const QString& text, int left, int top) {
  QLabel* label = createLabel(parent, text, left, top);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  label->adjustSize();
  label->setCursor(Qt::PointingHandCursor);
  return label;
}

QRadioButton* createRadioButton(QWidget* parent, const QString& text, int left, int top, int width) {
  auto* radio = new QRadioButton(text, parent);
  radio->adjustSize();
  return place(radio, left, top, width, radio->height());
}

QComboBox* createDropDownList(QWidget* parent, int left, int top, int width, int height) {
  auto* combo = place(new QComboBox(parent), left, top, width, height);
  combo->setEditable(false);
  return combo;
}

QProgressBar* createProgressBar(QWidget* parent, int left, int top, int width, int height) {
  auto* bar = place(new QProgressBar(parent), left, top, width, height);
  bar->setRange(0, 100);
  bar->setTextVisible(false);
  return bar;
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
