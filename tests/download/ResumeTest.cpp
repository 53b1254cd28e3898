// Downloads that continue a part: a connection cut inside the body, Stop then Start again, and the
// replies to a range request that must not be trusted, against the site simulator and nginx on
// 127.0.0.1. The reply rules themselves are checked on header lines first.
#include "LocalServers.h"
#include "ProxyEnvironment.h"

#include "app/DownloadWindow.h"
#include "common/Files.h"
#include "download/PartFile.h"
#include "net/http/FileStream.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

using app::DownloadWindow;
using testing_support::ScriptedDialogs;
using testing_support::TempDir;
namespace fs = std::filesystem;

namespace {

using testing_support::readFile;

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The lines of `log` that name `path`.
std::vector<std::string> linesWith(const std::string& log, const std::string& path) {
  std::vector<std::string> found;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);)
    if (line.find(path) != std::string::npos && line.rfind("#", 0) != 0) found.push_back(line);
  return found;
}

TEST(RangeReply, OnlyTheBytesAskedForOfTheSameVideoAreKept) {
  using download::RangeReply;
  const download::VideoValidators before{.total = 1000, .etag = "\"v1\"", .lastModified = "Tue, 15 Jan 2008"};
  const std::string etag = "ETag: \"v1\"", modified = "Last-Modified: Tue, 15 Jan 2008";
  const struct {
    const char* what;
    std::int64_t from;
    int status;
    std::vector<std::string> lines;
    RangeReply expected;
  } cases[] = {
      {"the rest of the same video",
       400,
       206,
       {"HTTP/1.1 206 Partial Content", "Content-Range: bytes 400-999/1000", etag, modified},
       RangeReply::Continue},
      {"field names in other letter case",
       400,
       206,
       {"HTTP/1.1 206", "content-range: BYTES 400-999/1000", "etag: \"v1\"",
        "LAST-MODIFIED: Tue, 15 Jan 2008"},
       RangeReply::Continue},
      {"the range ignored",
       400,
       200,
       {"HTTP/1.1 200 OK", "Content-Length: 1000", etag},
       RangeReply::StartOverHere},
      {"other bytes",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 0-999/1000", etag, modified},
       RangeReply::StartOverAnew},
      {"only some of the rest",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-499/1000", etag, modified},
       RangeReply::StartOverAnew},
      {"a total that shrank",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-998/999", etag, modified},
       RangeReply::StartOverAnew},
      {"a changed ETag",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", "ETag: \"v2\"", modified},
       RangeReply::StartOverAnew},
      {"the ETag gone",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", modified},
       RangeReply::StartOverAnew},
      {"a changed date",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", etag, "Last-Modified: Wed, 16 Jan 2008"},
       RangeReply::StartOverAnew},
      {"no Content-Range", 400, 206, {"HTTP/1.1 206", etag, modified}, RangeReply::StartOverAnew},
      {"a length of more bytes than the range",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", "Content-Length: 1000", etag, modified},
       RangeReply::StartOverAnew},
      {"a length of the range's bytes",
       400,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", "Content-Length: 600", etag, modified},
       RangeReply::Continue},
      {"a range past the end",
       400,
       416,
       {"HTTP/1.1 416", "Content-Range: bytes */300"},
       RangeReply::StartOverAnew},
      {"a part nobody asked for",
       0,
       206,
       {"HTTP/1.1 206", "Content-Range: bytes 0-999/1000"},
       RangeReply::NotVideo},
      {"an error", 400, 403, {"HTTP/1.1 403 Forbidden"}, RangeReply::NotVideo},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(download::checkRangeReply(c.from, before, c.status, c.lines), c.expected) << c.what;
  }
  // A video whose size was not said is continued by its validators alone, never without one.
  EXPECT_EQ(download::checkRangeReply(400, {.total = -1, .etag = "\"v1\"", .lastModified = ""}, 206,
                                      {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", etag}),
            RangeReply::Continue);
  EXPECT_EQ(download::checkRangeReply(400, {.total = -1, .etag = "", .lastModified = ""}, 206,
                                      {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000", etag}),
            RangeReply::StartOverAnew);
  // Without validators kept, a 206 needs only the right bytes and total.
  EXPECT_EQ(download::checkRangeReply(400, {.total = 1000, .etag = "", .lastModified = ""}, 206,
                                      {"HTTP/1.1 206", "Content-Range: bytes 400-999/1000"}),
            RangeReply::Continue);
}

// A part file whose record is missing, names no size, or is smaller than the part is no part to continue.
TEST(PartFile, ContinuesOnlyAPartShorterThanItsRecordedVideo) {
  TempDir dir;
  const download::PartFile part(dir.file("clip.flv"));
  EXPECT_EQ(part.partPath(), dir.file("clip.flv.part"));
  download::VideoValidators kept;
  std::ofstream(part.partPath()) << std::string(500, 'x');
  EXPECT_EQ(part.resumableBytes(kept), 0) << "no record";
  const struct {
    std::int64_t total;
    std::int64_t expected;
  } cases[] = {{1000, 500}, {500, 0}, {400, 0}, {-1, 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(part.keepValidators({.total = c.total, .etag = "\"e\"", .lastModified = ""}));
    EXPECT_EQ(part.resumableBytes(kept), c.expected) << c.total;
    EXPECT_EQ(kept.total, c.total);
    EXPECT_EQ(kept.etag, "\"e\"");
  }
  // A long video name leaves room for the endings, the record's temporary name included.
  const download::PartFile longPart(dir.file(std::string(250, 'n') + ".flv"));
  EXPECT_LE(fs::path(longPart.infoPath()).filename().string().size(), 255u);
  EXPECT_LE(fs::path(longPart.partPath()).filename().string().size(), 255u);
  std::ofstream(longPart.partPath()) << std::string(500, 'x');
  ASSERT_TRUE(longPart.keepValidators({.total = 1000, .etag = "", .lastModified = ""}));
  EXPECT_EQ(longPart.resumableBytes(kept), 500);
}

// A part or record that is a symbolic link, or a FIFO, is neither written, read, emptied nor removed: the
// download refuses it by name, and the file a link points to stays as it was.
TEST(PartFile, APartThatIsNoRegularFileIsRefusedAndLeftAlone) {
  TempDir dir;
  const std::string outside = dir.file("user's own file");
  std::ofstream(outside) << "precious";
  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
  } kinds[] = {
      {"a symbolic link", [&](const std::string& path) { fs::create_symlink(outside, path); }},
      {"a FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.what);
    const download::PartFile part(dir.file("clip.flv"));
    kind.make(part.partPath());
    kind.make(part.infoPath());
    download::VideoValidators kept;
    EXPECT_EQ(part.resumableBytes(kept), 0);
    for (const auto open : {http::FileStream::Open::Create, http::FileStream::Open::Continue}) {
      try {
        http::FileStream file(part.partPath(), open, http::FileStream::Accept::RegularOnly);
        ADD_FAILURE() << "opened";
      } catch (const http::StreamError& error) {
        EXPECT_EQ(std::string(error.what()), "\"" + part.partPath() + "\" is not a regular file");
      }
    }
    part.discard();
    EXPECT_TRUE(fs::exists(fs::symlink_status(part.partPath())));
    EXPECT_TRUE(fs::exists(fs::symlink_status(part.infoPath())));
    EXPECT_EQ(readFile(outside), "precious");
    fs::remove(part.partPath());
    fs::remove(part.infoPath());
  }
}

// The simulator, one for the whole test program, with what these tests read of it.
class Simulator : public testing_support::SiteSimulator {
 public:
  explicit Simulator(const TempDir& dir) : SiteSimulator(dir.path()) {
    if (!ready()) throw std::runtime_error("the simulator did not start");
  }
  const std::string cache = site("cache");
  const std::string youTube = site("youtube");
  const std::string video = readFile(clip("flv"));  // the bytes every stream sends
};

class ResumeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    simDir = new TempDir;
    simulator = new Simulator(*simDir);
  }
  static void TearDownTestSuite() {
    delete simulator;
    delete simDir;
  }
  void SetUp() override { fs::create_directories(out_); }

  static std::string stream(const std::string& id) { return simulator->cache + "/stream/" + id + ".flv"; }
  // The stream service's address for `id`, which relocates to the stream cache.
  static std::string streamService(const std::string& id) {
    const QByteArray hash =
        QCryptographicHash::hash("token:" + QByteArray::fromStdString(id), QCryptographicHash::Sha1);
    return simulator->youTube + "/get_video?asv=&video_id=" + id + "&t=sim" +
           hash.toHex().left(24).toStdString();
  }

  // Runs a window that downloads its stream and keeps the video; its modal result. `onData` runs whenever the
  // download bar moves.
  static int Run(DownloadWindow& window, const std::function<void(DownloadWindow&)>& onData = {}) {
    if (onData) {
      QObject::connect(window.downloadProgressBar, &QProgressBar::valueChanged, &window,
                       [&window, onData] { onData(window); });
    }
    return testing_support::runShown(window, 90000);
  }

  download::JobInput downloadOnly() const {
    return testing_support::jobInput("http://www.youtube.com/watch?v=abc",
                                     download::RequestMode::DownloadOnly, out_, ".mp3");
  }
  // A page whose stream is `url`, to be saved as `fileName` and kept.
  static download::JobParts known(const std::string& url, const std::string& fileName) {
    return testing_support::knownStreamParts(url, fileName, true);
  }

  TempDir dir_;
  std::string out_ = dir_.file("out");
  download_test::ProxyEnvironment proxyEnv_;
  static TempDir* simDir;
  static Simulator* simulator;
};

TempDir* ResumeTest::simDir = nullptr;
Simulator* ResumeTest::simulator = nullptr;

// Through the stream service's relocation, as a page's address goes: each request, the relocated one
// too, asks for the rest.
TEST_F(ResumeTest, ACutConnectionIsContinuedByItselfToTheSameVideo) {
  ScriptedDialogs dialogs;
  DownloadWindow window(nullptr, downloadOnly(), known(streamService("once-cutonce"), "clip.flv"));
  EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(readFile(out_ + "/clip.flv") == simulator->video);
  EXPECT_EQ(filesIn(out_), std::vector<std::string>{"clip.flv"}) << "no part and no record left";
  const std::size_t half = simulator->video.size() / 2;
  EXPECT_EQ(linesWith(simulator->log(), "/get_video?asv=&video_id=once-cutonce&").size(), 2u);
  const std::vector<std::string> requests = linesWith(simulator->log(), "/stream/once-cutonce.flv");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].find("Range"), std::string::npos) << requests[0];
  EXPECT_NE(requests[1].find("Range: bytes=" + std::to_string(half) + "-"), std::string::npos) << requests[1];
  // The bytes of the part count as received: the whole video against the whole size.
  const std::string kb = common::formatKilobytes(static_cast<std::int64_t>(simulator->video.size())) + " KB";
  EXPECT_EQ(window.receivedLabel->text().toStdString(), kb + " of " + kb + " received");
  EXPECT_EQ(window.downloadProgressBar->maximum(), static_cast<int>(simulator->video.size()));
  EXPECT_EQ(window.downloadProgressBar->value(), static_cast<int>(simulator->video.size()));
}

