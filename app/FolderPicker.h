// The output folder picker of the main window.
#pragma once

#include <string>

namespace app {

// The folder picker, centred on the screen. A `folder` that does not exist is cleared first; on true it
// holds the chosen folder, on false it is left as it was after that. `root` is not supported and ignored.
bool selectFolder(const std::string& title, const std::string& root, std::string& folder);

}  // namespace app
