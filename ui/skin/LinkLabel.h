// An underlined label with a hand cursor, in its link colour, or its hover colour while the mouse is over
// it. Its owner reacts to the click.
#pragma once

#include <QColor>
#include <QLabel>

namespace skin {

class LinkLabel : public QLabel {
 public:
  LinkLabel(const QString& text, QWidget* parent);

  QColor linkColour() const { return linkColour_; }
  QColor hoverColour() const { return hoverColour_; }
  // An invalid hover colour keeps the link colour under the mouse.
  void setLinkColours(const QColor& link, const QColor& hover = QColor());
  bool isHovered() const { return hovered_; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void applyColour();

  QColor linkColour_ = Qt::blue;
  QColor hoverColour_;
  bool hovered_ = false;
};

}  // namespace skin
