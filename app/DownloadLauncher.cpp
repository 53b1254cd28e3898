#include "app/DownloadLauncher.h"

#include "app/DownloadWindow.h"
#include "platform/Dialogs.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Strings.h"

#include <utility>

namespace app {
namespace {

// The real download window, owned by the main window; freed after its modal run. A page address first loads
// the web engine's module; without it the user is told why no page can be loaded, and no window opens.
int defaultFactory(QWidget* owner, const download::JobInput& job) {
  if (job.mode != download::RequestMode::ConvertLocalFile && !platform::loadWebEngineModule()) {
    platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title),
                                          platform::webEngineMissingMessage(), platform::DialogIcon::Error,
                                          platform::DialogButtons::Ok);
    return platform::ModalResult::Cancel;
  }
  DownloadWindow window(owner, job);
  return window.exec();
}

DownloadWindowFactory& currentFactory() {
  static DownloadWindowFactory factory = defaultFactory;
  return factory;
}

}  // namespace

int showDownloadWindow(QWidget* owner, const download::JobInput& job) {
  // A copy, so that a factory that replaces itself while its window runs stays alive meanwhile.
  const DownloadWindowFactory factory = currentFactory();
  return factory(owner, job);
}

void setDownloadWindowFactory(DownloadWindowFactory factory) {
  currentFactory() = factory ? std::move(factory) : DownloadWindowFactory(defaultFactory);
}

ScopedDownloadWindowFactory::ScopedDownloadWindowFactory(DownloadWindowFactory factory)
    : previous_(currentFactory()) {
  setDownloadWindowFactory(std::move(factory));
}

ScopedDownloadWindowFactory::~ScopedDownloadWindowFactory() {
  setDownloadWindowFactory(std::move(previous_));
}

}  // namespace app
