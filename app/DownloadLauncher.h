// The one place where Start hands a request to the download window. The factory shows the window
// modally, owned by `owner`, and returns its modal result; tests put their own factory in its place.
#pragma once

#include "download/JobInput.h"

#include <functional>

class QWidget;

namespace app {

using DownloadWindowFactory = std::function<int(QWidget* owner, const download::JobInput& job)>;

// Shows the download window for `job` through the factory in use and returns the modal result.
int showDownloadWindow(QWidget* owner, const download::JobInput& job);

// Replaces the factory; an empty function goes back to the default one.
void setDownloadWindowFactory(DownloadWindowFactory factory);

// Puts a factory in place for the lifetime of this object, then restores the previous one.
class ScopedDownloadWindowFactory {
 public:
  explicit ScopedDownloadWindowFactory(DownloadWindowFactory factory);
  ~ScopedDownloadWindowFactory();
  ScopedDownloadWindowFactory(const ScopedDownloadWindowFactory&) = delete;
  ScopedDownloadWindowFactory& operator=(const ScopedDownloadWindowFactory&) = delete;

 private:
  DownloadWindowFactory previous_;
};

}  // namespace app
