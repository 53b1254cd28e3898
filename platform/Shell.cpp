#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QString>
#include <QUrl>

namespace platform {

bool OpenFolder(const std::string& path) {
  if (path.empty()) return false;
  return QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
}

}  // namespace platform
