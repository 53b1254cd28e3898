// One pass: a video whose container can be read from its start is converted while it downloads. The first
// bytes judged (real files of every container, and the MP4 box walk's bounds), then whole jobs against
// scripted servers on 127.0.0.1 with the real ffmpeg: the audio made in one pass is the audio made from the
// whole file, a cut continued keeps its converter, a restart from the first byte starts a new one, Stop and
// failures on either side leave what they always left, and memory stays flat whichever side is faster.
#include "ScriptedPeer.h"

#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "download/ContainerStart.h"
#include "download/Job.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"
#include "tags/AudioTags.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using download::ContainerStart;
using download::JobOutcome;
using testing_support::ScriptedPeer;
using testing_support::TempDir;

constexpr const char* kMp3Args = "-ar 44100 -ab 128kbit/s -ac 2 ";

ContainerStart judgeBytes(const std::string& bytes, std::size_t available, bool whole) {
  const download::ReadAt readAt = [&](std::int64_t offset, unsigned char* out, std::size_t len) {
    if (offset < 0 || static_cast<std::size_t>(offset) + len > available) return false;
    std::memcpy(out, bytes.data() + offset, len);
    return true;
  };
  return download::judgeContainerStart(readAt, static_cast<std::int64_t>(available), whole);
}

std::string bigEndian(std::uint64_t value, int bytes) {
  std::string out;
  for (int k = bytes - 1; k >= 0; --k) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
  return out;
}

// An MP4 box with `payload` zero bytes; `largeSize` writes its size in the 64-bit field.
std::string box(const char* type, std::size_t payload, bool largeSize = false) {
  if (largeSize) return bigEndian(1, 4) + type + bigEndian(16 + payload, 8) + std::string(payload, '\0');
  return bigEndian(8 + payload, 4) + type + std::string(payload, '\0');
}

TEST(ContainerStartTest, RealFilesAreJudgedFromTheirFirstBytes) {
  TempDir dir;
  const std::vector<std::string> tone{"-f", "lavfi", "-i", "sine=frequency=440:duration=1"};
  std::vector<std::string> clip{"-f", "lavfi", "-i", "testsrc=duration=1:size=64x48:rate=5"};
  clip.insert(clip.end(), tone.begin(), tone.end());
  const auto with = [](std::vector<std::string> base, std::vector<std::string> more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
  };
  const struct {
    const char* file;
    std::vector<std::string> args;
    ContainerStart verdict;
  } rows[] = {
      {"clip.flv", with(clip, {"-c:v", "flv", "-c:a", "libmp3lame"}), ContainerStart::Readable},
      {"clip.mkv", with(clip, {"-c:v", "mpeg4", "-c:a", "libmp3lame"}), ContainerStart::Readable},
      {"clip.webm", with(clip, {"-c:v", "libvpx", "-c:a", "libopus"}), ContainerStart::Readable},
      {"clip.ts", with(clip, {"-c:v", "mpeg2video", "-c:a", "mp2"}), ContainerStart::Readable},
      {"sound.ogg", with(tone, {"-c:a", "libvorbis"}), ContainerStart::Readable},
      {"tagged.mp3", with(tone, {"-c:a", "libmp3lame"}), ContainerStart::Readable},
      {"bare.mp3", with(tone, {"-c:a", "libmp3lame", "-id3v2_version", "0", "-write_xing", "0"}),
       ContainerStart::Readable},
      {"indexFirst.mp4", with(clip, {"-c:v", "mpeg4", "-c:a", "aac", "-movflags", "+faststart"}),
       ContainerStart::Readable},
      {"indexFirst.m4a", with(tone, {"-c:a", "aac", "-movflags", "+faststart"}), ContainerStart::Readable},
      {"indexLast.mp4", with(clip, {"-c:v", "mpeg4", "-c:a", "aac"}), ContainerStart::NeedsWhole},
      {"indexLast.m4a", with(tone, {"-c:a", "aac"}), ContainerStart::NeedsWhole},
      {"sound.wav", tone, ContainerStart::NeedsWhole},
      {"sound.aac", with(tone, {"-c:a", "aac"}), ContainerStart::NeedsWhole},  // ADTS: not in the list
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string path = dir.file(row.file);
    convert_test::makeMedia(row.args, path);
    const std::string bytes = testing_support::readFile(path);
    EXPECT_EQ(judgeBytes(bytes, bytes.size(), false), row.verdict);
    EXPECT_EQ(judgeBytes(bytes, 8, false), ContainerStart::NeedMore) << "eight bytes tell nothing yet";
  }
}

