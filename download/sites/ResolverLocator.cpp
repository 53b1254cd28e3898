#include "download/sites/ResolverLocator.h"

#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/VideoFileName.h"
#include "net/http/UrlParts.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Translations.h"

#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace download {
namespace {

const char* const kDefaultProgram = "yt-dlp";
constexpr int kProbeLimitMs = 10000;
// How long the engine's profile is given to read its cookies from disk once it is loaded for them.
constexpr int kCookieLoadMs = 1500;
const char* const kInstallNewer = "pipx install 'yt-dlp[default]'";

// The runtimes yt-dlp can use, in the order it recommends them: the name `--js-runtimes` takes and the
// program looked for on PATH.
struct Runtime {
  const char* name;
  const char* program;
};
constexpr Runtime kRuntimes[] = {{"deno", "deno"}, {"node", "node"}, {"quickjs", "qjs"}, {"bun", "bun"}};
constexpr int kOldestNode = 20;

bool isExecutableFile(const std::string& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

// The full path of `name` on PATH (or `name` itself when it holds a '/'); empty when it is not there.
std::string findProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return isExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  const std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string file = dir + "/" + name;
    if (isExecutableFile(file)) return file;
    start = end + 1;
  }
  return {};
}

// What was learnt of the program, for as long as the same program file is found on the same PATH.
struct CachedSetup {
  std::string key;
  ResolverSetup setup;
};
CachedSetup& cachedSetup() {
  static CachedSetup cached;
  return cached;
}

std::string setupKey(const std::string& program) {
  const std::string file = findProgram(program);
  struct stat info {};
  if (file.empty() || ::stat(file.c_str(), &info) != 0) return {};
  const char* path = std::getenv("PATH");
  return file + "\n" + std::to_string(info.st_size) + "\n" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec) + "\n" + (path != nullptr ? path : "");
}

// The leading numbers of a version text ("2025.11.12.123456" -> 2025, 11, 12, 123456; "v20.1.0" -> 20, 1,
// 0); empty when it does not start with one.
std::vector<long> versionNumbers(std::string text) {
  std::vector<long> numbers;
  text = common::trim(text, common::Trim::Spaces);
  if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.erase(0, 1);
  std::size_t at = 0;
  while (at < text.size() && numbers.size() < 4) {
    std::size_t end = at;
    while (end < text.size() && end - at < 9 && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == at) break;
    numbers.push_back(std::strtol(text.substr(at, end - at).c_str(), nullptr, 10));
    if (end >= text.size() || text[end] != '.') break;
    at = end + 1;
  }
  return numbers;
}

std::string firstLine(const std::string& text) {
  const std::size_t end = text.find_first_of("\r\n");
  std::string line = common::trim(text.substr(0, end), common::Trim::Spaces);
  if (line.size() > 40) line.resize(40);
  return line;
}

bool isYouTubePage(const std::string& page) {
  const std::string host = common::lowerAscii(http::splitAddress(page).host);
  const std::string configured = common::lowerAscii(common::SiteConfig::current().youTubeDomain);
  return common::containsNoCase(page, configured) || host == "youtu.be" || host.ends_with(".youtu.be") ||
         host == "youtube.com" || host.ends_with(".youtube.com");
}

bool containsAny(const std::string& text, std::initializer_list<const char*> needles) {
  for (const char* needle : needles)
    if (common::containsNoCase(text, needle)) return true;
  return false;
}

LocatorResult failure(std::string message) {
  return {.status = LocatorResult::Status::Failed, .stream = {}, .message = std::move(message)};
}

std::int64_t nowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string resolverProgram() {
  const char* chosen = std::getenv("CLIPWAVE_YTDLP");
  return chosen != nullptr && *chosen != '\0' ? chosen : kDefaultProgram;
}

bool isResolverEnabled() {
  const char* setting = std::getenv("CLIPWAVE_RESOLVER");
  if (setting != nullptr && std::string(setting) == "off") return false;
  return !findProgram(resolverProgram()).empty();
}

