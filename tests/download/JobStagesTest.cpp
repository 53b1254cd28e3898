// The stages of a job and the job over them, without any window: each stage's outcomes as a table, Stop at
// every stage, and the one outcome a job reports, never from inside start() or stop(). Real servers on
// 127.0.0.1 and the real ffmpeg; the page's search through scripted locators.
#include "ProxyEnvironment.h"
#include "ScriptedPeer.h"

#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "download/AudioConversion.h"
#include "download/Job.h"
#include "download/PartFile.h"
#include "download/StreamDownload.h"
#include "download/StreamSearch.h"
#include "support/JobInputs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

namespace fs = std::filesystem;
using download::JobOutcome;
using download::LocatorResult;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;

constexpr const char* kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";
constexpr const char* kSitePage = "http://www.youtube.com/watch?v=abc";
constexpr const char* kOtherPage = "https://videos.example/clip/7";

// A locator that answers what the test says (or never), and tells what was asked of it.
struct LocatorLog {
  std::vector<std::string> started;
  int stopped = 0;
};

class ScriptedLocator final : public download::StreamLocator {
 public:
  ScriptedLocator(std::optional<LocatorResult> answer, LocatorLog& log, int delayMs = 0)
      : answer_(std::move(answer)), log_(log), delayMs_(delayMs) {}
  void start(const std::string& page, Done done) override {
    log_.started.push_back(page);
    if (!answer_) return;  // never answers
    QTimer::singleShot(delayMs_, context_.get(), [this, done = std::move(done)] { done(*answer_); });
  }
  void stop() override {
    ++log_.stopped;
    context_.reset();
  }

 private:
  std::optional<LocatorResult> answer_;
  LocatorLog& log_;
  int delayMs_;
  std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
};

download::LocatorFactory scripted(std::optional<LocatorResult> answer, LocatorLog& log, int delayMs = 0) {
  return [answer, &log, delayMs] {
    return std::unique_ptr<download::StreamLocator>(std::make_unique<ScriptedLocator>(answer, log, delayMs));
  };
}

LocatorResult found(const std::string& url, const std::string& fileName) {
  return {
      .status = LocatorResult::Status::Found,
      .stream = {.url = url, .fileName = fileName, .title = "A title", .headers = {}, .downloadOnly = false},
      .message = {}};
}

LocatorResult answer(LocatorResult::Status status, std::string message = {}) {
  return {.status = status, .stream = {}, .message = std::move(message)};
}