TEST(ContainerStartTest, TheBoxWalkIsBoundedAndWaitsForWhatItNeeds) {
  const std::string ftyp = box("ftyp", 8);
  std::string manyBoxes = ftyp;
  for (int k = 0; k < 80; ++k) manyBoxes += box("free", 0);
  manyBoxes += box("moov", 8);
  std::string packets(400, '\0');
  packets[0] = packets[188] = packets[376] = 0x47;
  const std::string huge = bigEndian(1, 4) + "ftyp" + bigEndian(~std::uint64_t{0}, 8) + box("moov", 8);
  const struct {
    const char* name;
    std::string bytes;
    std::size_t available;  // 0: all of them
    bool whole;
    ContainerStart verdict;
  } rows[] = {
      {"a 64-bit box before the index", ftyp + box("free", 100, true) + box("moov", 8), 0, false,
       ContainerStart::Readable},
      {"the samples first", ftyp + box("wide", 0) + box("mdat", 64), 0, false, ContainerStart::NeedsWhole},
      {"a box to the file's end", ftyp + bigEndian(0, 4) + "free" + std::string(64, '\0'), 0, false,
       ContainerStart::NeedsWhole},
      {"a box shorter than its header", ftyp + bigEndian(4, 4) + "free" + box("moov", 8), 0, false,
       ContainerStart::NeedsWhole},
      {"a size past any file", huge, 0, false, ContainerStart::NeedsWhole},
      // Found by the fuzz target: the next box's offset is near the largest one, where adding to it
      // overflows.
      {"a box ending near the largest offset",
       bigEndian(1, 4) + "free" + bigEndian(0x7FFFFFFFFFFFFFFCull, 8) + std::string(24, '\xff'), 0, true,
       ContainerStart::NeedsWhole},
      {"the next header still to come", ftyp + box("free", 100) + box("moov", 8), 16 + 108 + 4, false,
       ContainerStart::NeedMore},
      {"the next header never comes", ftyp + box("free", 100), 0, true, ContainerStart::NeedsWhole},
      {"more boxes than are walked", manyBoxes, 0, false, ContainerStart::NeedsWhole},
      {"three transport packets", packets, 0, false, ContainerStart::Readable},
      {"one packet so far", packets, 200, false, ContainerStart::NeedMore},
      {"a lone sync byte", std::string("\x47") + std::string(399, '\0'), 0, false,
       ContainerStart::NeedsWhole},
      {"text", "<html><body>Not here</body></html>", 0, false, ContainerStart::NeedsWhole},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(judgeBytes(row.bytes, row.available ? row.available : row.bytes.size(), row.whole),
              row.verdict);
  }
}

// What a job told, and the converters that ran while its video downloaded.
class PipelineListener final : public download::JobListener {
 public:
  void searching(const std::string&) override {}
  void downloading(const std::string&) override {}
  void downloadProgress(const download::DownloadFigures&) override { sample(); }
  // Notes the converter running while the video downloads (called at the download's figures, and every few
  // milliseconds by the test).
  void sample() {
    if (const pid_t pid = convert::convertProcess->processId()) converters.insert(pid);
    if (duringDownload) duringDownload();
  }
  void converting(const std::string& file) override { convertingFile = file; }
  void conversionProgress(const download::ConversionFigures&) override {}
  void conversionAlongside(const download::ConversionFigures&) override { ++alongside; }
  void finished(const JobOutcome& outcome) override { outcomes.push_back(outcome); }

  std::function<void()> duringDownload;  // called at each sample
  std::set<pid_t> converters;
  std::string convertingFile;  // set once the download has ended
  int alongside = 0;
  std::vector<JobOutcome> outcomes;
};

std::string okHeader(std::size_t total, const std::string& etag = "\"one\"") {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(total) + "\r\nETag: " + etag +
         "\r\nAccept-Ranges: bytes\r\n\r\n";
}

std::string partHeader(std::size_t from, std::size_t total, const std::string& etag = "\"one\"") {
  return "HTTP/1.0 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-" +
         std::to_string(total - 1) + "/" + std::to_string(total) +
         "\r\nContent-Length: " + std::to_string(total - from) + "\r\nETag: " + etag + "\r\n\r\n";
}

// Sends `bytes` in pieces of `piece` bytes, `pauseMs` apart.
void sendPaced(ScriptedPeer& peer, const std::string& bytes, std::size_t piece, int pauseMs) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) peer.send(bytes.substr(at, piece)).delay(pauseMs);
}

