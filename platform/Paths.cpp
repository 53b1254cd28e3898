#include "Paths.h"

#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::string withSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string settingsOverride;

std::string homeDir() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? home : "/tmp";
}

}  // namespace

std::string executableDir() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return withSlash(std::filesystem::current_path(ec).string());
  return withSlash(exe.parent_path().string());
}

bool isWritableDir(const std::string& dir) {
  return directoryExists(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

void setSettingsFilePath(const std::string& path) {
  settingsOverride = path;
}

bool isInstalledProgram(const std::string& exeDir) {
  const std::filesystem::path bin = std::filesystem::path(exeDir).parent_path();
  return bin.filename() == "bin" &&
         fileExists((bin.parent_path() / "share/applications" / kDesktopEntryFile).string());
}

std::string settingsFilePath() {
  if (!settingsOverride.empty()) return settingsOverride;
  const std::string exeDir = executableDir();
  if (isWritableDir(exeDir) && !isInstalledProgram(exeDir)) return exeDir + "settings.ini";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string config = xdg != nullptr && *xdg == '/' ? xdg : homeDir() + "/.config";
  std::error_code ec;
  std::filesystem::create_directories(config + "/clipwave", ec);
  return config + "/clipwave/settings.ini";
}

std::string defaultOutputDir() {
  // The music folder the user's XDG settings name (user-dirs.dirs; ~/Music when they name none).
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && isWritableDir(music.toStdString())) return withSlash(music.toStdString());
  return withSlash(homeDir());
}

bool directoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace platform
