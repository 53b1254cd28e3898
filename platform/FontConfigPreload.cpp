#include "platform/FontConfigPreload.h"

#include <fontconfig/fontconfig.h>

namespace platform {

// FcInit reads the configuration once per process; Qt's later call finds it done.
FontConfigPreload::FontConfigPreload() : reader_([] { FcInit(); }) {}

FontConfigPreload::~FontConfigPreload() {
  wait();
}

void FontConfigPreload::wait() {
  if (reader_.joinable()) reader_.join();
}

}  // namespace platform