bool processGone(pid_t pid) {
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// The peak of the process's resident memory since the last reset, in bytes.
std::int64_t statusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(std::strlen(field) + 1)) * 1024;
  }
  return -1;
}

class PipelineJobTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    sharedDir = new TempDir;
    // Noise makes the video large (7 MB) for its length: the part holds many of the download's writes before
    // any cut.
    makeClip(kClip, 12, 440, "8");
    makeClip(kOther, 8, 880, "8");
    reference(kClip);
    reference(kOther);
  }
  static void TearDownTestSuite() {
    delete sharedDir;
    sharedDir = nullptr;
  }
  void SetUp() override {
    convert::createConvertProcess();
    fs::create_directories(out_.path());
  }
  void TearDown() override { convert::destroyConvertProcess(); }

  static std::string file(const std::string& name) { return sharedDir->file(name); }
  static void makeClip(const std::string& name, int seconds, int tone, const char* quality,
                       std::vector<std::string> container = {}) {
    const std::string d = std::to_string(seconds);
    std::vector<std::string> args{
        "-f",   "lavfi", "-i",  "testsrc=duration=" + d + ":size=320x240:rate=25,noise=alls=100:allf=t",
        "-f",   "lavfi", "-i",  "sine=frequency=" + std::to_string(tone) + ":duration=" + d,
        "-q:v", quality, "-ar", "44100"};
    if (container.empty()) container = {"-c:v", "flv", "-c:a", "libmp3lame"};
    args.insert(args.end(), container.begin(), container.end());
    convert_test::makeMedia(args, file(name));
  }
  // The audio the converter makes of the whole file, to compare the one pass's with.
  static void reference(const std::string& name) {
    convert_test::makeMedia({"-i", file(name), "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2"},
                            file(name + ".mp3"));
  }
  static std::vector<std::string> referencePackets(const std::string& name) {
    return convert_test::audioPackets(file(name + ".mp3"));
  }

  // Runs a job for the stream the peer serves as "clip.flv" (or `fileName`) until its outcome.
  JobOutcome runJob(ScriptedPeer& peer, PipelineListener& listener, const std::string& fileName = "clip.flv",
                    const std::function<void(download::Job&)>& whileRunning = {}) {
    peer.start();
    const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/" + fileName;
    download::JobParts parts = testing_support::knownStreamParts(url, fileName);
    parts.retryPauseMs = 10;
    download::Job job(
        testing_support::jobInput("https://videos.example/clip/1", download::RequestMode::DownloadConvert,
                                  out_.path(), ".mp3", kMp3Args),
        parts, listener);
    job.start();
    const bool ended = testing_support::waitFor(
        [&] {
          if (listener.outcomes.empty() && listener.convertingFile.empty()) listener.sample();
          if (whileRunning && listener.outcomes.empty()) whileRunning(job);
          return !listener.outcomes.empty();
        },
        90000);
    if (!ended) {
      ADD_FAILURE() << "the job did not end";
      job.stop();
      testing_support::waitFor([&] { return !listener.outcomes.empty(); }, 5000);
    }
    return listener.outcomes.empty() ? JobOutcome{} : listener.outcomes.front();
  }

  // The output folder's names, hidden ones too (a converter's temporary output among them).
  std::set<std::string> folder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(out_.path()))
      names.insert(entry.path().filename().string());
    return names;
  }
  std::string audio() const { return out_.file("clip.mp3"); }

  static inline TempDir* sharedDir = nullptr;
  static inline const std::string kClip = "clip.flv";
  static inline const std::string kOther = "other.flv";
  TempDir out_;
};

// A cut at 30, 60 or 90 % is continued with a range: the same converter reads on, and the audio is the whole
// file's.
TEST_F(PipelineJobTest, ACutContinuedFeedsTheSameConverter) {
  const std::string video = testing_support::readFile(file(kClip));
  for (const int percent : {30, 60, 90}) {
    SCOPED_TRACE(percent);
    const std::size_t cut = video.size() * static_cast<std::size_t>(percent) / 100;
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, cut)).delay(700).halfClose();
    peer.nextConnection()
        .readUntil("\r\n\r\n")
        .send(partHeader(cut, video.size()) + video.substr(cut))
        .halfClose();
    PipelineListener listener;
    const JobOutcome outcome = runJob(peer, listener);
    ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
    EXPECT_NE(peer.received(1).find("Range: bytes=" + std::to_string(cut) + "-"), std::string::npos);
    EXPECT_EQ(listener.converters.size(), 1u) << "one converter, started before the cut, read to the end";
    EXPECT_EQ(convert_test::audioPackets(audio()), referencePackets(kClip));
    EXPECT_EQ(folder(), std::set<std::string>{"clip.mp3"}) << "the video goes once the audio file is there";
    fs::remove(audio());
  }
}

