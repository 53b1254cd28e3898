#include "app/DownloadLauncher.h"

#include "app/MainWindow.h"
#include "download/DownloadWindow.h"
#include "platform/Dialogs.h"

#include <QLineEdit>

#include <utility>

namespace app {
namespace {

// The real download window, owned by the main window, reading its output folder; freed after its modal run.
int DefaultFactory(QWidget* owner, const download::ConversionRequest& request) {
  const std::string folder =
      mainWindow != nullptr ? mainWindow->outputFolderEdit->text().toStdString() : std::string();
  DownloadWindow window(owner, request, folder);
  return window.exec();
}

DownloadWindowFactory& Factory() {
  static DownloadWindowFactory factory = DefaultFactory;
  return factory;
}

}  // namespace

int ShowDownloadWindow(QWidget* owner, const download::ConversionRequest& request) {
  // A copy, so that a factory that replaces itself while its window runs stays alive meanwhile.
  const DownloadWindowFactory factory = Factory();
  return factory(owner, request);
}

void SetDownloadWindowFactory(DownloadWindowFactory factory) {
  Factory() = factory ? std::move(factory) : DownloadWindowFactory(DefaultFactory);
}

ScopedDownloadWindowFactory::ScopedDownloadWindowFactory(DownloadWindowFactory factory)
    : previous_(Factory()) {
  SetDownloadWindowFactory(std::move(factory));
}

ScopedDownloadWindowFactory::~ScopedDownloadWindowFactory() {
  SetDownloadWindowFactory(std::move(previous_));
}

}  // namespace app
