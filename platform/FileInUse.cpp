#include "platform/FileInUse.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace {

bool isNumber(const char* name) {
  if (*name == '\0') return false;
  for (; *name != '\0'; ++name) {
    if (*name < '0' || *name > '9') return false;
  }
  return true;
}

// True when one of the process's descriptors refers to the file with this device and inode.
bool processHolds(const std::string& pid, dev_t dev, ino_t ino) {
  const std::string fdDir = "/proc/" + pid + "/fd";
  DIR* dir = ::opendir(fdDir.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent* entry = ::readdir(dir)) {
    struct stat st {};
    if (!isNumber(entry->d_name)) continue;
    if (::stat((fdDir + "/" + entry->d_name).c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

bool canOpenForReadWrite(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool isHeldOpenByOtherProcess(const std::string& path) {
  struct stat target {};
  if (::stat(path.c_str(), &target) != 0) return false;
  const std::string self = std::to_string(::getpid());
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return false;
  bool held = false;
  while (dirent* entry = ::readdir(proc)) {
    if (!isNumber(entry->d_name) || self == entry->d_name) continue;
    if (processHolds(entry->d_name, target.st_dev, target.st_ino)) {
      held = true;
      break;
    }
  }
  ::closedir(proc);
  return held;
}

}  // namespace platform