TEST(StreamSearchTest, EndsWithTheStreamOrTheReasonThereIsNone) {
  using S = LocatorResult::Status;
  using Cause = JobOutcome::Cause;
  const std::string notFoundText = std::string("Unable get html from ") + kSitePage;
  const struct {
    const char* name;
    const char* page;
    std::optional<LocatorResult> pageRules;  // nullopt: no page rules at all
    std::optional<LocatorResult> resolver;   // nullopt: no resolver at all
    bool found;
    Cause cause;
    std::string message;
    std::size_t resolverAsked;
  } rows[] = {
      // Both searches run at once on a site's page; the first stream wins, and a failure of both is told
      // with the resolver's words (the age notice once the resolver has failed too).
      {"site page, found by its rules", kSitePage, found("http://v/1", "a.flv"), answer(S::Failed), true,
       Cause::None, "", 1},
      {"site page, then the resolver", kSitePage, answer(S::NotFound), found("http://v/2", "b.mp4"), true,
       Cause::None, "", 1},
      {"site page, both find nothing", kSitePage, answer(S::NotFound), answer(S::Failed, "ERROR: gone"),
       false, Cause::ResolverFailed, "ERROR: gone", 1},
      {"site page without a resolver", kSitePage, answer(S::NotFound), std::nullopt, false,
       Cause::NoStreamFound, notFoundText, 0},
      {"the age page, the resolver finds it", kSitePage, answer(S::AgeRestricted),
       found("http://v/3", "c.mp4"), true, Cause::None, "", 1},
      {"the age page, the resolver fails", kSitePage, answer(S::AgeRestricted), answer(S::Failed, "x"), false,
       Cause::AgeRestricted, "", 1},
      {"unreadable text without a resolver", kSitePage, answer(S::Unreadable), std::nullopt, false,
       Cause::PageUnreadable, "Unable get html from the url. Please try again later!", 0},
      {"refused by the browser, the resolver finds it", kSitePage, answer(S::Refused, "engine missing"),
       found("http://v/3", "c.mp4"), true, Cause::None, "", 1},
      {"other site, resolver finds it", kOtherPage, found("http://v/9", "x.mp4"),
       found("http://v/4", "d.webm"), true, Cause::None, "", 1},
      {"other site, resolver fails with its words", kOtherPage, std::nullopt,
       answer(S::Failed, "ERROR: private"), false, Cause::ResolverFailed, "ERROR: private", 1},
      {"other site without a resolver", kOtherPage, std::nullopt, std::nullopt, false, Cause::NoStreamFound,
       std::string("Unable get html from ") + kOtherPage, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    LocatorLog pageLog, resolverLog;
    download::StreamSearch search(row.pageRules ? scripted(row.pageRules, pageLog) : nullptr,
                                  row.resolver ? scripted(row.resolver, resolverLog) : nullptr);
    std::optional<download::SearchResult> result;
    search.start(row.page, [&](download::SearchResult r) { result = std::move(r); });
    EXPECT_FALSE(result.has_value()) << "never told inside start()";
    ASSERT_TRUE(testing_support::waitFor([&] { return result.has_value(); }, 5000));
    EXPECT_EQ(result->found, row.found);
    EXPECT_EQ(result->cause, row.cause);
    if (row.cause == Cause::AgeRestricted) {
      EXPECT_NE(result->message.find("verify you are 18 or older"), std::string::npos);
    } else {
      EXPECT_EQ(result->message, row.message);
    }
    EXPECT_EQ(resolverLog.started.size(), row.resolverAsked);
    EXPECT_EQ(pageLog.started.size(), row.page == std::string(kSitePage) && row.pageRules ? 1u : 0u);
  }
}

TEST(StreamSearchTest, StopEndsEitherSearchWithoutAWord) {
  for (const bool inResolver : {false, true}) {
    SCOPED_TRACE(inResolver ? "resolver" : "page rules");
    LocatorLog pageLog, resolverLog;
    download::StreamSearch search(
        scripted(inResolver ? std::optional(answer(LocatorResult::Status::NotFound)) : std::nullopt, pageLog),
        scripted(std::nullopt, resolverLog));
    bool told = false;
    search.start(kSitePage, [&](download::SearchResult) { told = true; });
    testing_support::waitFor([&] { return !inResolver || !resolverLog.started.empty(); }, 5000);
    search.stop();
    testing_support::waitFor([] { return false; }, 50);
    EXPECT_FALSE(told);
    EXPECT_EQ((inResolver ? resolverLog : pageLog).stopped, 1);
  }
}

// The download stage against scripted servers: the whole video, a failure with its reason, and Stop.
class StreamDownloadTest : public testing::Test {
 protected:
  using Headers = std::vector<std::pair<std::string, std::string>>;
  std::optional<download::DownloadResult> run(download::StreamDownload& stage, const std::string& url,
                                              const std::function<bool()>& stopWhen = {},
                                              const Headers& headers = {}) {
    std::optional<download::DownloadResult> result;
    stage.setRetryPause(10);
    stage.start({.url = url, .videoPath = video_, .headers = headers}, nullptr,
                [&](download::DownloadResult r) { result = std::move(r); });
    EXPECT_FALSE(result.has_value()) << "never told inside start()";
    testing_support::waitFor([&] { return result.has_value() || (stopWhen && stopWhen()); }, 20000);
    return result;
  }

  TempDir dir_;
  std::string video_ = dir_.file("clip.flv");
};

TEST_F(StreamDownloadTest, TheWholeVideoOrAFailureWithItsReason) {
  const struct {
    const char* name;
    std::string reply;
    download::DownloadResult::Status status;
    std::string failure;  // the end of the failure's text
    bool videoThere;
  } rows[] = {
      {"whole", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nvideo",
       download::DownloadResult::Status::Complete, "", true},
      {"not found", "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\nnope",
       download::DownloadResult::Status::Failed, ": 404 Not Found", false},
      {"no video", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", download::DownloadResult::Status::Failed,
       ": 200 OK (no video in the reply)", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(video_);
    testing_support::ScriptedPeer server;
    server.readUntil("\r\n\r\n").send(row.reply).halfClose();
    server.start();
    download::StreamDownload stage;
    const auto result = run(stage, "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv");
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, row.status);
    EXPECT_TRUE(result->failure.ends_with(row.failure)) << result->failure;
    EXPECT_EQ(fs::exists(video_), row.videoThere);
    EXPECT_FALSE(fs::exists(video_ + ".part"));
  }
}

// Every wait has a limit, named with its host in the message: the connection (a SOCKS proxy's negotiation
// included), the TLS handshake however slowly its bytes come, and the reply. A body that stops flowing is
// a cut, continued from where it stopped; one that flows slowly is no cut.
TEST_F(StreamDownloadTest, EveryWaitOfASilentPeerHasATimeLimit) {
  using Status = download::DownloadResult::Status;
  const std::string ok = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n";
  const struct {
    const char* name;
    std::function<void(testing_support::ScriptedPeer&)> script;
    const char* scheme;
    bool throughSocks;  // the peer is the SOCKS proxy; the stream's server is never reached
    Status status;
    std::string failure;  // found in the failure's text
  } rows[] = {
      {"a server that never answers", [](auto& peer) { peer.readUntil("\r\n\r\n").staySilent(); }, "http",
       false, Status::Failed, "no data for 300 ms from 127.0.0.1"},
      {"a SOCKS proxy that never answers", [](auto& peer) { peer.staySilent(); }, "http", true,
       Status::Failed, "no connection to 127.0.0.1 within 300 ms"},
      {"a TLS handshake a byte at a time",
       [](auto& peer) {
         peer.read(1);
         for (char c : std::string("\x16\x03\x03\x00\x40........")) peer.send(std::string(1, c)).delay(100);
         peer.staySilent();
       },
       "https", false, Status::Failed, "no TLS handshake with 127.0.0.1 within 300 ms"},
      {"a body that stops, continued",
       [&](auto& peer) {
         // Silent past the idle limit, then gone: the peer serves one connection at a time.
         peer.readUntil("\r\n\r\n").send(ok + "vi").delay(400);
         peer.nextConnection()
             .readUntil("\r\n\r\n")
             .send(
                 "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes 2-4/5\r\nContent-Length: 3\r\n\r\ndeo")
             .halfClose();
       },
       "http", false, Status::Complete, ""},
      {"a body of unknown size cut, continued by its ETag",
       [&](auto& peer) {
         peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nETag: \"e1\"\r\n\r\nvi").delay(50).reset();
         peer.nextConnection()
             .readUntil("\r\n\r\n")
             .send("HTTP/1.0 206 Partial Content\r\nETag: \"e1\"\r\nContent-Range: bytes 2-4/5\r\n\r\ndeo")
             .halfClose();
       },
       "http", false, Status::Complete, ""},
      {"a slow body, never idle",
       [&](auto& peer) {
         peer.readUntil("\r\n\r\n").send(ok);
         for (char c : std::string("video")) peer.delay(150).send(std::string(1, c));
         peer.halfClose();
       },
       "http", false, Status::Complete, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(video_);
    download_test::ProxyEnvironment proxies;
    testing_support::ScriptedPeer peer;
    row.script(peer);
    peer.start();
    const std::string port = std::to_string(peer.port());
    std::string url = std::string(row.scheme) + "://127.0.0.1:" + port + "/v.flv";
    if (row.throughSocks) {
      proxies.set("all_proxy", ("socks5://127.0.0.1:" + port).c_str());
      url = "http://127.0.0.1:" + std::to_string(testing_support::ScriptedPeer::unusedPort()) + "/v.flv";
    }
    download::StreamDownload stage;
    stage.setTimeLimits(300, 300, 300);
    const auto result = run(stage, url);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, row.status) << result->failure;
    EXPECT_NE(result->failure.find(row.failure), std::string::npos) << result->failure;
    if (row.status == Status::Complete) {
      EXPECT_EQ(testing_support::readFile(video_), "video");
    }
    if (std::string(row.name).find("continued") != std::string::npos) {
      EXPECT_NE(peer.received(1).find("Range: bytes=2-"), std::string::npos) << peer.received(1);
    }
  }
}

