// Every control of the windows is created here, one function per kind, in the look of the windows: the
// WinXP style for the controls, DeepBlue for the pop-up menu.
#pragma once

#include "ui/skin/Button.h"
#include "ui/skin/DropDownList.h"
#include "ui/skin/Edit.h"
#include "ui/skin/LinkLabel.h"
#include "ui/skin/ProgressBar.h"
#include "ui/skin/RadioButton.h"
#include "ui/skin/ShiftImage.h"

#include <QFont>
#include <QString>

class QFrame;
class QLabel;
class QMenu;
class QPixmap;
class QWidget;

namespace skin {

// The windows' font: Liberation Sans, whose metrics the windows' positions were laid out for, at 11 pixels;
// characters it lacks (the full-width colon "：") come from WenQuanYi Micro Hei, then from whatever the
// system has.
QFont windowFont();

Button* createButton(QWidget* parent, const QString& text, int left, int top, int width, int height);
Edit* createEdit(QWidget* parent, int left, int top, int width, int height);
QLabel* createLabel(QWidget* parent, const QString& text, int left, int top);
// An underlined label in `link` colour that opens nothing by itself; the owner reacts to its click.
LinkLabel* createLinkLabel(QWidget* parent, const QString& text, int left, int top,
                           const QColor& link = Qt::blue, const QColor& hover = QColor());
// Auto-sized to its caption.
RadioButton* createRadioButton(QWidget* parent, const QString& text, int left, int top);
DropDownList* createDropDownList(QWidget* parent, int left, int top, int width, int height);
ProgressBar* createProgressBar(QWidget* parent, int left, int top, int width, int height);
// Its entries are measured and painted in the DeepBlue style.
QMenu* createPopupMenu(QWidget* parent);
// A picture that swaps to `focusedPicture` under the mouse and shifts while pressed.
ShiftImage* createShiftImage(QWidget* parent, const QPixmap& picture, const QPixmap& focusedPicture, int left,
                             int top);
// A panel without bevel, or a 2-pixel lowered line when `lowered` is set.
QFrame* createPanel(QWidget* parent, int left, int top, int width, int height, bool lowered = false);

}  // namespace skin