int resolverTimeLimitMs() {
  const char* setting = std::getenv("CLIPWAVE_RESOLVER_TIMEOUT");
  if (setting != nullptr) {
    char* end = nullptr;
    const long seconds = std::strtol(setting, &end, 10);
    if (end != setting && *end == '\0' && seconds >= 1 && seconds <= 3600)
      return static_cast<int>(seconds * 1000);
  }
  return 90 * 1000;
}

bool takesJsRuntimes(const std::string& version) {
  const std::vector<long> n = versionNumbers(version);
  if (n.size() < 3) return false;
  return std::vector<long>(n.begin(), n.begin() + 3) >= std::vector<long>{2025, 11, 12};
}

void forgetResolverSetup() {
  cachedSetup() = {};
}

ResolverCookieSource profileCookieSource() {
  return {
      .ready = [] { return platform::webEngineModuleLoaded(); },
      .fetch =
          [](std::function<void(std::vector<platform::BrowserCookie>)> answer) {
            if (platform::webEngineModuleLoaded()) {
              QTimer::singleShot(0, [answer = std::move(answer)] { answer(platform::engineCookies()); });
              return;
            }
            // The profile is opened with a control of the engine, which reads its cookies from disk in the
            // background; they are taken a moment later.
            std::shared_ptr<platform::WebBrowser> browser;
            try {
              browser = platform::createEngineBrowser();
              browser->navigateBlank();
            } catch (const std::exception&) {
              QTimer::singleShot(0, [answer = std::move(answer)] { answer({}); });
              return;
            }
            QTimer::singleShot(kCookieLoadMs,
                               [answer = std::move(answer), browser] { answer(platform::engineCookies()); });
          },
  };
}

std::string explainingWarning(const std::string& errors) {
  std::string found;
  std::size_t start = 0;
  while (start < errors.size()) {
    std::size_t end = errors.find_first_of("\r\n", start);
    if (end == std::string::npos) end = errors.size();
    const std::string line = lastErrorLine(errors.substr(start, end - start));
    start = end + 1;
    if (!common::startsWithNoCase(line, "WARNING:")) continue;
    if (containsAny(line, {"javascript runtime", "js runtime", "challenge solv", "ejs", "remote component",
                           "sign in", "--cookies", "po token"}))
      found = line;
  }
  return found;
}

bool needsSignIn(const std::string& errors) {
  return containsAny(errors, {"sign in to confirm", "use --cookies", "--cookies-from-browser",
                              "login required", "requires login", "granted access", "account cookies"});
}

std::string resolverAdvice(const ResolverSetup& setup, const std::string& page, const std::string& errors) {
  const bool youTube = isYouTubePage(page);
  if (!setup.version.empty() && !setup.takesJsRuntimes) {
    return common::fillIn(
        youTube
            ? resources::translate("ResolverLocator",
                                   "yt-dlp %1 is too old for today's YouTube: install a newer one with %2")
            : resources::translate("ResolverLocator",
                                   "yt-dlp %1 may be too old for this site: install a newer one with %2"),
        {setup.version, kInstallNewer});
  }
  if (setup.takesJsRuntimes && setup.runtime.empty() &&
      (youTube || containsAny(errors, {"javascript runtime", "js runtime", "challenge solv"}))) {
    return resources::translate(
               "ResolverLocator",
               "yt-dlp found no JavaScript runtime, which today's YouTube needs: install deno, or "
               "node 20 or newer, quickjs or bun") +
           (setup.runtimeNote.empty() ? "" : " (" + setup.runtimeNote + ")");
  }
  if (containsAny(errors, {"solver script", "ejs:", "yt-dlp-ejs", "remote component"}))
    return common::fillIn(
        resources::translate("ResolverLocator",
                             "yt-dlp is missing its EJS scripts: install it with them, with %1"),
        {kInstallNewer});
  return {};
}

ResolverLocator::ResolverLocator() : ResolverLocator(profileCookieSource()) {}

ResolverLocator::ResolverLocator(ResolverCookieSource cookies) : cookieSource_(std::move(cookies)) {}

ResolverLocator::~ResolverLocator() {
  *alive_ = false;
  done_ = nullptr;
  process_.stop();
  cookieFile_.remove();
}

