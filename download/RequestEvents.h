// The events of a download request's mailbox: the phases the request posts to itself, each run later
// from the message loop once the step that posted it has returned, and the conversion's progress records.
#pragma once

#include "convert/ConvertProgress.h"

#include <variant>

namespace download {

struct FetchPage {};
struct StartDownload {};
struct StartConvert {};
struct CloseWindow {};  // ends the request as the window's close box does (after a download-only run)

using RequestEvent =
    std::variant<FetchPage, StartDownload, StartConvert, CloseWindow, convert::ConvertProgress>;

}  // namespace download
