// Where the program's files live.
#pragma once

#include <string>

namespace platform {

// The folder of the running executable, with a trailing '/'.
std::string executableDir();

// True when a file can be created in `dir`.
bool isWritableDir(const std::string& dir);

// settings.ini beside the executable when that folder is writable, else
// $XDG_CONFIG_HOME/clipwave/settings.ini (~/.config when the variable is unset).
std::string settingsFilePath();

// Makes settingsFilePath return `path` (tests, portable copies); an empty path restores the rule above.
void setSettingsFilePath(const std::string& path);

// The default output folder, with a trailing '/': the executable's folder when writable, else the
// user's music folder, else the home folder.
std::string defaultOutputDir();

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace platform
