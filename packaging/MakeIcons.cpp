// Draws the program's picture at each size of the desktop's icon theme:
//   clipwave_make_icons OUTPUT_FOLDER NAME SIZE...
// writes OUTPUT_FOLDER/SIZExSIZE/apps/NAME.png for each size, the hicolor theme's layout.
#include "resources/Pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER NAME SIZE...\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");  // pictures only: no display needed
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0) {
      std::fprintf(stderr, "not a size: %s\n", argv[i]);
      return 2;
    }
    const QString apps = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
    const QString file = apps + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!QDir().mkpath(apps) || !resources::programIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