void ResolverLocator::start(const std::string& page, Done done) {
  page_ = page;
  done_ = std::move(done);
  program_ = resolverProgram();
  cookiesAsked_ = false;
  givenCookies_.clear();
  // Cookie folders that a program which crashed left behind go before anything else is done.
  removeStaleResolverCookieFolders();
  const std::string key = setupKey(program_);
  if (!key.empty() && cachedSetup().key == key) {
    setup_ = cachedSetup().setup;
    resolve(false);
    return;
  }
  probeVersion();
}

void ResolverLocator::stop() {
  done_ = nullptr;
  *alive_ = false;
  alive_ = std::make_shared<bool>(true);
  process_.stop();
  cookieFile_.remove();
}

void ResolverLocator::probeVersion() {
  setup_ = {};
  process_.start(
      program_, {program_, "--version"},
      {.outputCap = 4096, .errorCap = 4096, .timeLimitMs = std::min(kProbeLimitMs, resolverTimeLimitMs())},
      [this](ProcessRun run) { onVersion(run); });
}

void ResolverLocator::onVersion(const ProcessRun& run) {
  if (run.end != ProcessRun::End::Exited) {
    fail(resolverRunFailure(run, std::min(kProbeLimitMs, resolverTimeLimitMs())));
    return;
  }
  const std::string line = firstLine(run.output);
  if (run.exit.exited && run.exit.code == 0 && versionNumbers(line).size() >= 3) setup_.version = line;
  setup_.takesJsRuntimes = takesJsRuntimes(setup_.version);
  // Older versions know nothing of runtimes: none is looked for.
  if (!setup_.takesJsRuntimes) {
    probeRuntimes(std::size(kRuntimes));
    return;
  }
  probeRuntimes(0);
}

// The first runtime on PATH that can serve; node tells its version first.
void ResolverLocator::probeRuntimes(std::size_t next) {
  for (; next < std::size(kRuntimes); ++next) {
    const Runtime& runtime = kRuntimes[next];
    const std::string path = findProgram(runtime.program);
    if (path.empty()) continue;
    if (std::string(runtime.name) == "node") {
      process_.start(path, {path, "--version"},
                     {.outputCap = 4096, .errorCap = 4096, .timeLimitMs = kProbeLimitMs},
                     [this, path, next](ProcessRun run) { onNodeVersion(run, path, next + 1); });
      return;
    }
    setup_.runtime = std::string(runtime.name) + ":" + path;
    break;
  }
  cachedSetup() = {setupKey(program_), setup_};
  resolve(false);
}

void ResolverLocator::onNodeVersion(const ProcessRun& run, const std::string& path, std::size_t next) {
  const std::string line = firstLine(run.output);
  const std::vector<long> numbers = versionNumbers(line);
  if (run.end == ProcessRun::End::Exited && !numbers.empty() && numbers[0] >= kOldestNode) {
    setup_.runtime = "node:" + path;
    probeRuntimes(std::size(kRuntimes));
    return;
  }
  if (!numbers.empty())
    setup_.runtimeNote = common::fillIn(resources::translate("ResolverLocator", "node %1 is older than %2"),
                                        {line, std::to_string(kOldestNode)});
  probeRuntimes(next);
}

void ResolverLocator::resolve(bool signedIn) {
  // With the engine loaded, its cookies are there to be given at once.
  if (!signedIn && !cookiesAsked_ && cookieSource_.ready && cookieSource_.ready()) {
    resolveSignedIn({});
    return;
  }
  // The page address comes after "--": whatever it holds, it is never read as an option.
  std::vector<std::string> args{program_, "--ignore-config"};
  if (setup_.takesJsRuntimes && !setup_.runtime.empty()) {
    args.emplace_back("--js-runtimes");
    args.push_back(setup_.runtime);
  }
  if (signedIn) {
    args.emplace_back("--cookies");
    args.push_back(cookieFile_.path());
  }
  for (const char* arg : {"--dump-single-json", "--no-playlist", "--no-progress", "--"})
    args.emplace_back(arg);
  args.push_back(page_);
  process_.start(
      program_, args,
      {.outputCap = kMaxResolverOutput, .errorCap = 64 * 1024, .timeLimitMs = resolverTimeLimitMs()},
      [this, signedIn](ProcessRun run) { onResolved(std::move(run), signedIn); });
}

