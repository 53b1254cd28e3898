// clipwave-cli run as a user runs it, against the site simulator on 127.0.0.1 and the real ffmpeg and
// browser engine: the whole job, failures and their messages, the overwrite flags, Ctrl-C, usage
// errors, and a terminal.
#include "CliFixture.h"

#include "convert/ConvertTestSupport.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

using cli_test::CliProcess;
using cli_test::filesEndingIn;
using cli_test::messages;
namespace fs = std::filesystem;

constexpr int kJobMs = 120000;  // a whole job, engine start included, on a loaded machine

using testing_support::filesIn;
using testing_support::readFile;

class CliTest : public cli_test::CliFixture {
 protected:
  std::string watchPage(const std::string& id) const { return simulator->site("youtube") + "/watch?v=" + id; }

  // A short local video.
  std::string makeVideo(const std::string& name = "clip.flv") {
    const std::string path = dir_.file(name);
    convert_test::makeVideo(path, 2);
    return path;
  }
};

TEST_F(CliTest, PageBecomesMp3AndTheVideoGoes) {
  // No display, and no platform chosen: clipwave-cli runs the browser engine offscreen by itself.
  CliProcess::Options options = cli({"-o", out_, "-f", "mp3-128", watchPage("clip")});
  options.env.insert({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
  CliProcess run(options);
  ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
  const std::vector<std::string> audio = filesEndingIn(out_, ".mp3");
  ASSERT_EQ(audio.size(), 1u) << run.err();
  EXPECT_EQ(convert_test::probeStream(audio[0], "codec_name"), "mp3");
  // The page's title as it reads (not the file name made of it) and the page's address as tags.
  EXPECT_EQ(convert_test::probeTag(audio[0], "title"),
            "Sim clip clip: fish & chips? A/B \"live\" \u00A92008");
  EXPECT_EQ(convert_test::probeTag(audio[0], "comment"), watchPage("clip"));
  EXPECT_EQ(filesIn(out_).size(), 1u) << "the downloaded video is deleted";
  EXPECT_TRUE(messages(run.err()).empty()) << run.err();
  // Without a terminal: plain lines when each phase starts and ends, nothing redrawn.
  EXPECT_EQ(run.err().find('\r'), std::string::npos);
  for (const char* line : {"Get html from the URL, please wait... ", "Found the video: ", "Downloading: ",
                           "Downloaded: ", "Converting: ", "Converted: "})
    EXPECT_NE(run.err().find(line), std::string::npos) << line << " in:\n" << run.err();
}

TEST_F(CliTest, LocalFileBecomesWavAndIsKept) {
  const std::string video = makeVideo();
  // A platform that cannot start here: only a program that never starts the graphical side of Qt (which
  // the browser engine needs) gets through.
  CliProcess::Options options = cli({"--quiet", "--output=" + out_, "--format", "wav", video});
  options.env.insert({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "xcb"}});
  CliProcess run(options);
  ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
  EXPECT_EQ(convert_test::probeStream(out_ + "/clip.wav", "codec_name"), "pcm_s16le");
  EXPECT_EQ(convert_test::probeTag(out_ + "/clip.wav", "title"), "clip")
      << "a local file's name as its title";
  EXPECT_EQ(convert_test::probeTag(out_ + "/clip.wav", "comment"), "");
  EXPECT_TRUE(fs::exists(video));
  EXPECT_EQ(run.err(), "") << "--quiet shows only errors";
}

// The command line's own switches (it reads neither window setting): chapters as files of a folder, each told
// on a line, and a line for what does not apply.
TEST_F(CliTest, SplitChaptersAndNormalizeAreSwitchesAndTheirNotesAreLines) {
  const std::string chapters =
      dir_.write("chapters.txt",
                 ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1000\ntitle=Intro\n"
                 "[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\nEND=2000\ntitle=Outro\n");
  const std::string video = dir_.file("live.mp4");
  convert_test::makeMedia({"-f", "lavfi", "-i", "sine=duration=2", "-i", chapters, "-map", "0",
                           "-map_chapters", "1", "-c:a", "aac"},
                          video);
  dir_.write("config/clipwave/settings.ini", "[Options]\nSplitChapters=1\nEvenLoudness=1\n");
  {
    CliProcess run(cli({"-o", out_, "-f", "original", video}));
    ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_TRUE(fs::exists(out_ + "/live.m4a")) << "no chapters without the switch";
    EXPECT_EQ(run.err().find("Even loudness"), std::string::npos) << run.err();
  }
  CliProcess run(cli({"-o", out_, "-f", "original", "--split-chapters", "--normalize", video}));
  ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
  EXPECT_TRUE(fs::exists(out_ + "/live/01 - Intro.m4a"));
  EXPECT_TRUE(fs::exists(out_ + "/live/02 - Outro.m4a"));
  EXPECT_NE(run.err().find("\nChapter 1 of 2: Intro\n"), std::string::npos) << run.err();
  EXPECT_NE(run.err().find("\nChapter 2 of 2: Outro\n"), std::string::npos) << run.err();
  EXPECT_NE(
      run.err().find("\nEven loudness does not apply to the original audio: it would need re-encoding.\n"),
      std::string::npos)
      << run.err();
  EXPECT_TRUE(messages(run.err()).empty()) << run.err();
}

// A stream that fails: exit 1, one message naming the page and the cause, and nothing left under the
// video's name or the audio's (a stream cut every time leaves its part beside the video's name).
TEST_F(CliTest, FailedStreamNamesTheCauseAndLeavesNothing) {
  const struct {
    const char* id;
    const char* cause;
  } cases[] = {
      {"clip-404", "Not Found"},
      {"clip-cut", "cut short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    fs::remove_all(out_);
    CliProcess run(cli({"-o", out_, watchPage(c.id)}));
    EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
    const std::vector<std::string> lines = messages(run.err());
    ASSERT_EQ(lines.size(), 1u) << run.err();
    EXPECT_NE(lines[0].find(watchPage(c.id)), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(c.cause), std::string::npos) << lines[0];
    if (fs::exists(out_)) {
      for (const std::string& name : filesIn(out_)) {
        const bool part = name.ends_with(".flv.part") || name.ends_with(".flv.part.info");
        EXPECT_TRUE(part && std::string(c.id) == "clip-cut") << "left: " << name;
      }
    }
  }
}

// On a terminal a failed download ends its line where it was: the error page's body is never drawn as the
// video's progress, and nothing is drawn after the message.
TEST_F(CliTest, AFailedDownloadDrawsNoProgressAfterItsMessage) {
  CliProcess run(cli({"-o", out_, watchPage("clip-404")}, true));
  EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
  const std::string& screen = run.err();
  const std::size_t message = screen.find("clipwave-cli: ");
  ASSERT_NE(message, std::string::npos) << screen;
  EXPECT_NE(screen.find("404 Not Found", message), std::string::npos) << screen;
  EXPECT_EQ(screen.find("100%"), std::string::npos) << screen;
  EXPECT_EQ(screen.find(" received", message), std::string::npos) << screen;
  EXPECT_EQ(screen.find("\r  [", message), std::string::npos)
      << "nothing redrawn after the message: " << screen;
}

// An existing audio file: -y replaces it; -n, or no terminal to ask on, keeps it and the item fails.
TEST_F(CliTest, ExistingOutputFollowsTheFlags) {
  const std::string video = makeVideo();
  const struct {
    const char* flag;
    int status;
    bool replaced;
  } cases[] = {
      {"-y", 0, true}, {"-n", 1, false}, {nullptr, 1, false},  // no terminal: kept, as with -n
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flag ? c.flag : "no flag, no terminal");
    const std::string existing = out_ + "/clip.mp3";
    std::ofstream(existing) << "not audio";
    std::vector<std::string> args = {"-o", out_, "-f", "mp3-64", video};
    if (c.flag) args.insert(args.begin(), c.flag);
    CliProcess run(cli(args));
    EXPECT_EQ(run.wait(kJobMs), c.status) << run.err();
    if (c.replaced) {
      EXPECT_EQ(convert_test::probeStream(existing, "codec_name"), "mp3");
      EXPECT_TRUE(messages(run.err()).empty()) << run.err();
    } else {
      EXPECT_EQ(readFile(existing), "not audio");
      const std::vector<std::string> lines = messages(run.err());
      ASSERT_EQ(lines.size(), 1u) << run.err();
      EXPECT_NE(lines[0].find(existing), std::string::npos) << lines[0];
      EXPECT_EQ(run.err().find("Converting: "), std::string::npos) << run.err();
    }
    EXPECT_TRUE(fs::exists(video));
  }
}

// A local file that would be converted onto itself, or that is no regular file (a FIFO would hold the
// converter), is refused with a message, whatever -y says; the file stays as it was.
TEST_F(CliTest, ASourceThatCannotBeConvertedSafelyIsRefused) {
  const std::string song = makeVideo("song.mp3");
  const std::string original = readFile(song);
  const std::string fifo = dir_.file("pipe.flv");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const struct {
    std::string file;
    std::string folder;
    std::string message;
  } cases[] = {
      {song, dir_.path(), "would replace the video file itself"},
      {dir_.path() + "/./song.mp3", dir_.path() + "/", "would replace the video file itself"},
      {fifo, out_, "is not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    CliProcess run(cli({"-f", "mp3-64", "-y", c.file, "-o", c.folder}));
    EXPECT_EQ(run.wait(kJobMs), 1) << run.err();
    const std::vector<std::string> lines = messages(run.err());
    ASSERT_EQ(lines.size(), 1u) << run.err();
    EXPECT_NE(lines[0].find(c.message), std::string::npos) << lines[0];
    EXPECT_EQ(readFile(song), original);
  }
}

// Ctrl-C typed on the terminal while the download waits for the rest of the video: the part received
// stays beside the video's name, nothing is converted, the status is 130.
TEST_F(CliTest, CtrlCDuringASlowDownloadKeepsThePartAndConvertsNothing) {
  // "stall": half the video, then the connection is held open.
  const auto half = static_cast<std::int64_t>(simulator->clipBytes("flv") / 2);
  CliProcess run(cli({"-o", out_, watchPage("clip-stall")}, true));
  const std::string halfShown = std::to_string((half + 1023) / 1024) + " KB of ";
  ASSERT_TRUE(run.waitForOutput(halfShown, kJobMs)) << run.err();
  run.type("\x03");
  EXPECT_EQ(run.wait(30000), 130) << run.err();
  EXPECT_TRUE(filesEndingIn(out_, ".flv").empty());
  const std::vector<std::string> videos = filesEndingIn(out_, ".part");
  ASSERT_EQ(videos.size(), 1u) << "the part downloaded stays";
  EXPECT_EQ(fs::file_size(videos[0]), static_cast<std::uintmax_t>(half));
  EXPECT_TRUE(filesEndingIn(out_, ".mp3").empty());
  EXPECT_EQ(run.err().find("Converting: "), std::string::npos);
  EXPECT_TRUE(messages(run.err()).empty()) << "a stop is no failure:\n" << run.err();
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndAHint) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--frobnicate", "x.flv"},
      {"-y", "-n", "x.flv"},
      {"-f", "aiff", "x.flv"},
      {"--normalize=1", "x.flv"},
      {"x.flv", "-o"},
      {"--quiet=yes", "x.flv"},
  };
  for (const std::vector<std::string>& args : cases) {
    CliProcess run(cli(args));
    EXPECT_EQ(run.wait(30000), 2) << run.err();
    const std::vector<std::string> lines = messages(run.err());
    ASSERT_EQ(lines.size(), 1u) << run.err();
    EXPECT_NE(lines[0].find("clipwave-cli --help"), std::string::npos) << lines[0];
    EXPECT_EQ(run.out(), "");
  }
}