// The resolver's cookie and Authorization field go to the stream's own host only; its harmless fields follow
// every relocation.
TEST_F(StreamDownloadTest, TheResolversCredentialsStayWithTheStreamsHost) {
  testing_support::ScriptedPeer elsewhere;
  elsewhere.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nvideo").halfClose();
  elsewhere.start();
  testing_support::ScriptedPeer stream;
  stream.readUntil("\r\n\r\n").send("HTTP/1.0 302 Found\r\nLocation: /moved\r\n\r\n").halfClose();
  stream.nextConnection()
      .readUntil("\r\n\r\n")
      .send("HTTP/1.0 302 Found\r\nLocation: http://localhost:" + std::to_string(elsewhere.port()) +
            "/v\r\n\r\n")
      .halfClose();
  stream.start();
  download::StreamDownload stage;
  const auto result = run(stage, "http://127.0.0.1:" + std::to_string(stream.port()) + "/v.flv", {},
                          {{"Cookie", "session=s1"},
                           {"Authorization", "Bearer t0"},
                           {"Referer", "http://page.example/"},
                           {"User-Agent", "agent/1"}});
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->status, download::DownloadResult::Status::Complete) << result->failure;
  for (int connection : {0, 1}) {
    const std::string request = stream.received(connection);
    EXPECT_NE(request.find("\r\nCookie: session=s1\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nAuthorization: Bearer t0\r\n"), std::string::npos) << request;
  }
  const std::string moved = elsewhere.received(0);
  EXPECT_EQ(moved.find("session=s1"), std::string::npos) << moved;
  EXPECT_EQ(moved.find("Authorization"), std::string::npos) << moved;
  EXPECT_NE(moved.find("\r\nReferer: http://page.example/\r\n"), std::string::npos) << moved;
  EXPECT_NE(moved.find("\r\nUser-Agent: agent/1\r\n"), std::string::npos) << moved;
}

