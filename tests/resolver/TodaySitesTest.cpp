// Pages as the sites show them today, through the resolver asked at once: the search that finds a stream
// first wins and the other is stopped; today's yt-dlp (a fake of it, tests/sim/fake_ytdlp.py, first on a
// PATH of the test's own) given a JavaScript runtime, told apart from an old one, and given the profile's
// sign-in in a private file that goes; streams in ranges of the chunk size and HLS playlists read by the
// real ffmpeg, against the site simulator on 127.0.0.1.
#include "ProxyEnvironment.h"

#include "common/SiteConfig.h"
#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "download/Job.h"
#include "download/StreamSearch.h"
#include "download/sites/PageLocator.h"
#include "download/sites/PageRules.h"
#include "download/sites/ResolverCookieFile.h"
#include "download/sites/ResolverLocator.h"
#include "platform/browser/ScriptedWebBrowser.h"
#include "support/JobInputs.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using download::JobOutcome;
using download::LocatorResult;
using testing::HasSubstr;
using testing::Not;
using testing_support::TempDir;

const char* const kMp3Args = "-ar 44100 -ab 64kbit/s -ac 1 ";
// The value of the simulator's sign-in cookie (its sign-in page sets it; sim_pages.LOGIN_VALUE).
const char* const kSignedIn = "signed-in-2736fab291f0";

// ---- the race between the two searches, with locators that answer on cue ----

class CueLocator final : public download::StreamLocator {
 public:
  struct Log {
    bool started = false, stopped = false, oneAttempt = false;
  };
  CueLocator(std::optional<LocatorResult> answer, int afterMs, Log& log)
      : answer_(std::move(answer)), afterMs_(afterMs), log_(log) {}
  void start(const std::string&, Done done) override {
    log_.started = true;
    done_ = std::move(done);
    if (!answer_) return;  // never answers
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (done_) done_(*answer_);
    });
    timer_.start(afterMs_);
  }
  void stop() override {
    log_.stopped = true;
    done_ = nullptr;
    timer_.stop();
  }
  void limitToOneAttempt() override { log_.oneAttempt = true; }

 private:
  std::optional<LocatorResult> answer_;
  int afterMs_;
  Log& log_;
  Done done_;
  QTimer timer_;
};

LocatorResult found(const std::string& url) {
  return {.status = LocatorResult::Status::Found,
          .stream = {.url = url, .fileName = "v.mp4", .title = {}, .headers = {}, .downloadOnly = false},
          .message = {}};
}
LocatorResult ended(LocatorResult::Status status, const std::string& message = {}) {
  return {.status = status, .stream = {}, .message = message};
}

