// Where the program's files live.
#pragma once

#include <string>

namespace platform {

// The folder of the running executable, with a trailing '/'.
std::string executableDir();

// True when a file can be created in `dir`.
bool isWritableDir(const std::string& dir);

// The file name of the program's desktop entry, installed in share/applications: the reverse-DNS id that
// the software centres' metainfo and the notifications name too, with ".desktop".
inline constexpr const char* kDesktopEntryFile = "org.clipwave.Clipwave.desktop";

// True when the executable in `exeDir` (with a trailing '/') is an installed copy: it sits in a bin/ folder
// whose share/applications beside it holds the program's desktop entry.
bool isInstalledProgram(const std::string& exeDir);

// settings.ini beside the executable when that folder is writable and the program is not installed (a
// build folder, a portable copy), else $XDG_CONFIG_HOME/clipwave/settings.ini (~/.config when the variable
// is unset). An installed copy keeps its settings with the user even where it could write to its folder
// (the super-user's).
std::string settingsFilePath();

// Makes settingsFilePath return `path` (tests, portable copies); an empty path restores the rule above.
void setSettingsFilePath(const std::string& path);

// The default output folder, with a trailing '/': the user's music folder (the XDG music directory)
// when it exists and is writable, else the home folder.
std::string defaultOutputDir();

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);

}  // namespace platform
