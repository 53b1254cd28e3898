#include "ui/skin/ClickableLabel.h"

#include "ui/skin/Accessibility.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocumentFragment>

namespace skin {

ClickableLabel::ClickableLabel(QWidget* parent, const QString& text) : QLabel(text, parent) {
  installAccessibility();
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::activate(bool byKeyboard) {
  if (isEnabled()) emit clicked(byKeyboard);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    activate();
    event->accept();
    return;
  }
  QLabel::keyPressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) activate(false);
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus() || width() < 2 || height() < 2) return;
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

QString clickableLabelName(const ClickableLabel& label) {
  if (!label.accessibleName().isEmpty()) return label.accessibleName();
  QString name = label.text();
  if (Qt::mightBeRichText(name)) name = QTextDocumentFragment::fromHtml(name).toPlainText();
  name = name.trimmed();
  return name.isEmpty() ? label.toolTip() : name;
}

}  // namespace skin