TEST(StreamSearchRaceTest, TheFirstStreamWinsAndTheOtherSearchIsStopped) {
  common::SiteConfig::reset();
  const std::string youTube = "http://www.youtube.com/watch?v=abc";
  const std::string google = "http://video.google.com/videoplay?docid=1";
  const std::string other = "https://videos.example/clip/1";
  using S = LocatorResult::Status;
  const struct {
    const char* name;
    std::string page;
    std::optional<LocatorResult> pageRules;  // nullopt: never answers
    int pageMs;
    std::optional<LocatorResult> resolver;
    int resolverMs;
    bool withResolver;
    // What the search ends with: the stream's address, or the cause and message.
    std::string url;
    JobOutcome::Cause cause;
    std::string message;
  } cases[] = {
      {"the resolver first, the page rules never", youTube, std::nullopt, 0, found("http://r/1"), 10, true,
       "http://r/1", JobOutcome::Cause::None, ""},
      {"the page rules first", youTube, found("http://p/1"), 10, found("http://r/1"), 5000, true,
       "http://p/1", JobOutcome::Cause::None, ""},
      {"the page rules find nothing, the resolver later", youTube, ended(S::NotFound), 5, found("http://r/1"),
       50, true, "http://r/1", JobOutcome::Cause::None, ""},
      {"both fail: the resolver's reason", youTube, ended(S::NotFound), 50, ended(S::Failed, "ERROR: gone"),
       5, true, "", JobOutcome::Cause::ResolverFailed, "ERROR: gone"},
      {"the page unreadable, the resolver fails", youTube, ended(S::Unreadable), 5,
       ended(S::Failed, "ERROR: x"), 20, true, "", JobOutcome::Cause::ResolverFailed, "ERROR: x"},
      {"the age page, then the resolver finds it", youTube, ended(S::AgeRestricted), 5, found("http://r/1"),
       50, true, "http://r/1", JobOutcome::Cause::None, ""},
      {"the age page and the resolver fails", youTube, ended(S::AgeRestricted), 5,
       ended(S::Failed, "ERROR: x"), 50, true, "", JobOutcome::Cause::AgeRestricted,
       download::ageVerificationNotice()},
      {"no resolver: the page rules' own end", youTube, ended(S::NotFound), 5, std::nullopt, 0, false, "",
       JobOutcome::Cause::NoStreamFound, "Unable get html from " + youTube},
      {"another site: the resolver alone", other, found("http://p/1"), 1, ended(S::Failed, "ERROR: y"), 5,
       true, "", JobOutcome::Cause::ResolverFailed, "ERROR: y"},
      {"a Google Video page stays download-only", google, std::nullopt, 0, found("http://r/1"), 5, true,
       "http://r/1", JobOutcome::Cause::None, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CueLocator::Log pageLog, resolverLog;
    download::StreamSearch search(
        [&] { return std::make_unique<CueLocator>(c.pageRules, c.pageMs, pageLog); },
        c.withResolver ? download::LocatorFactory([&] {
          return std::make_unique<CueLocator>(c.resolver, c.resolverMs, resolverLog);
        })
                       : download::LocatorFactory());
    std::optional<download::SearchResult> result;
    search.start(c.page, [&](download::SearchResult r) { result = std::move(r); });
    ASSERT_TRUE(testing_support::waitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->stream.url, c.url);
    EXPECT_EQ(result->cause, c.cause);
    EXPECT_EQ(result->message, c.message);
    const bool sitePage = c.page != other;
    EXPECT_EQ(pageLog.started, sitePage);
    // Beside the resolver the page rules try once; the search that lost was stopped.
    EXPECT_EQ(pageLog.oneAttempt, sitePage && c.withResolver);
    if (result->found && sitePage && c.withResolver) {
      EXPECT_TRUE(c.url == "http://r/1" ? pageLog.stopped : resolverLog.stopped);
    }
    if (c.page == google) {
      EXPECT_TRUE(result->stream.downloadOnly);
    }
  }
}

// A stream found by the page rules carries the page's own picture, the cover when the resolver names none.
TEST(PageLocatorPicture, TheRulesWinCarriesThePagesPicture) {
  common::SiteConfig::reset();
  platform::ScriptedWebBrowser first, second;
  first.setPages({platform::ScriptedWebBrowser::textPage(
      "<head><title>YouTube - My clip</title><meta property=\"og:image\" "
      "content=\"https://i.example/vi/abc/hq.jpg?a=1&amp;b=2\"></head><embed "
      "src=\"/p.swf?v=abc&t=tok&hl=en\">")});
  download::PageLocator locator(first, second);
  std::optional<LocatorResult> result;
  locator.start("http://www.youtube.com/watch?v=abc", [&](LocatorResult r) { result = std::move(r); });
  ASSERT_TRUE(testing_support::waitFor([&] { return result.has_value(); }, 10000));
  ASSERT_EQ(result->status, LocatorResult::Status::Found);
  EXPECT_EQ(result->stream.metadata.pictureUrl, "https://i.example/vi/abc/hq.jpg?a=1&b=2");
}

// ---- today's yt-dlp against the simulator ----

class RecordingListener final : public download::JobListener {
 public:
  void searching(const std::string&) override { stages.push_back("search"); }
  void downloading(const std::string& file) override { stages.push_back("download " + file); }
  void downloadProgress(const download::DownloadFigures& figures) override {
    received = figures.received;
    total = figures.total;
    if (onProgress) onProgress();
  }
  void converting(const std::string& file) override { stages.push_back("convert " + file); }
  void conversionProgress(const download::ConversionFigures& figures) override { percent = figures.percent; }
  void finished(const JobOutcome& outcome) override { outcomes.push_back(outcome); }

  std::vector<std::string> stages;
  std::vector<JobOutcome> outcomes;
  std::int64_t received = 0, total = -1;
  int percent = 0;
  std::function<void()> onProgress;
};

class TodaySitesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    simFolder = new TempDir;
    sim = new testing_support::SiteSimulator(simFolder->path(),
                                             {"--chunk-limit", "65536", "--slow-rate", "65536"});
  }
  static void TearDownTestSuite() {
    delete sim;
    delete simFolder;
  }

  void SetUp() override {
    ASSERT_TRUE(sim->ready());
    for (const char* name :
         {"PATH", "XDG_RUNTIME_DIR", "CLIPWAVE_YTDLP", "CLIPWAVE_RESOLVER", "FAKE_YTDLP_VERSION",
          "FAKE_YTDLP_LOG", "FAKE_YTDLP_SITES", "FAKE_YTDLP_CHUNK"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    common::SiteConfig::setCurrent(common::loadSiteConfigFile(sim->sitesFile()).config);
    std::filesystem::create_directories(bin_);
    std::filesystem::create_directories(out_);
    std::filesystem::create_directories(runtime_);
    ::chmod(runtime_.c_str(), 0700);
    // The test's own PATH: the fake yt-dlp, ffmpeg, and whatever runtime a case puts there; no other.
    std::ofstream(bin_ + "/yt-dlp") << "#!/bin/sh\nexec /usr/bin/python3 '" CLIPWAVE_FAKE_YTDLP "' \"$@\"\n";
    ::chmod((bin_ + "/yt-dlp").c_str(), 0755);
    std::filesystem::create_symlink("/usr/bin/ffmpeg", bin_ + "/ffmpeg");
    std::filesystem::create_symlink("/usr/bin/ffprobe", bin_ + "/ffprobe");
    ::setenv("PATH", bin_.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::setenv("CLIPWAVE_RESOLVER", "on", 1);
    ::unsetenv("CLIPWAVE_YTDLP");
    ::unsetenv("FAKE_YTDLP_VERSION");
    ::setenv("FAKE_YTDLP_LOG", log_.c_str(), 1);
    ::setenv("FAKE_YTDLP_SITES", sim->sitesFile().c_str(), 1);
    download::forgetResolverSetup();
    convert::createConvertProcess();
  }
  void TearDown() override {
    convert::destroyConvertProcess();
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    common::SiteConfig::reset();
    download::forgetResolverSetup();
  }

  // A program on the test's PATH that prints `versionLine` when asked for its version.
  void fakeProgram(const std::string& name, const std::string& versionLine) {
    const std::string path = bin_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\necho '" << versionLine << "'\n";
    ::chmod(path.c_str(), 0755);
  }

  std::string youTubePage(const std::string& id) const { return sim->site("youtube") + "/watch?v=" + id; }
  std::string otherPage(const std::string& id) const { return sim->site("cache") + "/page/" + id; }

  // Runs a job on `page` with the resolver (its cookies from `cookies`) and the page rules when given.
  JobOutcome run(const std::string& page, RecordingListener& listener,
                 std::optional<download::ResolverCookieSource> cookies = std::nullopt,
                 download::LocatorFactory pageRules = {}, download::JobInput* inputOut = nullptr) {
    download::JobParts parts = download::standardJobParts();
    parts.pageRules = std::move(pageRules);
    parts.resolver = [cookies]() -> std::unique_ptr<download::StreamLocator> {
      if (cookies) return std::make_unique<download::ResolverLocator>(*cookies);
      return std::make_unique<download::ResolverLocator>(download::ResolverCookieSource{});
    };
    download::JobInput input =
        testing_support::jobInput(page, download::RequestMode::DownloadConvert, out_, ".mp3", kMp3Args);
    if (inputOut != nullptr) input = *inputOut;
    download::Job job(input, std::move(parts), listener);
    job.start();
    EXPECT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 60000));
    return listener.outcomes.empty() ? JobOutcome::failed(JobOutcome::Cause::None, "no outcome")
                                     : listener.outcomes.back();
  }

  // The runs the fake yt-dlp logged (its arguments, the cookies file it was given).
  std::vector<QJsonObject> fakeRuns() const {
    std::vector<QJsonObject> runs;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);)
      runs.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return runs;
  }
  static std::string argsOf(const QJsonObject& run) {
    std::string text;
    for (const QJsonValue& arg : run.value("args").toArray()) text += arg.toString().toStdString() + " ";
    return text;
  }
  std::vector<std::string> cookieFolders() const {
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(runtime_))
      folders.push_back(entry.path().filename().string());
    return folders;
  }

  static TempDir* simFolder;
  static testing_support::SiteSimulator* sim;
  download_test::ProxyEnvironment proxyEnv_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  TempDir dir_;
  std::string bin_ = dir_.file("bin");
  std::string out_ = dir_.file("out");
  std::string runtime_ = dir_.file("runtime");
  std::string log_ = dir_.file("fake-ytdlp.log");
};

