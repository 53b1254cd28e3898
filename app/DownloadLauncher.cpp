#include "app/DownloadLauncher.h"

#include "platform/Dialogs.h"

#include <utility>

namespace app {
namespace {

// Until the download window is built in, a request is closed at once as if cancelled.
int DefaultFactory(QWidget* /*owner*/, const download::ConversionRequest& /*request*/) {
  return platform::mrCancel;
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
