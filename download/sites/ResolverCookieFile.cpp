#include "download/sites/ResolverCookieFile.h"

#include "common/Text.h"
#include "download/StreamCookies.h"
#include "resources/Translations.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace download {
namespace {

const char* const kFolderPrefix = "clipwave-resolver-";

bool isIpAddress(const std::string& host) {
  unsigned char buffer[16];
  std::string bare = host;
  if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
  return ::inet_pton(AF_INET, bare.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, bare.c_str(), buffer) == 1;
}

// The host without a port ("127.0.0.1:8080" -> "127.0.0.1"; "[::1]:80" -> "[::1]"), lower case.
std::string bareHost(const std::string& host) {
  std::string name = common::lowerAscii(host);
  if (!name.empty() && name.front() == '[') {
    const std::size_t close = name.find(']');
    return close == std::string::npos ? name : name.substr(0, close + 1);
  }
  const std::size_t colon = name.find(':');
  if (colon != std::string::npos && name.find(':', colon + 1) == std::string::npos) name.resize(colon);
  while (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

bool fitsTheFile(const std::string& text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
  });
}

// Removes what a cookie folder holds (the resolver may have written its cookies back beside ours) and the
// folder itself. Only plain entries are expected; nothing is followed.
void removeFolder(const std::string& folder) {
  if (folder.empty()) return;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
  }
  ::rmdir(folder.c_str());
}

}  // namespace

std::string registrableDomain(const std::string& host) {
  const std::string name = bareHost(host);
  if (name.empty() || isIpAddress(name) || name.find('.') == std::string::npos) return name;
  // From the last label towards the first: the first suffix that is no public suffix is the domain.
  std::size_t from = name.size();
  while (from > 0) {
    const std::size_t dot = name.rfind('.', from - 1 == 0 ? 0 : from - 2);
    from = dot == std::string::npos ? 0 : dot + 1;
    const std::string suffix = name.substr(from);
    if (!isPublicSuffix(suffix)) return suffix;
  }
  return name;
}

std::vector<platform::BrowserCookie> cookiesForResolver(const std::vector<platform::BrowserCookie>& cookies,
                                                        const std::string& host, std::int64_t now) {
  const std::string domain = registrableDomain(host);
  const bool ip = isIpAddress(domain);
  std::vector<platform::BrowserCookie> chosen;
  if (domain.empty()) return chosen;
  for (const platform::BrowserCookie& cookie : cookies) {
    if (cookie.expires != -1 && cookie.expires <= now) continue;
    if (cookie.name.empty() || !fitsTheFile(cookie.name) || !fitsTheFile(cookie.value)) continue;
    std::string own = common::lowerAscii(cookie.domain);
    if (!own.empty() && own.front() == '.') own.erase(0, 1);
    if (own.empty() || !fitsTheFile(own) || !fitsTheFile(cookie.path)) continue;
    const bool within =
        own == domain || (!ip && own.size() > domain.size() &&
                          own.compare(own.size() - domain.size(), domain.size(), domain) == 0 &&
                          own[own.size() - domain.size() - 1] == '.');
    if (within) chosen.push_back(cookie);
  }
  return chosen;
}

std::string netscapeCookieText(const std::vector<platform::BrowserCookie>& cookies) {
  std::string text = "# Netscape HTTP Cookie File\n";
  for (const platform::BrowserCookie& cookie : cookies) {
    const bool domainCookie = !cookie.domain.empty() && cookie.domain.front() == '.';
    text += cookie.domain;
    text += domainCookie ? "\tTRUE\t" : "\tFALSE\t";
    text += cookie.path.empty() ? "/" : cookie.path;
    text += cookie.secure ? "\tTRUE\t" : "\tFALSE\t";
    text += std::to_string(cookie.expires < 0 ? 0 : cookie.expires);
    text += "\t" + cookie.name + "\t" + cookie.value + "\n";
  }
  return text;
}

ResolverCookieFile::~ResolverCookieFile() {
  remove();
}

bool ResolverCookieFile::write(const std::vector<platform::BrowserCookie>& cookies, std::string& error) {
  remove();
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime != '/') {
    error = resources::translate(
        "ResolverCookieFile",
        "there is no private folder for the sign-in cookies ($XDG_RUNTIME_DIR is not set)");
    return false;
  }
  std::string pattern = std::string(runtime) + "/" + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    error =
        common::fillIn(resources::translate("ResolverCookieFile",
                                            "the folder for the sign-in cookies could not be made in %1: %2"),
                       {runtime, cause});
    return false;
  }
  folder_ = pattern;
  const std::string file = folder_ + "/cookies.txt";
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    const std::string cause = std::strerror(errno);  // before anything else may set errno
    error = common::fillIn(
        resources::translate("ResolverCookieFile", "the file for the sign-in cookies could not be made: %1"),
        {cause});
    remove();
    return false;
  }
  const std::string text = netscapeCookieText(cookies);
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool closed = ::close(fd) == 0;
  path_ = file;
  if (written != text.size() || !closed) {
    error =
        resources::translate("ResolverCookieFile", "the file for the sign-in cookies could not be written");
    remove();
    return false;
  }
  return true;
}

void ResolverCookieFile::remove() {
  removeFolder(folder_);
  folder_.clear();
  path_.clear();
}

void removeStaleResolverCookieFolders() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime != '/') return;
  DIR* dir = ::opendir(runtime);
  if (dir == nullptr) return;
  const std::string prefix = kFolderPrefix;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // its program still runs
    const std::string folder = std::string(runtime) + "/" + name;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) continue;
    removeFolder(folder);
  }
  ::closedir(dir);
}

}  // namespace download