TempDir* TodaySitesTest::simFolder = nullptr;
testing_support::SiteSimulator* TodaySitesTest::sim = nullptr;

// A known site's page as it looks today: the page rules find no markers, the resolver (started at the same
// moment) finds the stream, and the page is released at once rather than read for half a minute.
TEST_F(TodaySitesTest, TodaysPageReachesItsStreamThroughTheResolverAtOnce) {
  fakeProgram("node", "v20.11.1");
  platform::ScriptedWebBrowser first, second;
  first.setPages({platform::ScriptedWebBrowser::textPage(
      "<title>Sim clip x - YouTube</title><script>var ytInitialPlayerResponse = {};</script>")});
  download::LocatorFactory pageRules = [&first, &second] {
    return std::unique_ptr<download::StreamLocator>(std::make_unique<download::PageLocator>(first, second));
  };
  RecordingListener listener;
  const auto began = std::chrono::steady_clock::now();
  const JobOutcome outcome = run(youTubePage("clip-today"), listener, std::nullopt, pageRules);
  ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
  EXPECT_EQ(outcome.files, std::vector<std::string>{out_ + "/Sim clip clip-today.mp3"});
  EXPECT_EQ(convert_test::probeStream(outcome.files[0], "codec_name"), "mp3");
  ASSERT_FALSE(first.calls().empty());
  EXPECT_EQ(first.calls().back(), "blank");  // the page was released
  const std::vector<QJsonObject> runs = fakeRuns();
  ASSERT_EQ(runs.size(), 1u);
  const std::string args = argsOf(runs[0]);
  EXPECT_THAT(args, HasSubstr("--ignore-config --js-runtimes node:" + bin_ + "/node --dump-single-json"));
  EXPECT_THAT(args, Not(HasSubstr("--no-warnings")));
}

