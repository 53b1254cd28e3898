#include "Paths.h"

#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

std::string settingsOverride;

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? home : "/tmp";
}

}  // namespace

std::string ExecutableDir() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return WithSlash(std::filesystem::current_path(ec).string());
  return WithSlash(exe.parent_path().string());
}

bool IsWritableDir(const std::string& dir) {
  return DirectoryExists(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

void SetSettingsFilePath(const std::string& path) {
  settingsOverride = path;
}

std::string SettingsFilePath() {
  if (!settingsOverride.empty()) return settingsOverride;
  const std::string exeDir = ExecutableDir();
  if (IsWritableDir(exeDir)) return exeDir + "settings.ini";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string config = xdg != nullptr && *xdg == '/' ? xdg : HomeDir() + "/.config";
  std::error_code ec;
  std::filesystem::create_directories(config + "/clipwave", ec);
  return config + "/clipwave/settings.ini";
}

std::string DefaultOutputDir() {
  const std::string exeDir = ExecutableDir();
  if (IsWritableDir(exeDir)) return exeDir;
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (!music.isEmpty() && IsWritableDir(music.toStdString())) return WithSlash(music.toStdString());
  return WithSlash(HomeDir());
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace platform
