// The program's pictures, drawn in code at the screen's scale: the banner, the logo, the update and menu
// icons. Sizes are in pixels at scale 1 (QPixmap::deviceIndependentSize()).
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

#include <future>

namespace resources {

inline constexpr QSize kLogoSize(48, 34);
inline constexpr QSize kUpdateSize(32, 32);

QPixmap bannerPicture(int width, int height);
QPixmap logoPicture();              // kLogoSize
QPixmap updatePicture();            // kUpdateSize
QPixmap menuPicture(bool hovered);  // 32 x 32; the picture swaps under the mouse
// size x size (64 in the windows), drawn at that size: the desktop's icons come from it too.
QPixmap programIcon(int size = 64);

// The pictures the main window shows from its start: the program's icon (64), the banner, the logo and
// the update arrow.
struct MainPictures {
  QImage icon, banner, logo, update;
};

// Draws the main window's pictures on a second thread, at the screen's scale, while the window builds its
// controls; get() on the result waits for them. Call after the application object exists.
std::future<MainPictures> drawMainPictures(QSize banner);

}  // namespace resources
