// Opening things with the desktop's own programs.
#pragma once

#include <string>

namespace platform {

// Opens the folder in the desktop's file browser. False when it could not be handed over.
bool openFolder(const std::string& path);

// Opens a web address in the user's default browser. False when it could not be handed over.
bool openUrl(const std::string& address);

}  // namespace platform