// A reply to the range request that cannot be trusted starts the video over: its body in the part
// (200), or a new request without a range (206 for other bytes or another video).
TEST_F(ResumeTest, UntrustedRangeRepliesStartOverFromTheFirstByte) {
  const struct {
    const char* word;
    std::size_t requests;  // the cut one, the range request, and the request without a range if any
  } cases[] = {{"norange", 2}, {"wrongrange", 3}, {"newetag", 3}, {"shrink", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    const std::string id = std::string("bad-") + c.word + "-cutonce";
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, downloadOnly(), known(stream(id), id + ".flv"));
    EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(readFile(out_ + "/" + id + ".flv") == simulator->video);
    EXPECT_FALSE(fs::exists(out_ + "/" + id + ".flv.part"));
    const std::vector<std::string> requests = linesWith(simulator->log(), "/stream/" + id + ".flv");
    ASSERT_EQ(requests.size(), c.requests);
    EXPECT_NE(requests[1].find("Range: bytes="), std::string::npos) << requests[1];
    if (c.requests == 3) {
      EXPECT_EQ(requests[2].find("Range"), std::string::npos) << requests[2];
    }
  }
}

// A connection cut every time is continued three times, then the failure is told; the part stays for
// the next download.
TEST_F(ResumeTest, ACutThatKeepsComingIsToldAfterThreeContinuations) {
  ScriptedDialogs dialogs;
  dialogs.answer(platform::ModalResult::Ok);
  DownloadWindow window(nullptr, downloadOnly(), known(stream("always-cut"), "cut.flv"));
  EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_NE(dialogs.shown()[0].text.find("cut short"), std::string::npos) << dialogs.shown()[0].text;
  const std::vector<std::string> requests = linesWith(simulator->log(), "/stream/always-cut.flv");
  EXPECT_EQ(requests.size(), 4u);
  EXPECT_EQ(filesIn(out_), (std::vector<std::string>{"cut.flv.part", "cut.flv.part.info"}));
  // Half, then half of each rest: 15/16 of the video, a prefix of it.
  const std::string part = readFile(out_ + "/cut.flv.part");
  EXPECT_GT(part.size(), simulator->video.size() * 7 / 8);
  EXPECT_TRUE(simulator->video.compare(0, part.size(), part) == 0);
}

