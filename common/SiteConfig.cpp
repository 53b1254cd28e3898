#include "common/SiteConfig.h"

#include "common/Text.h"

#include "platform/Paths.h"
#include "platform/SmallFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <optional>

namespace common {
namespace {

constexpr std::size_t kMaxFileBytes = 64 * 1024;
constexpr std::size_t kMaxLineBytes = 1024;
constexpr const char* kDefaultExampleId = "Xq0TXIuQ5zk";

// Splits "value ; comment" into the value; false when something other than a comment follows it.
bool cutValue(const std::string& raw, std::string& value) {
  std::size_t end = 0;
  while (end < raw.size() && static_cast<unsigned char>(raw[end]) > ' ') ++end;
  value = raw.substr(0, end);
  const std::string rest = trim(raw.substr(end), Trim::Whitespace);
  return rest.empty() || rest[0] == ';' || rest[0] == '#';
}

bool hasControlChar(const std::string& value) {
  for (char c : value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return true;
  }
  return false;
}

struct KeyField {
  const char* key;  // lower case
  std::string SiteConfig::*field;
};

const KeyField kKeys[] = {
    {"youtubedomain", &SiteConfig::youTubeDomain},
    {"metacafedomain", &SiteConfig::metacafeDomain},
    {"googledomain", &SiteConfig::googleDomain},
    {"youtubehost", &SiteConfig::youTubeHost},
    {"metacafefilehost", &SiteConfig::metacafeFileHost},
    {"metacafehost", &SiteConfig::metacafeHost},
    {"googlevideoplayerhost", &SiteConfig::googleVideoPlayerHost},
    {"streamcacheprefix", &SiteConfig::streamCachePrefix},
    {"examplewatchurl", &SiteConfig::exampleWatchUrl},
};

// The values a file set; the ones it left out are derived from these afterwards.
struct Assigned {
  bool any[std::size(kKeys)] = {};
  bool has(std::string SiteConfig::*field) const {
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
      if (kKeys[i].field == field) return any[i];
    }
    return false;
  }
};

void derive(SiteConfig& config, const Assigned& set) {
  if (set.has(&SiteConfig::youTubeDomain) && !set.has(&SiteConfig::youTubeHost)) {
    config.youTubeHost = config.youTubeDomain;
  }
  if (set.has(&SiteConfig::metacafeDomain)) {
    if (!set.has(&SiteConfig::metacafeFileHost)) config.metacafeFileHost = config.metacafeDomain;
    if (!set.has(&SiteConfig::metacafeHost)) config.metacafeHost = config.metacafeDomain;
  }
  if (set.has(&SiteConfig::googleDomain) && !set.has(&SiteConfig::googleVideoPlayerHost)) {
    config.googleVideoPlayerHost = config.googleDomain;
  }
  if (!set.has(&SiteConfig::exampleWatchUrl)) {
    config.exampleWatchUrl = config.canonicalWatchPrefix() + kDefaultExampleId;
  }
}

class LineReader {
 public:
  LineReader(SiteConfigLoad& result, Assigned& set) : result_(result), set_(set) {}

  void line(int number, const std::string& raw) {
    const std::string line = trim(raw, Trim::Whitespace);
    if (line.empty() || line[0] == ';' || line[0] == '#') return;
    if (line[0] == '[') {
      inSites_ = lowerAscii(line) == "[sites]";
      return;
    }
    if (!inSites_) return;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return error(number, "no '=' in the line");
    const std::string key = lowerAscii(trim(line.substr(0, eq), Trim::Whitespace));
    std::string value;
    if (!cutValue(trim(line.substr(eq + 1), Trim::Whitespace), value))
      return error(number, "blank inside the value of " + key);
    if (value.empty() || hasControlChar(value)) return error(number, "empty or unusable value for " + key);
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
      if (key == kKeys[i].key) {
        result_.config.*kKeys[i].field = value;
        set_.any[i] = true;
        return;
      }
    }
    error(number, "unknown key " + key);
  }

  void error(int number, const std::string& what) {
    result_.errors.push_back("line " + std::to_string(number) + ": " + what);
  }

 private:
  SiteConfigLoad& result_;
  Assigned& set_;
  bool inSites_ = false;
};

struct CurrentState {
  std::mutex mutex;
  std::optional<SiteConfig> config;
};

CurrentState& currentState() {
  static CurrentState state;
  return state;
}

}  // namespace

SiteConfigLoad parseSiteConfig(const std::string& text) {
  SiteConfigLoad result;
  Assigned set;
  LineReader reader(result, set);
  const std::size_t size = std::min(text.size(), kMaxFileBytes);
  if (text.size() > kMaxFileBytes) result.errors.push_back("file longer than 64 KiB; the rest is ignored");
  std::size_t begin = 0;
  for (int number = 1; begin < size; ++number) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos || end > size) end = size;
    if (end - begin > kMaxLineBytes) {
      reader.error(number, "line longer than 1024 bytes");
    } else {
      reader.line(number, text.substr(begin, end - begin));
    }
    begin = end + 1;
  }
  derive(result.config, set);
  return result;
}

SiteConfigLoad loadSiteConfigFile(const std::string& path) {
  const std::optional<std::string> text = platform::readFileStart(path, kMaxFileBytes + 1);
  if (!text) return parseSiteConfig({});
  SiteConfigLoad result = parseSiteConfig(*text);
  result.found = true;
  return result;
}

std::string SiteConfig::sitesFilePath() {
  const char* path = std::getenv("CLIPWAVE_SITES_FILE");
  if (path != nullptr && *path != '\0') return path;
  const std::string settings = platform::settingsFilePath();
  const std::size_t slash = settings.rfind('/');
  return (slash == std::string::npos ? std::string() : settings.substr(0, slash + 1)) + "sites.ini";
}

SiteConfig SiteConfig::current() {
  CurrentState& state = currentState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.config) {
    const std::string path = sitesFilePath();
    SiteConfigLoad load = loadSiteConfigFile(path);
    for (const std::string& error : load.errors)
      std::fprintf(stderr, "clipwave: %s: %s\n", path.c_str(), error.c_str());
    state.config = std::move(load.config);
  }
  return *state.config;
}

void SiteConfig::setCurrent(const SiteConfig& config) {
  CurrentState& state = currentState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.config = config;
}

void SiteConfig::reset() {
  CurrentState& state = currentState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.config.reset();
}

}  // namespace common