// A part emptied to take the video from its first byte (a whole video where the rest was asked for, or the
// rest of another copy) ends the converter that read the old bytes: a new one converts the new video.
TEST_F(PipelineJobTest, ARestartFromTheFirstByteRestartsTheConverter) {
  const std::string first = testing_support::readFile(file(kClip));
  const std::string second = testing_support::readFile(file(kOther));
  const std::size_t cut = first.size() * 4 / 10;
  for (const bool changedValidator : {false, true}) {
    SCOPED_TRACE(changedValidator ? "the rest of another copy" : "a whole video for the range");
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(first.size()) + first.substr(0, cut)).delay(700).halfClose();
    peer.nextConnection().readUntil("\r\n\r\n");
    if (changedValidator) {
      peer.send(partHeader(cut, first.size(), "\"two\"") + first.substr(cut)).halfClose();
      peer.nextConnection().readUntil("\r\n\r\n");
    }
    peer.send(okHeader(second.size(), "\"two\"") + second).halfClose();
    PipelineListener listener;
    const JobOutcome outcome = runJob(peer, listener);
    ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
    EXPECT_EQ(listener.converters.size(), 2u) << "the converter of the first bytes was ended";
    for (const pid_t pid : listener.converters) EXPECT_TRUE(processGone(pid));
    EXPECT_EQ(convert_test::audioPackets(audio()), referencePackets(kOther));
    EXPECT_EQ(folder(), std::set<std::string>{"clip.mp3"});
    fs::remove(audio());
  }
}

// An MP4 is fed when its index comes first; with its index at the end it is converted once it is whole.
TEST_F(PipelineJobTest, AnMp4IsFedOnlyWhenItsIndexComesFirst) {
  makeClip("indexFirst.mp4", 8, 440, "8", {"-c:v", "mpeg4", "-c:a", "aac", "-movflags", "+faststart"});
  makeClip("indexLast.mp4", 8, 440, "8", {"-c:v", "mpeg4", "-c:a", "aac"});
  for (const char* name : {"indexFirst.mp4", "indexLast.mp4"}) {
    SCOPED_TRACE(name);
    reference(name);
    const std::string video = testing_support::readFile(file(name));
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, video.size() / 2)).delay(700);
    peer.send(video.substr(video.size() / 2)).halfClose();
    PipelineListener listener;
    const JobOutcome outcome = runJob(peer, listener, "clip.mp4");
    ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
    EXPECT_EQ(listener.converters.empty(), std::string(name) == "indexLast.mp4");
    EXPECT_EQ(convert_test::audioPackets(audio()), referencePackets(name));
    EXPECT_EQ(folder(), std::set<std::string>{"clip.mp3"});
    fs::remove(audio());
  }
}

// An existing audio file is asked about while the video downloads, before any converter runs: kept, the
// download ends and the video goes as before; replaced, the one pass goes on.
TEST_F(PipelineJobTest, TheOverwriteQuestionComesBeforeTheFirstByteIsFed) {
  const std::string video = testing_support::readFile(file(kClip));
  for (const bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replaced" : "kept");
    std::ofstream(audio()) << "old";
    testing_support::ScriptedDialogs dialogs;
    dialogs.answer(replace ? platform::ModalResult::Yes : platform::ModalResult::No);
    bool askedFirst = false;
    dialogs.onShow([&](const testing_support::ShownDialog&) {
      askedFirst = convert::convertProcess->processId() == 0 && fs::exists(out_.file("clip.flv.part"));
    });
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, video.size() / 2)).delay(500);
    peer.send(video.substr(video.size() / 2)).halfClose();
    PipelineListener listener;
    const JobOutcome outcome = runJob(peer, listener);
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(askedFirst) << "asked while downloading, with no converter yet";
    EXPECT_EQ(folder(), std::set<std::string>{"clip.mp3"});
    if (replace) {
      ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
      EXPECT_EQ(listener.converters.size(), 1u);
      EXPECT_EQ(convert_test::audioPackets(audio()), referencePackets(kClip));
    } else {
      EXPECT_EQ(outcome.cause, JobOutcome::Cause::OutputKept);
      EXPECT_TRUE(listener.converters.empty());
      EXPECT_EQ(testing_support::readFile(audio()), "old");
    }
    fs::remove(audio());
  }
}

