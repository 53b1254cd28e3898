// The program's pictures, drawn in code: the banner, the logo, the update and menu icons.
#pragma once

#include <QPixmap>

namespace resources {

QPixmap BannerPicture(int width, int height);
QPixmap LogoPicture();              // 48 x 34
QPixmap UpdatePicture();            // 32 x 32
QPixmap MenuPicture(bool hovered);  // 32 x 32; the picture swaps under the mouse
QPixmap ProgramIcon();              // 64 x 64

}  // namespace resources
