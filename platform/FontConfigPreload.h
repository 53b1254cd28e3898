// The system's font configuration read on a second thread while the program connects to the display.
#pragma once

#include <thread>

namespace platform {

// Reading the font configuration (its files and the caches of every installed font) takes a few
// milliseconds that the main window would otherwise spend at its first measured text, before it can show.
// Made before the application object, it does that work beside the display connection.
class FontConfigPreload {
 public:
  FontConfigPreload();
  ~FontConfigPreload();
  FontConfigPreload(const FontConfigPreload&) = delete;
  FontConfigPreload& operator=(const FontConfigPreload&) = delete;

  // Returns once the configuration is read. Call before the first text is measured: the library would
  // otherwise read it a second time rather than wait for this thread.
  void wait();

 private:
  std::thread reader_;
};

}  // namespace platform