// On a terminal the question is asked there, and each phase's progress is one line redrawn in place.
TEST_F(CliTest, TerminalAsksAndRedrawsProgressInPlace) {
  const std::string video = makeVideo();
  std::ofstream(out_ + "/clip.wav") << "old";
  CliProcess run(cli({"-o", out_, "-f", "wav", video}, true));
  ASSERT_TRUE(run.waitForOutput(out_ + "/clip.wav has existed,overite it? [y/N] ", kJobMs)) << run.err();
  run.type("y\n");
  ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
  EXPECT_EQ(convert_test::probeStream(out_ + "/clip.wav", "codec_name"), "pcm_s16le");
  const std::string& screen = run.err();
  EXPECT_NE(screen.find("Converting: clip.wav ..."), std::string::npos) << screen;
  EXPECT_NE(screen.find("\r  ["), std::string::npos) << "redrawn in place: " << screen;
  EXPECT_NE(screen.find("100%  Time elapsed: "), std::string::npos) << screen;
  // Every redrawn line fits the terminal's 100 columns, so that the carriage return redraws all of it.
  std::istringstream lines(screen);
  for (std::string line; std::getline(lines, line, '\r');)
    EXPECT_LT(line.substr(0, line.find("\x1b[K")).size(), 100u) << line;
}

}  // namespace
