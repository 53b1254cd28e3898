// The private messages the download window posts to itself. ConvertMessage::Progress (0x1606) comes from
// the conversion object and MainWindowMessage::ShowInstance (0x1604) goes to the main window.
#pragma once

#include <cstdint>

namespace download {

struct RequestMessage {
  enum : std::uint32_t {
    StartDownload = 0x1601,
    FetchPage = 0x1605,
    StartConvert = 0x1607,
    // The standard close message, which the request posts to itself after a download-only run.
    Close = 0x0010,
  };
};

}  // namespace download