// The page's picture is fetched beside the download; the tags wait for it, whether it comes while the video
// downloads or after the conversion has ended.
TEST_F(PipelineJobTest, TheCoverFetchedAlongsideReachesTheTags) {
  const std::string video = testing_support::readFile(file(kClip));
  convert_test::makeMedia({"-f", "lavfi", "-i", "color=c=red:size=64x64:duration=1", "-frames:v", "1"},
                          file("cover.png"));
  const std::string picture = testing_support::readFile(file("cover.png"));
  for (const int pictureDelayMs : {0, 3000}) {
    SCOPED_TRACE(pictureDelayMs);
    ScriptedPeer peer, pictures;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, video.size() / 2)).delay(300);
    peer.send(video.substr(video.size() / 2)).halfClose();
    pictures.readUntil("\r\n\r\n").delay(pictureDelayMs);
    pictures.send("HTTP/1.0 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                  std::to_string(picture.size()) + "\r\n\r\n" + picture);
    pictures.start();
    peer.start();
    download::FoundStream stream{.url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/clip.flv",
                                 .fileName = "clip.flv",
                                 .title = "A clip",
                                 .headers = {},
                                 .downloadOnly = false};
    stream.metadata.pictureUrl = "http://127.0.0.1:" + std::to_string(pictures.port()) + "/cover.png";
    PipelineListener listener;
    download::Job job(
        testing_support::jobInput("https://videos.example/clip/1", download::RequestMode::DownloadConvert,
                                  out_.path(), ".mp3", kMp3Args),
        testing_support::knownStreamParts(stream), listener);
    job.start();
    ASSERT_TRUE(testing_support::waitFor(
        [&] {
          if (listener.outcomes.empty() && listener.convertingFile.empty()) listener.sample();
          return !listener.outcomes.empty();
        },
        60000));
    ASSERT_EQ(listener.outcomes[0].status, JobOutcome::Status::Done) << listener.outcomes[0].message;
    EXPECT_EQ(listener.converters.size(), 1u);
    const tags::ReadTags read = tags::readTags(audio());
    EXPECT_EQ(read.tags.title, "A clip");
    EXPECT_EQ(read.pictureCount, 1);
    EXPECT_EQ(read.pictureMime, "image/jpeg");
    fs::remove(audio());
  }
}

// Stop ends the download and the converter, whichever is under way: no child is left, nothing is under the
// audio file's name (no temporary output either), and what was downloaded is kept (the part, or the whole
// video once its download had ended).
TEST_F(PipelineJobTest, StopEndsBothAtEachPhase) {
  const std::string video = testing_support::readFile(file(kClip));
  for (const bool downloadEnded : {false, true}) {
    SCOPED_TRACE(downloadEnded ? "converting what remains" : "downloading and converting");
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n");
    if (downloadEnded) {
      peer.send(okHeader(video.size()) + video.substr(0, video.size() / 2)).delay(500);
      peer.send(video.substr(video.size() / 2)).halfClose();
    } else {
      peer.send(okHeader(video.size()) + video.substr(0, video.size() / 2)).staySilent();
    }
    PipelineListener listener;
    pid_t converter = 0;
    // A converter held still has more to convert once the download ends.
    listener.duringDownload = [&] {
      if (converter == 0 && (converter = convert::convertProcess->processId()) != 0 && downloadEnded)
        ::kill(converter, SIGSTOP);
    };
    const JobOutcome outcome = runJob(peer, listener, "clip.flv", [&](download::Job& job) {
      if (converter != 0 && (!downloadEnded || !listener.convertingFile.empty())) job.stop();
    });
    ASSERT_EQ(outcome.status, JobOutcome::Status::Stopped) << outcome.message;
    ASSERT_NE(converter, 0);
    EXPECT_TRUE(processGone(converter));
    EXPECT_EQ(convert::convertProcess->processId(), 0);
    if (downloadEnded) {
      EXPECT_EQ(outcome.files, std::vector<std::string>{out_.file("clip.flv")});
      EXPECT_EQ(fs::file_size(out_.file("clip.flv")), video.size());
      EXPECT_EQ(folder(), std::set<std::string>{"clip.flv"});
    } else {
      EXPECT_EQ(outcome.files, std::vector<std::string>{out_.file("clip.flv.part")});
      EXPECT_EQ(folder(), (std::set<std::string>{"clip.flv.part", "clip.flv.part.info"}));
    }
    fs::remove_all(out_.path());
    fs::create_directories(out_.path());
  }
}