// A part that is a symbolic link is refused by name; the file it points to stays as it was.
TEST_F(StreamDownloadTest, APartThatIsALinkIsRefused) {
  const std::string outside = dir_.write("elsewhere.txt", "the user's");
  fs::create_symlink(outside, video_ + ".part");
  testing_support::ScriptedPeer server;
  server.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nvideo").halfClose();
  server.start();
  download::StreamDownload stage;
  const auto result = run(stage, "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv");
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->status, download::DownloadResult::Status::Failed);
  EXPECT_EQ(result->failure, "\"" + video_ + ".part\" is not a regular file");
  EXPECT_EQ(testing_support::readFile(outside), "the user's");
  EXPECT_FALSE(fs::exists(video_));
}

TEST_F(StreamDownloadTest, StopKeepsThePartAndTellsNothing) {
  testing_support::ScriptedPeer server;
  server.readUntil("\r\n\r\n")
      .send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(20000, 'v'));
  server.staySilent();
  server.start();
  download::StreamDownload stage;
  const auto result = run(stage, "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv",
                          [&] { return stage.client().receivedCount() >= 20000; });
  EXPECT_FALSE(result.has_value());
  EXPECT_EQ(stage.stop(), video_ + ".part");
  testing_support::waitFor([] { return false; }, 50);
  EXPECT_EQ(fs::file_size(video_ + ".part"), 20000u);
  EXPECT_TRUE(fs::exists(video_ + ".part.info"));
  EXPECT_FALSE(fs::exists(video_));
}

// The conversion stage with the program's conversion object and the real ffmpeg.
class AudioConversionTest : public testing::Test {
 protected:
  void SetUp() override { convert::createConvertProcess(); }
  void TearDown() override { convert::destroyConvertProcess(); }

  std::optional<download::ConversionResult> run(download::AudioConversion& stage, const std::string& input,
                                                std::vector<int>* percents = nullptr) {
    std::optional<download::ConversionResult> result;
    stage.start(
        {.input = input, .output = audio_, .arguments = kMp3Args, .tags = {}},
        [percents](const download::ConversionFigures& f) {
          if (percents != nullptr) percents->push_back(f.percent);
        },
        [&](download::ConversionResult r) { result = std::move(r); });
    EXPECT_FALSE(result.has_value()) << "never told inside start()";
    testing_support::waitFor([&] { return result.has_value(); }, 30000);
    return result;
  }

  TempDir dir_;
  std::string audio_ = dir_.file("clip.mp3");
};