// Which runtime is given, and what a failure tells: the error, the warning that explains it, and the fix.
TEST_F(TodaySitesTest, TheVersionAndTheRuntimeDecideTheArgumentsAndTheMessage) {
  const struct {
    const char* name;
    const char* version;
    std::vector<std::pair<std::string, std::string>> programs;  // name, version line
    std::string page;
    std::string argument;               // in the arguments; empty: no --js-runtimes at all
    std::vector<std::string> messages;  // in the failure's message; empty: done
  } cases[] = {
      {"deno comes first",
       "2025.11.12",
       {{"deno", "deno 2.5.0"}, {"node", "v22.0.0"}},
       youTubePage("a1"),
       "--js-runtimes deno:" + bin_ + "/deno",
       {}},
      {"node from version 20",
       "2026.01.29",
       {{"node", "v20.0.0"}, {"bun", "1.2.0"}},
       youTubePage("a2"),
       "--js-runtimes node:" + bin_ + "/node",
       {}},
      {"node 18 is passed over for quickjs",
       "2025.11.12",
       {{"node", "v18.19.0"}, {"qjs", "QuickJS"}},
       youTubePage("a3"),
       "--js-runtimes quickjs:" + bin_ + "/qjs",
       {}},
      {"only node 18: told as a missing runtime",
       "2025.11.12",
       {{"node", "v18.19.0"}},
       youTubePage("a4"),
       "",
       {"ERROR: [youtube] a4: Requested format is not available",
        "\nWARNING: [youtube] No supported JavaScript runtime could be found.",
        "\nyt-dlp found no JavaScript runtime, which today's YouTube needs: install deno, or node 20 or "
        "newer, "
        "quickjs or bun (node v18.19.0 is older than 20)"}},
      {"an old yt-dlp and today's YouTube",
       "2023.03.04",
       {{"node", "v20.1.0"}},
       youTubePage("a5"),
       "",
       {"ERROR: [youtube] a5: Failed to extract any player response",
        "\nyt-dlp 2023.03.04 is too old for today's YouTube: install a newer one with pipx install "
        "'yt-dlp[default]'"}},
      {"an old yt-dlp still reads another site", "2023.03.04", {}, otherPage("a6"), "", {}},
      {"the runtime fails",
       "2025.11.12",
       {{"node", "v24.0.0"}},
       youTubePage("a7-rterror"),
       "--js-runtimes node:" + bin_ + "/node",
       {"ERROR: [youtube] a7-rterror: Requested format is not available",
        "\nWARNING: [youtube] a7-rterror: n challenge solving failed: Some formats may be missing."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* program : {"deno", "node", "qjs", "bun"}) std::filesystem::remove(bin_ + "/" + program);
    for (const auto& [program, line] : c.programs) fakeProgram(program, line);
    ::setenv("FAKE_YTDLP_VERSION", c.version, 1);
    std::filesystem::remove(log_);
    download::forgetResolverSetup();
    RecordingListener listener;
    const JobOutcome outcome = run(c.page, listener);
    const std::vector<QJsonObject> runs = fakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    if (c.argument.empty()) {
      EXPECT_THAT(argsOf(runs[0]), Not(HasSubstr("--js-runtimes")));
    } else {
      EXPECT_THAT(argsOf(runs[0]), HasSubstr(c.argument));
    }
    if (c.messages.empty()) {
      EXPECT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
    } else {
      EXPECT_EQ(outcome.cause, JobOutcome::Cause::ResolverFailed);
      for (const std::string& part : c.messages) EXPECT_THAT(outcome.message, HasSubstr(part));
    }
    for (const std::string& file : testing_support::filesIn(out_)) std::filesystem::remove(out_ + "/" + file);
  }
}

// The sign-in: yt-dlp first runs without cookies; on the sign-in wall it runs again with the profile's
// cookies of the page's domain, in a file of mode 0600 in a private folder that is gone afterwards; a folder
// a crash left behind goes too. The signed-in stream then downloads with the cookie the resolver gave.
TEST_F(TodaySitesTest, TheSignInReachesTheResolverInAPrivateFileThatGoes) {
  fakeProgram("deno", "deno 2.5.0");
  const std::string stale = runtime_ + "/clipwave-resolver-999999999-gone";
  std::filesystem::create_directories(stale);
  std::ofstream(stale + "/cookies.txt") << "old";
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  const std::vector<platform::BrowserCookie> profile{
      {"sim_login", "", "127.0.0.1", "/", false, now + 3600},
      {"other_site", "secret-other", ".example.com", "/", false, -1},
      {"expired", "secret-expired", "127.0.0.1", "/", false, now - 10},
  };
  struct Case {
    const char* name;
    std::string id;
    bool engineLoaded;
    bool done;
    std::string message;
    int runs;
  } cases[] = {
      {"the sign-in wall, then signed in", "s1-login", false, true, "", 2},
      {"the engine already loaded: signed in at once", "s2-login", true, true, "", 1},
      {"a cookies file it cannot read", "s3-login-badcookies", false, false,
       "does not look like a Netscape format cookies file", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(log_);
    std::vector<platform::BrowserCookie> cookies = profile;
    cookies[0].value = kSignedIn;
    const bool loaded = c.engineLoaded;
    download::ResolverCookieSource source{
        .ready = [loaded] { return loaded; },
        .fetch =
            [cookies](std::function<void(std::vector<platform::BrowserCookie>)> answer) {
              QTimer::singleShot(0, [answer, cookies] { answer(cookies); });
            },
    };
    RecordingListener listener;
    const JobOutcome outcome = run(youTubePage(c.id), listener, source);
    EXPECT_EQ(outcome.status == JobOutcome::Status::Done, c.done) << outcome.message;
    if (!c.message.empty()) {
      EXPECT_THAT(outcome.message, HasSubstr(c.message));
    }
    for (const platform::BrowserCookie& cookie : cookies)
      EXPECT_THAT(outcome.message, Not(HasSubstr(cookie.value)));
    const std::vector<QJsonObject> runs = fakeRuns();
    ASSERT_EQ(static_cast<int>(runs.size()), c.runs);
    EXPECT_EQ(argsOf(runs.front()).find("--cookies") != std::string::npos, c.engineLoaded);
    const QJsonObject& signedIn = runs.back();
    EXPECT_EQ(signedIn.value("file_mode").toString(), "0o600");
    EXPECT_EQ(signedIn.value("folder_mode").toString(), "0o700");
    if (!c.message.empty()) continue;
    EXPECT_EQ(signedIn.value("cookie_names").toArray().size(), 1);
    EXPECT_EQ(signedIn.value("cookie_names").toArray()[0].toString(), "sim_login");
    EXPECT_TRUE(sim->logged("cookies sim_login"));
    // Nothing of the cookies stays: not the file of this run, not the folder of the crashed one.
    EXPECT_TRUE(cookieFolders().empty()) << cookieFolders().front();
    for (const std::string& file : testing_support::filesIn(out_)) std::filesystem::remove(out_ + "/" + file);
  }
  EXPECT_TRUE(cookieFolders().empty());
}

// A stream with a chunk size comes in consecutive ranges of that size (the simulator refuses anything
// larger); stopped in the middle, the next download goes on from the part's end, piece by piece.
TEST_F(TodaySitesTest, AChunkedStreamComesInRangesAndResumesPieceByPiece) {
  ::setenv("FAKE_YTDLP_CHUNK", "65536", 1);
  const std::string page = otherPage("c1-chunked-slow");
  RecordingListener first;
  first.onProgress = [&first] {
    // Stopped once the first piece is in and the second has begun.
    if (first.received > 70000 && first.outcomes.empty() && !first.stages.empty())
      first.stages.push_back("stop");
  };
  {
    download::JobParts parts = download::standardJobParts();
    parts.pageRules = {};
    download::Job job(
        testing_support::jobInput(page, download::RequestMode::DownloadConvert, out_, ".mp3", kMp3Args),
        std::move(parts), first);
    job.start();
    ASSERT_TRUE(testing_support::waitFor([&] { return first.stages.back() == "stop"; }, 30000));
    EXPECT_GT(first.total, 65536);  // the whole video's size, not a piece's
    job.stop();
    ASSERT_TRUE(testing_support::waitFor([&] { return !first.outcomes.empty(); }, 5000));
  }
  const std::string part = out_ + "/Sim clip c1-chunked-slow.flv.part";
  ASSERT_TRUE(std::filesystem::exists(part));
  const auto kept = static_cast<std::int64_t>(std::filesystem::file_size(part));
  EXPECT_GE(kept, 65536);
  sim->mark();
  RecordingListener second;
  const JobOutcome outcome = run(page, second);
  ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
  EXPECT_EQ(testing_support::filesIn(out_), std::vector<std::string>{"Sim clip c1-chunked-slow.mp3"});
  // The rest, in ranges of at most a chunk, each from the end of the one before.
  std::vector<std::string> ranges;
  for (const std::string& line : sim->logLines())
    if (line.find("cache GET /stream/c1-chunked-slow.flv") == 0)
      ranges.push_back(line.substr(line.find("Range: ")));
  ASSERT_FALSE(ranges.empty());
  const auto total = static_cast<std::int64_t>(sim->clipBytes("flv"));
  std::int64_t next = kept;
  for (std::size_t i = ranges.size() - ((total - kept + 65535) / 65536); i < ranges.size(); ++i) {
    const std::int64_t last = std::min(next + 65535, total - 1);
    EXPECT_EQ(ranges[i], "Range: bytes=" + std::to_string(next) + "-" + std::to_string(last));
    next = last + 1;
  }
  EXPECT_EQ(next, total);
}

// A stream offered only as an HLS playlist goes to ffmpeg as its input: no download panel, the cookies the
// resolver gives through ffmpeg's own option; a missing segment fails by name with nothing kept; with a
// SOCKS proxy set, such a stream is refused.
TEST_F(TodaySitesTest, AnHlsOnlyStreamIsReadByTheConverter) {
  fakeProgram("deno", "deno 2.5.0");
  std::vector<platform::BrowserCookie> cookies{{"sim_login", kSignedIn, "127.0.0.1", "/", false, -1}};
  const download::ResolverCookieSource signedIn{
      .ready = [] { return true; },
      .fetch =
          [cookies](std::function<void(std::vector<platform::BrowserCookie>)> answer) {
            QTimer::singleShot(0, [answer, cookies] { answer(cookies); });
          },
  };
  const struct {
    const char* name;
    std::string page;
    const char* socks;
    std::string message;  // empty: done
  } cases[] = {
      {"a playlist", otherPage("h1-hls"), nullptr, ""},
      {"a signed-in playlist", youTubePage("h2-hls-login"), nullptr, ""},
      {"a missing segment", otherPage("h3-hls-missingseg"), nullptr,
       "A segment of the stream could not be fetched: "},
      {"a SOCKS proxy", otherPage("h4-hls"), "socks5://127.0.0.1:1",
       "ffmpeg cannot go through the SOCKS proxy that is set"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.socks != nullptr) ::setenv("all_proxy", c.socks, 1);
    sim->mark();
    RecordingListener listener;
    const JobOutcome outcome = run(c.page, listener, signedIn);
    ::unsetenv("all_proxy");
    for (const std::string& stage : listener.stages) EXPECT_EQ(stage.rfind("download", 0), std::string::npos);
    if (c.message.empty()) {
      ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
      ASSERT_EQ(outcome.files.size(), 1u);
      const double seconds = std::stod(convert_test::probeStream(outcome.files[0], "duration"));
      EXPECT_NEAR(seconds, 4.0, 0.5);
      EXPECT_EQ(listener.percent, 100);
    } else {
      EXPECT_EQ(outcome.status, JobOutcome::Status::Failed);
      EXPECT_THAT(outcome.message, HasSubstr(c.message));
      if (std::string(c.name) == "a missing segment") {
        EXPECT_THAT(outcome.message, HasSubstr("Failed to open segment 1"));
      }
    }
    if (std::string(c.name) == "a signed-in playlist") {
      EXPECT_TRUE(sim->logged("# cache /hls/h2-hls-login/seg0.ts: cookies sim_login"));
    }
    // Nothing stays under the audio file's name but a whole conversion; no video, no part.
    const std::vector<std::string> files = testing_support::filesIn(out_);
    EXPECT_EQ(files.size(), c.message.empty() ? 1u : 0u);
    for (const std::string& file : files) std::filesystem::remove(out_ + "/" + file);
  }
}

}  // namespace
