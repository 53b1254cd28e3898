// Every control of the windows is created here, one function per kind, so that the look of each kind
// can be switched in one place. The controls are plain Qt widgets for now.
#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace skin {

QPushButton* createButton(QWidget* parent, const QString& text, int left, int top, int width, int height);
QLineEdit* createEdit(QWidget* parent, int left, int top, int width, int height);
QLabel* createLabel(QWidget* parent, const QString& text, int left, int top);
// An underlined label that opens nothing by itself; the owner reacts to its click.
QLabel* createLinkLabel(QWidget* parent, const QString& text, int left, int top);
QRadioButton* createRadioButton(QWidget* parent, const QString& text, int left, int top, int width);
QComboBox* createDropDownList(QWidget* parent, int left, int top, int width, int height);
QProgressBar* createProgressBar(QWidget* parent, int left, int top, int width, int height);
// A panel without bevel, or a 2-pixel lowered line when `lowered` is set.
QFrame* createPanel(QWidget* parent, int left, int top, int width, int height, bool lowered = false);

}  // namespace skin