// Stop leaves the part; the next download of the same file continues it with a range that nginx
// honours.
TEST_F(ResumeTest, StopThenStartAgainContinuesThePart) {
  const std::string served = dir_.file("served");
  fs::create_directories(served);
  std::string video(8 * 1024 * 1024, '\0');
  std::mt19937 random(16);
  for (char& byte : video) byte = static_cast<char>(random());
  std::ofstream(served + "/big.flv", std::ios::binary) << video;
  httptest::NginxServer nginx(served);
  ASSERT_TRUE(nginx.ready());
  const std::string url = "http://127.0.0.1:" + std::to_string(nginx.port()) + "/big.flv";
  {
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, downloadOnly(), known(url, "big.flv"));
    EXPECT_EQ(Run(window,
                  [](DownloadWindow& w) {
                    if (w.downloadProgressBar->value() > 0) w.downloadStopButton->click();
                  }),
              platform::ModalResult::Abort);
  }
  ASSERT_TRUE(fs::exists(out_ + "/big.flv.part"));
  EXPECT_FALSE(fs::exists(out_ + "/big.flv"));
  const std::string part = readFile(out_ + "/big.flv.part");
  ASSERT_GT(part.size(), 0u);
  ASSERT_LT(part.size(), video.size());
  ScriptedDialogs dialogs;
  DownloadWindow window(nullptr, downloadOnly(), known(url, "big.flv"));
  EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
  EXPECT_TRUE(dialogs.shown().empty());
  EXPECT_TRUE(readFile(out_ + "/big.flv") == video);
  EXPECT_EQ(filesIn(out_), std::vector<std::string>{"big.flv"});
  const std::string range = "range=bytes=" + std::to_string(part.size()) + "-";
  std::string log;
  for (int i = 0; i < 200 && log.find(range) == std::string::npos; ++i) {
    testing_support::pumpEvents(30);
    log = nginx.accessLog();
  }
  EXPECT_NE(log.find("GET /big.flv HTTP/1.0 - " + range), std::string::npos) << log;
}

