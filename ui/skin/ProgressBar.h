// A horizontal progress bar drawn in its style: the fill picture stretched over the part done, the rest in
// the background colour, the percentage centred on it, a one-pixel border.
//
// Busy: for work without a known end (a download whose length was not announced) the bar shows no caption
// and a short fill that keeps crossing it.
#pragma once

#include "ui/skin/Theme.h"

#include <QBasicTimer>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace skin {

class ProgressBar : public QProgressBar {
  // Its class name is its own, which lets its accessibility interface replace the one Qt has for
  // QProgressBar.
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent, UiStyle style = UiStyle::WinXP);

  UiStyle uiStyle() const { return style_; }
  void setUiStyle(UiStyle style);
  // Only when the position differs from the minimum, if set (off by default).
  bool smartShowCaption() const { return smartShowCaption_; }
  void setSmartShowCaption(bool on);
  QColor captionColour() const { return captionColour_; }
  void setCaptionColour(const QColor& colour);

  bool isBusy() const { return busy_; }
  void setBusy(bool busy);
  int busyStep() const { return busyStep_; }
  // Moves the busy fill one step on (the bar's own timer calls this while it is busy and shown).
  void advanceBusy();

  // The label whose text names the bar for screen readers (the words shown next to it), without making the
  // bar its buddy, which would take an "&" in its text for a shortcut mark. Without one, and without an
  // accessible name, the bar is named by the label whose buddy it is or by its group box's title.
  const QLabel* nameLabel() const { return nameLabel_; }
  void setNameLabel(const QLabel* label) { nameLabel_ = label; }

  // The caption: the percentage the position stands at; empty while busy.
  QString text() const override;

  static constexpr int kBusyInterval = 40;  // milliseconds between two steps of the busy fill

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void updateTimer();

  UiStyle style_;
  bool smartShowCaption_ = false;
  QColor captionColour_ = Qt::black;
  bool busy_ = false;
  int busyStep_ = 0;
  QBasicTimer timer_;
  QPointer<const QLabel> nameLabel_;
};

}  // namespace skin