TEST_F(AudioConversionTest, EndsDoneFailedOrKept) {
  const std::string video = dir_.file("clip.flv");
  convert_test::makeVideo(video, 2);
  using Status = download::ConversionResult::Status;
  {
    download::AudioConversion stage(*convert::convertProcess);
    std::vector<int> percents;
    const auto result = run(stage, video, &percents);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, Status::Done);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(convert_test::probeStream(audio_, "codec_name"), "mp3");
  }
  {
    ScriptedDialogs dialogs;
    dialogs.answer(platform::ModalResult::No);  // keep the existing audio file
    download::AudioConversion stage(*convert::convertProcess);
    const auto result = run(stage, video);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, Status::Kept);
  }
  {
    fs::remove(audio_);
    download::AudioConversion stage(*convert::convertProcess);
    const auto result = run(stage, dir_.write("broken.flv", "not a video"));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->status, Status::Failed);
    EXPECT_FALSE(result->message.empty());
    EXPECT_FALSE(fs::exists(audio_));
  }
}

TEST_F(AudioConversionTest, StopEndsTheConverterAndLaterRecordsAreDropped) {
  const std::string video = dir_.file("long.flv");
  convert_test::makeVideo(video, 300);
  download::AudioConversion stage(*convert::convertProcess);
  bool told = false;
  stage.start({.input = video, .output = audio_, .arguments = kMp3Args, .tags = {}}, nullptr,
              [&](download::ConversionResult) { told = true; });
  const pid_t child = convert::convertProcess->processId();
  ASSERT_GT(child, 0);
  const platform::MailboxRef<convert::ConvertProgress> records = convert::convertProcess->notifyTarget;
  stage.stop();
  EXPECT_EQ(convert::convertProcess->processId(), 0);
  EXPECT_TRUE(::kill(child, 0) != 0 && errno == ESRCH);
  records.post(convert::ConvertProgress{.percent = 100});  // a record still on its way
  testing_support::waitFor([] { return false; }, 50);
  EXPECT_FALSE(told);
  EXPECT_FALSE(fs::exists(audio_));
  EXPECT_TRUE(fs::exists(video));
}

// The job over its stages: the stages it went through, its one outcome, and Stop at every stage.
class RecordingListener final : public download::JobListener {
 public:
  void searching(const std::string&) override { stages.push_back("search"); }
  void downloading(const std::string& file) override { stages.push_back("download " + file); }
  void downloadProgress(const download::DownloadFigures&) override {}
  void converting(const std::string& file) override { stages.push_back("convert " + file); }
  void conversionProgress(const download::ConversionFigures&) override {}
  void finished(const JobOutcome& outcome) override { outcomes.push_back(outcome); }

  std::vector<std::string> stages;
  std::vector<JobOutcome> outcomes;
};

class JobOutcomeTest : public testing::Test {
 protected:
  void SetUp() override {
    convert::createConvertProcess();
    convert_test::makeVideo(served_, 2);
  }
  void TearDown() override { convert::destroyConvertProcess(); }

  download::JobInput input(download::RequestMode mode, const std::string& source = kSitePage) const {
    return testing_support::jobInput(source, mode, out_.path(), ".mp3", kMp3Args);
  }
  download::JobParts parts(std::optional<LocatorResult> pageAnswer) {
    download::JobParts p;
    p.converter = convert::convertProcess;
    p.pageRules = scripted(std::move(pageAnswer), log_);
    p.resolver = nullptr;
    p.retryPauseMs = 10;
    return p;
  }
  // A server that sends the test video once its request has come.
  std::string serveVideo(testing_support::ScriptedPeer& server, bool stall = false) {
    const std::string video = testing_support::readFile(served_);
    server.readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(video.size()) + "\r\n\r\n" +
              (stall ? video.substr(0, video.size() / 2) : video));
    if (stall) {
      server.staySilent();
    } else {
      server.halfClose();
    }
    server.start();
    return "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv";
  }

  TempDir dir_, out_;
  std::string served_ = dir_.file("served.flv");
  LocatorLog log_;
};