// A part larger than the video its record names, or a record of another size, is never continued.
TEST_F(ResumeTest, APartThatCannotBeTheVideosStartsOver) {
  const std::size_t size = simulator->video.size();
  const struct {
    const char* name;
    std::size_t partSize;
    std::int64_t recordedTotal;
    std::size_t requests;
  } cases[] = {
      {"larger", size + 10, static_cast<std::int64_t>(size), 1},     // not even asked for
      {"other-total", 100, static_cast<std::int64_t>(size) + 5, 2},  // 206 for another total
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string id = std::string("part-") + c.name;
    const download::PartFile part(out_ + "/" + id + ".flv");
    std::ofstream(part.partPath(), std::ios::binary) << std::string(c.partSize, 'x');
    ASSERT_TRUE(part.keepValidators({.total = c.recordedTotal, .etag = "", .lastModified = ""}));
    ScriptedDialogs dialogs;
    DownloadWindow window(nullptr, downloadOnly(), known(stream(id), id + ".flv"));
    EXPECT_EQ(Run(window), platform::ModalResult::Cancel);
    EXPECT_TRUE(readFile(out_ + "/" + id + ".flv") == simulator->video);
    EXPECT_EQ(linesWith(simulator->log(), "/stream/" + id + ".flv").size(), c.requests);
  }
}

}  // namespace
