// The built-in visual styles of the skinned controls: for each style a row of numbered entries, each the
// name of a picture, a colour or a number, and the pictures themselves.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

#include <cstdint>

class QPainter;

namespace skin {

// In this order; the numbers are the styles' own.
enum class UiStyle { FromThemeFile = 0, MacOS = 1, WinXP = 2, DeepBlue = 3, Protein = 4, BlueGlass = 5 };

// The entry numbers the controls read.
enum class ThemeEntryId {
  Button = 1,               // picture: 3 frames (normal, under the mouse, pressed)
  CheckBox = 3,             // picture: 4 frames (see checkMarkFrame)
  RadioButton = 4,          // picture: 4 frames
  ComboButtonColour = 15,   // colour of a drawn drop-down button
  MenuSelectedBorder = 18,  // colour
  MenuSelected = 19,        // colour
  MenuSelectedText = 20,    // colour
  MenuBackground = 21,      // colour
  MenuText = 22,            // colour
  MenuBar = 23,             // colour of the menu's side bar
  ProgressFill = 24,        // picture
  Border = 25,              // colour of the edit, combo box and progress bar borders
  ProgressBackground = 26,  // colour
};

constexpr int kThemeEntryCount = 48;  // entries 1 to 48 in every row

struct ThemeEntry {
  enum class Kind { None, Picture, Colour, Number };
  Kind kind = Kind::None;
  QString picture;          // resource name, for Kind::Picture
  std::uint32_t value = 0;  // 0x00BBGGRR for Kind::Colour, else the number
};

// The entry of a style's row; Kind::None for FromThemeFile, for an entry number outside 1 to 48 and for the
// entries no control reads.
ThemeEntry themeEntry(UiStyle style, int entry);
inline ThemeEntry themeEntry(UiStyle style, ThemeEntryId entry) {
  return themeEntry(style, static_cast<int>(entry));
}

// A colour stored as 0x00BBGGRR.
QColor colourFromBgr(std::uint32_t bgr);
// The colour entry of a style, or `fallback` when that entry holds no colour.
QColor themeColour(UiStyle style, ThemeEntryId entry, const QColor& fallback);

// The picture with this resource name, at the device pixel ratio it is shown at (rounded up to a whole
// scale), magenta made transparent; a null pixmap when there is no such picture.
QPixmap themePicture(const QString& name, qreal devicePixelRatio);
// The picture entry of a style; a null pixmap when the style has none.
QPixmap themePicture(UiStyle style, ThemeEntryId entry, qreal devicePixelRatio);
// The picture of a combo box's drop-down button, which holds its own arrow: only MacOS and WinXP have
// one (an empty name for the others).
QString comboButtonPictureName(UiStyle style);

// Frame `frame` of `frames` (counted from 1) of a strip: the frame-th slice of width (strip width div
// frames), the last one taken from the strip's right edge. Frame numbers outside 1..frames are taken as
// the nearest frame; a null strip or fewer than one frame gives the strip unchanged.
QPixmap stripFrame(const QPixmap& strip, int frame, int frames);

// Draws `frame` over `target`: its four quarters unscaled into the corners (each cut to half the target),
// the bands between them stretched from the frame's central rows and columns. Nothing for an empty target
// or frame.
void drawStretchedFrame(QPainter& painter, const QRect& target, const QPixmap& frame);

// A one-pixel frame just inside `rect`, sharp at any scale.
void drawBorder(QPainter& painter, const QRect& rect, const QColor& colour);

// The device pixel ratio a painter paints with (the painted image's, which may differ from the widget's
// when a widget is rendered into an image).
qreal paintScale(const QPainter& painter);

}  // namespace skin
