// A label the user clicks, the base of the link label and of the shifting image: it takes the keyboard
// focus (Tab reaches it) and shows it with a dotted rectangle, and a click with the left button, Enter,
// Return or Space emits clicked (byKeyboard set for the keys and a screen reader's press). Screen readers see
// it through its own accessible interface: the role its kind gives, its text as its name (its tool tip when
// it shows a picture only), and a press action that clicks it.
#pragma once

#include <QAccessible>
#include <QLabel>

namespace skin {

class ClickableLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickableLabel(QWidget* parent, const QString& text = QString());

  // What a screen reader calls it: Link for a link label, ButtonMenu for the image that opens a menu.
  virtual QAccessible::Role accessibleRole() const = 0;
  // Clicks it, as the mouse, the keys and the screen reader's press action do (nothing while disabled).
  void activate(bool byKeyboard = true);

 signals:
  void clicked(bool byKeyboard);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

// The accessible name of a clickable label: its accessible name if set, else its text without markup, else
// its tool tip.
QString clickableLabelName(const ClickableLabel& label);

}  // namespace skin
