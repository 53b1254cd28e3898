// The arithmetic of the skinned controls, apart from any widget: which frame of a strip shows, how long a
// progress bar's fill is and what its caption says, how big an auto-sized check mark control and a menu
// entry are, and how a button frame is cut up to fill a button of any size.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace skin {

// Button strip: frame 1 when normal or disabled, 2 while the mouse is over it, 3 while it is pressed.
int buttonFrame(bool enabled, bool underMouse, bool pressed);
// Check box and radio button strips: 1 checked, 2 unchecked, 3 checked and disabled, 4 unchecked and
// disabled.
int checkMarkFrame(bool checked, bool enabled);

// (position - min) / (max - min) * 100, truncated towards zero; 0 when min = max. Positions outside the range
// give percentages below 0 or above 100.
int progressPercent(int min, int max, int position);
// The caption a progress bar shows: the percentage followed by "%".
QString progressCaption(int min, int max, int position);
// The x where a horizontal progress bar's fill ends (the fill runs from x = 1 to there): 0 when min >= max
// or position <= min, clientWidth - 1 when position > max, else (position - min) / (max - min) *
// (clientWidth - 1) truncated. Never below 0.
int progressFillLength(int min, int max, int position, int clientWidth);

// The moving fill of a busy progress bar (one without a known end), as the span [begin, end) of x inside the
// border, for a bar `clientWidth` wide at animation step `step`: a quarter of the bar that enters on the
// left, crosses and leaves on the right, then starts again. Empty when the bar has no inside.
struct Span {
  int begin = 0;
  int end = 0;
};
Span busyFillSpan(int clientWidth, int step);
// How far the busy fill moves in one step, in pixels.
int busyStepPixels(int clientWidth);

// An auto-sized check box or radio button: height max(text height + 2, image height) + 4, width
// image width + text width + 8.
QSize checkMarkAutoSize(QSize image, int textHeight, int textWidth);

// The measures of a skinned pop-up menu.
struct MenuMeasures {
  int itemHeight = 21;
  int separatorHeight = 5;
  int barWidth = 26;
};
// A separator is separatorHeight high; any other entry max(text height, itemHeight) high and text width +
// shortcut width + barWidth + 40 wide.
QSize menuItemSize(const MenuMeasures& measures, bool separator, int textWidth, int textHeight,
                   int shortcutWidth);

// One piece of a stretched frame: the part of the frame and where it goes, both in pixels of the frame's
// own scale.
struct FramePiece {
  QRect source;
  QRect target;
};
// The pieces that draw a frame of size `frame` over a target of size `target`: the four quarters (split at
// half the frame's width and height) unscaled into the corners, each cut to at most half the target's
// width and height (keeping its outer edges), and the bands and the middle between them stretched from the
// frame's two central columns and rows. Only pieces with something to draw.
std::vector<FramePiece> stretchedFramePieces(QSize frame, QSize target);

}  // namespace skin
