// The pictures of the skinned controls, drawn in code at the scale they are shown at (resources/README.md
// says how they are made). Each is a strip of equal frames side by side; the area around the drawing is
// magenta (0xFF00FF), which the controls treat as transparent.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace resources {

// The picture with this resource name ("WINXP_BUTTON" ...) drawn at `scale` device pixels per pixel (1 or
// more; its device pixel ratio is set to that scale), or a null image for a name that has no picture.
QImage drawThemePicture(const QString& name, int scale);

// Every name drawThemePicture draws.
QStringList themePictureNames();

}  // namespace resources