// A converter that dies while fed does not stop the download: the video is downloaded whole and kept, and the
// conversion's failure is told. A download that fails ends its converter, whose temporary output goes.
TEST_F(PipelineJobTest, AFailureOnEitherSideIsToldAsBefore) {
  const std::string video = testing_support::readFile(file(kClip));
  const std::size_t half = video.size() / 2;
  {
    SCOPED_TRACE("the converter dies");
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, half)).delay(500);
    peer.send(video.substr(half)).halfClose();
    PipelineListener listener;
    pid_t converter = 0;
    listener.duringDownload = [&] {
      if (converter == 0 && (converter = convert::convertProcess->processId()) != 0)
        ::kill(converter, SIGKILL);
    };
    const JobOutcome outcome = runJob(peer, listener);
    ASSERT_EQ(outcome.status, JobOutcome::Status::Failed);
    EXPECT_EQ(outcome.cause, JobOutcome::Cause::ConversionFailed);
    EXPECT_EQ(outcome.message,
              "The conversion failed; the video file was kept.\n\nThe converter was ended by signal SIGKILL "
              "(Killed).");
    EXPECT_EQ(listener.converters.size(), 1u);
    EXPECT_EQ(fs::file_size(out_.file("clip.flv")), video.size());
    EXPECT_EQ(folder(), std::set<std::string>{"clip.flv"});
  }
  fs::remove_all(out_.path());
  fs::create_directories(out_.path());
  {
    SCOPED_TRACE("the download fails");
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()) + video.substr(0, half)).delay(500).halfClose();
    peer.nextConnection().readUntil("\r\n\r\n").send("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    PipelineListener listener;
    const JobOutcome outcome = runJob(peer, listener);
    ASSERT_EQ(outcome.status, JobOutcome::Status::Failed);
    EXPECT_EQ(outcome.cause, JobOutcome::Cause::DownloadFailed);
    ASSERT_EQ(listener.converters.size(), 1u);
    EXPECT_TRUE(processGone(*listener.converters.begin()));
    EXPECT_EQ(folder(), (std::set<std::string>{"clip.flv.part", "clip.flv.part.info"}));
  }
}

// Neither side waits on a buffer of the other's: a server much faster than the converter (held still while
// the whole video arrives) and one much slower (a trickle) both end with the whole file's audio, and the
// memory of the process grows by far less than the video.
TEST_F(PipelineJobTest, MemoryStaysFlatWhicheverSideIsFaster) {
  makeClip("large.flv", 12, 440, "2");
  reference("large.flv");
  const std::string video = testing_support::readFile(file("large.flv"));
  ASSERT_GT(video.size(), 18u * 1024 * 1024);
  for (const bool serverFaster : {true, false}) {
    SCOPED_TRACE(serverFaster ? "the server faster" : "the converter faster");
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(okHeader(video.size()));
    if (serverFaster) {
      // A first megabyte lets the converter start; the rest comes as fast as the socket goes.
      const std::size_t first = 1024 * 1024;
      peer.send(video.substr(0, first)).delay(500).send(video.substr(first)).halfClose();
    } else {
      sendPaced(peer, video, 512 * 1024, 40);
      peer.halfClose();
    }
    PipelineListener listener;
    pid_t held = 0;
    bool released = false;
    listener.duringDownload = [&] {
      if (serverFaster && held == 0 && (held = convert::convertProcess->processId()) != 0)
        ::kill(held, SIGSTOP);
    };
    {
      std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts from here
    }
    const std::int64_t before = statusBytes("VmRSS:");
    const JobOutcome outcome = runJob(peer, listener, "clip.flv", [&](download::Job&) {
      if (held != 0 && !released && !listener.convertingFile.empty()) {
        released = true;  // the whole video arrived while the converter stood still
        ::kill(held, SIGCONT);
      }
    });
    const std::int64_t peak = statusBytes("VmHWM:");
    if (held != 0 && !released) ::kill(held, SIGCONT);
    ASSERT_EQ(outcome.status, JobOutcome::Status::Done) << outcome.message;
    EXPECT_EQ(listener.converters.size(), 1u);
    EXPECT_EQ(released, serverFaster);
    EXPECT_EQ(convert_test::audioPackets(audio()), referencePackets("large.flv"));
    EXPECT_LT(peak - before, 12 * 1024 * 1024) << "nothing grows with the video";
    fs::remove(audio());
  }
}

}  // namespace