// Reads the profile's cookies of the page's registrable domain into a cookies file, then runs the resolver
// with it. `failure` is the message of the run without cookies (empty when there was none).
void ResolverLocator::resolveSignedIn(const std::string& failure) {
  cookiesAsked_ = true;
  if (!cookieSource_.fetch) {
    if (failure.empty()) return resolve(false);
    return fail(failure);
  }
  std::weak_ptr<bool> alive = alive_;
  cookieSource_.fetch([this, alive, failure](std::vector<platform::BrowserCookie> cookies) {
    const std::shared_ptr<bool> still = alive.lock();
    if (!still || !*still || !done_) return;
    givenCookies_ =
        cookiesForResolver(cookies, common::lowerAscii(http::splitAddress(page_).host), nowSeconds());
    if (givenCookies_.empty()) {
      if (failure.empty()) {
        resolve(false);
        return;
      }
      fail(common::fillIn(
          resources::translate(
              "ResolverLocator",
              "%1\nNo sign-in of this site was found: sign in with \"Sign in to a site...\" and try again."),
          {failure}));
      return;
    }
    std::string error;
    if (!cookieFile_.write(givenCookies_, error)) {
      if (failure.empty()) {
        resolve(false);
        return;
      }
      fail(common::fillIn(
          resources::translate("ResolverLocator", "%1\nThe sign-in could not be given to yt-dlp: %2"),
          {failure, error}));
      return;
    }
    resolve(true);
  });
}

void ResolverLocator::onResolved(ProcessRun run, bool signedIn) {
  // The cookies file goes as soon as the resolver has ended, whatever it answered.
  cookieFile_.remove();
  std::string message = resolverRunFailure(run, resolverTimeLimitMs());
  if (run.end != ProcessRun::End::Exited) return fail(message);
  if (!message.empty()) {
    const std::string warning = explainingWarning(run.errors);
    if (!warning.empty() && warning != message) message += "\n" + warning;
    const std::string advice = resolverAdvice(setup_, page_, run.errors);
    if (!advice.empty()) message += "\n" + advice;
    // A sign-in wall or a bot check: once more with the profile's sign-in.
    if (!signedIn && !cookiesAsked_ && needsSignIn(run.errors)) return resolveSignedIn(message);
    return fail(message);
  }
  if (run.outputTooLong)
    return fail(
        resources::translate("ResolverLocator", "yt-dlp gave no usable answer: the output is too large"));
  ResolverAnswer answer = readResolverOutput(run.output);
  if (!answer.found)
    return fail(common::fillIn(resources::translate("ResolverLocator", "yt-dlp gave no usable answer: %1"),
                               {answer.error}));
  ResolvedStream& stream = answer.stream;
  const std::string ext = "." + (stream.ext.empty() ? std::string("video") : stream.ext);
  std::string fileName = titleToFileName(stream.title, ext);
  if (fileName.empty()) fileName = "get_video" + ext;
  finish({.status = LocatorResult::Status::Found,
          .stream = {.url = stream.url,
                     .fileName = std::move(fileName),
                     .title = stream.title,
                     .headers = std::move(stream.headers),
                     .downloadOnly = false,
                     .chunkSize = stream.chunkSize,
                     .segmented = stream.segmented,
                     .durationSeconds = stream.durationSeconds,
                     .cookies = std::move(stream.cookies),
                     .metadata = readVideoMetadata(run.output, stream.url)},
          .message = {}});
}

void ResolverLocator::fail(std::string message) {
  finish(failure(withoutCookieValues(std::move(message))));
}

void ResolverLocator::finish(LocatorResult result) {
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(result));
}

// A cookie's value never reaches a message, even where the resolver quoted one.
std::string ResolverLocator::withoutCookieValues(std::string text) const {
  for (const platform::BrowserCookie& cookie : givenCookies_) {
    if (cookie.value.size() < 4) continue;
    for (std::size_t at = text.find(cookie.value); at != std::string::npos; at = text.find(cookie.value, at))
      text.replace(at, cookie.value.size(), "(hidden)");
  }
  return text;
}

}  // namespace download