TEST_F(JobOutcomeTest, APageBecomesTheAudioFileAndTheVideoGoes) {
  testing_support::ScriptedPeer server;
  const std::string url = serveVideo(server);
  RecordingListener listener;
  download::Job job(input(download::RequestMode::DownloadConvert), parts(found(url, "My: clip.flv")),
                    listener);
  job.start();
  ASSERT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 30000));
  testing_support::waitFor([] { return false; }, 50);
  ASSERT_EQ(listener.outcomes.size(), 1u);
  EXPECT_EQ(listener.outcomes[0].status, JobOutcome::Status::Done);
  EXPECT_EQ(listener.outcomes[0].files, std::vector<std::string>{out_.file("My clip.mp3")});
  EXPECT_EQ(listener.stages,
            (std::vector<std::string>{"search", "download My clip.flv", "convert My clip.mp3"}));
  EXPECT_EQ(convert_test::probeTag(out_.file("My clip.mp3"), "title"), "A title");
  EXPECT_EQ(convert_test::probeTag(out_.file("My clip.mp3"), "comment"), kSitePage);
  EXPECT_FALSE(fs::exists(out_.file("My clip.flv")));
}

// When the page rules find the stream first, the resolver goes on: its title names the audio file's tags when
// it answers before the conversion starts; one that would answer later is stopped then.
TEST_F(JobOutcomeTest, TheResolversTitleCountsUntilTheConversionStarts) {
  const std::string video = testing_support::readFile(served_);
  for (const int resolverMs : {200, 20000}) {
    SCOPED_TRACE(resolverMs);
    testing_support::ScriptedPeer server;  // the body comes after a second: the download takes that long
    server.readUntil("\r\n\r\n")
        .send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(video.size()) + "\r\n\r\n")
        .delay(1000)
        .send(video)
        .halfClose();
    server.start();
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv";
    LocatorResult fromResolver = found(url, "other.webm");
    fromResolver.stream.title = "The resolver's title";
    LocatorLog resolverLog;
    download::JobParts both = parts(found(url, "clip.flv"));
    both.resolver = scripted(fromResolver, resolverLog, resolverMs);
    RecordingListener listener;
    download::Job job(input(download::RequestMode::DownloadConvert), both, listener);
    job.start();
    ASSERT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 30000));
    EXPECT_EQ(listener.outcomes[0].status, JobOutcome::Status::Done);
    EXPECT_EQ(convert_test::probeTag(out_.file("clip.mp3"), "title"),
              resolverMs < 1000 ? "The resolver's title" : "A title");
    EXPECT_EQ(resolverLog.stopped, 1) << "the resolver is let go once it is no longer needed";
    fs::remove(out_.file("clip.mp3"));
  }
}

// The download never takes the audio file's name: an audio-only stream with the audio file's extension gets
// its own, and the overwrite question is about the user's audio file alone. A long title is cut to fit the
// longest name the job writes (the audio file's, the part's and its record's).
TEST_F(JobOutcomeTest, TheVideoAndTheAudioFileHaveNamesOfTheirOwn) {
  const std::string longStem(252, 'x');
  const struct {
    const char* name;
    std::string streamName;
    std::optional<int> overwrite;  // the answer to the overwrite question, when one is asked
    JobOutcome::Status status;
    std::string audio;  // the audio file's name
    bool userFileKept;
  } rows[] = {
      {"the audio file's extension, the user's file kept", "Song.mp3", platform::ModalResult::No,
       JobOutcome::Status::Failed, "Song.mp3", true},
      {"the audio file's extension, replaced when asked", "Song.MP3", platform::ModalResult::Yes,
       JobOutcome::Status::Done, "Song.mp3", false},
      {"a long title with a short extension", longStem + ".ts", std::nullopt, JobOutcome::Status::Done,
       longStem.substr(0, 255 - 3 - download::PartFile::kLongestEnding) + ".mp3", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(out_.path());
    fs::create_directories(out_.path());
    const std::string userFile = out_.write("Song.mp3", "the user's own song");
    testing_support::ScriptedPeer server;
    const std::string url = serveVideo(server);
    ScriptedDialogs dialogs;
    if (row.overwrite) dialogs.answer(*row.overwrite);
    RecordingListener listener;
    download::Job job(input(download::RequestMode::DownloadConvert), parts(found(url, row.streamName)),
                      listener);
    job.start();
    ASSERT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 30000));
    EXPECT_EQ(listener.outcomes[0].status, row.status) << listener.outcomes[0].message;
    EXPECT_EQ(dialogs.shown().size(), row.overwrite ? 1u : 0u);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out_.path()))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected{"Song.mp3", row.audio};
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(left, expected) << "the video and its part are gone";
    EXPECT_EQ(testing_support::readFile(userFile) == "the user's own song", row.userFileKept);
    if (row.status == JobOutcome::Status::Done) {
      EXPECT_EQ(convert_test::probeStream(out_.file(row.audio), "codec_name"), "mp3");
    }
  }
}

