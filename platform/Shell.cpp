#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QString>
#include <QUrl>

namespace platform {

bool openFolder(const std::string& path) {
  if (path.empty()) return false;
  return QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFileInfo(QString::fromStdString(path)).absoluteFilePath()));
}

bool openUrl(const std::string& address) {
  const QUrl url(QString::fromStdString(address).trimmed(), QUrl::StrictMode);
  return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}

}  // namespace platform
