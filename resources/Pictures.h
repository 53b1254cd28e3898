// The program's pictures, drawn in code at the screen's scale: the banner, the logo, the update and menu
// icons. Sizes are in pixels at scale 1 (QPixmap::deviceIndependentSize()).
#pragma once

#include <QPixmap>

namespace resources {

QPixmap bannerPicture(int width, int height);
QPixmap logoPicture();              // 48 x 34
QPixmap updatePicture();            // 32 x 32
QPixmap menuPicture(bool hovered);  // 32 x 32; the picture swaps under the mouse
// size x size (64 in the windows), drawn at that size: the desktop's icons come from it too.
QPixmap programIcon(int size = 64);

}  // namespace resources