TEST_F(JobOutcomeTest, FailuresOfEachStageAreItsOutcome) {
  testing_support::ScriptedPeer broken;
  broken.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nnot video").halfClose();
  broken.start();
  const std::string notVideo = "http://127.0.0.1:" + std::to_string(broken.port()) + "/v.flv";
  const struct {
    const char* name;
    LocatorResult page;
    JobOutcome::Cause cause;
    std::vector<std::string> left;  // files in the output folder afterwards
  } rows[] = {
      {"no stream", answer(LocatorResult::Status::NotFound), JobOutcome::Cause::NoStreamFound, {}},
      {"the download fails",
       found("http://127.0.0.1:" + std::to_string(testing_support::ScriptedPeer::unusedPort()) + "/v.flv",
             "v.flv"),
       JobOutcome::Cause::DownloadFailed,
       {}},
      {"the conversion fails", found(notVideo, "v.flv"), JobOutcome::Cause::ConversionFailed, {"v.flv"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(out_.path());
    fs::create_directories(out_.path());
    RecordingListener listener;
    download::Job job(input(download::RequestMode::DownloadConvert), parts(row.page), listener);
    job.start();
    ASSERT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 30000));
    EXPECT_EQ(listener.outcomes[0].status, JobOutcome::Status::Failed);
    EXPECT_EQ(listener.outcomes[0].cause, row.cause);
    EXPECT_FALSE(listener.outcomes[0].message.empty());
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out_.path()))
      left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, row.left);
  }
}

TEST_F(JobOutcomeTest, StopAtEveryStageEndsItWithWhatWasKept) {
  const std::string longVideo = dir_.file("long.flv");
  convert_test::makeVideo(longVideo, 300);
  enum class At { Search, Download, Convert };
  for (const At at : {At::Search, At::Download, At::Convert}) {
    SCOPED_TRACE(static_cast<int>(at));
    fs::remove_all(out_.path());
    fs::create_directories(out_.path());
    testing_support::ScriptedPeer server;
    const std::string url = at == At::Download ? serveVideo(server, true) : std::string();
    RecordingListener listener;
    std::unique_ptr<download::Job> job;
    if (at == At::Convert) {
      job = std::make_unique<download::Job>(input(download::RequestMode::ConvertLocalFile, longVideo),
                                            parts(std::nullopt), listener);
    } else {
      job = std::make_unique<download::Job>(
          input(download::RequestMode::DownloadConvert),
          parts(at == At::Search ? std::nullopt : std::optional(found(url, "v.flv"))), listener);
    }
    job->start();
    testing_support::waitFor(
        [&] {
          if (at == At::Download)
            return fs::exists(out_.file("v.flv.part")) && fs::file_size(out_.file("v.flv.part")) > 0;
          return true;
        },
        10000);
    const pid_t converter = convert::convertProcess->processId();
    job->stop();
    EXPECT_TRUE(listener.outcomes.empty()) << "never told inside stop()";
    job->stop();  // a second stop changes nothing
    ASSERT_TRUE(testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 5000));
    testing_support::waitFor([] { return false; }, 50);
    ASSERT_EQ(listener.outcomes.size(), 1u);
    EXPECT_EQ(listener.outcomes[0].status, JobOutcome::Status::Stopped);
    switch (at) {
      case At::Search:
        EXPECT_EQ(log_.stopped, 1);
        EXPECT_TRUE(listener.outcomes[0].files.empty());
        break;
      case At::Download:
        EXPECT_EQ(listener.outcomes[0].files, std::vector<std::string>{out_.file("v.flv.part")});
        EXPECT_TRUE(fs::exists(out_.file("v.flv.part")));
        break;
      case At::Convert:
        EXPECT_GT(converter, 0);
        EXPECT_TRUE(::kill(converter, 0) != 0 && errno == ESRCH);
        EXPECT_TRUE(listener.outcomes[0].files.empty()) << "a local source is no file of the job's";
        EXPECT_TRUE(fs::is_empty(out_.path())) << "nothing under the audio file's name";
        break;
    }
    log_ = {};
  }
}

}  // namespace
