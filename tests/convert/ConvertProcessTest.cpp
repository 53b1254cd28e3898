// The conversion object with the real ffmpeg: the five formats, progress and the end record, the
// overwrite question, failures, kill(), and file names that must not change the command.
#include "ConvertTestSupport.h"
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

using convert_test::kFormats;
using convert_test::RecordCollector;

using testing_support::readFile;

// PATH set to one folder for a while.
class PathGuard {
 public:
  explicit PathGuard(const std::string& dir) : old_(std::getenv("PATH")) { ::setenv("PATH", dir.c_str(), 1); }
  ~PathGuard() { ::setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

bool gone(pid_t pid) {
  return ::kill(pid, 0) == -1 && errno == ESRCH;
}

class ConvertProcessTest : public ::testing::Test {
 protected:
  // A conversion of `input` into `output` with the format `format`, reporting to `records`.
  void prepare(const std::string& input, const std::string& output, const std::string& args) {
    process_.active = true;
    process_.inputFile = input;
    process_.outputFile = output;
    process_.arguments = args;
    process_.notifyTarget = records_.mailbox();
  }
  std::string video(int seconds = 3) {
    const std::string path = dir_.file("video.flv");
    convert_test::makeVideo(path, seconds);
    return path;
  }

  testing_support::TempDir dir_;
  testing_support::ScriptedDialogs dialogs_;
  RecordCollector records_;
  convert::ConvertProcess process_;
};

struct Expected {
  const char* codec;
  const char* channels;
  int bitRate;
};
const Expected kExpected[5] = {{"mp3", "2", 256000},
                               {"mp3", "2", 128000},
                               {"mp3", "1", 64000},
                               {"pcm_s16le", "2", 1411200},
                               {"wmav2", "2", 128000}};

class AllFormats : public ConvertProcessTest, public ::testing::WithParamInterface<int> {};

TEST_P(AllFormats, ConvertsWithTheFormatsSettings) {
  const int index = GetParam();
  const std::string output = dir_.file("song") + kFormats[index].ext;
  prepare(video(), output, kFormats[index].args);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Ok) << records_.end().message;
  EXPECT_TRUE(dialogs_.shown().empty());
  EXPECT_EQ(convert_test::probeStream(output, "codec_name"), kExpected[index].codec);
  EXPECT_EQ(convert_test::probeStream(output, "sample_rate"), "44100");
  EXPECT_EQ(convert_test::probeStream(output, "channels"), kExpected[index].channels);
  EXPECT_NEAR(std::stoi(convert_test::probeStream(output, "bit_rate")), kExpected[index].bitRate,
              kExpected[index].bitRate / 20);
  EXPECT_FALSE(records_.progressPercents().empty()) << "the last status line gives a record";
  EXPECT_TRUE(std::filesystem::exists(dir_.file("video.flv")));
}

INSTANTIATE_TEST_SUITE_P(Formats, AllFormats, ::testing::Range(0, 5));

TEST_F(ConvertProcessTest, ProgressRisesAndTheEndComesAfterTheConverterHasEnded) {
  // The realtime filter makes the converter take as long as the media plays, so that several
  // status lines are written.
  prepare(video(2), dir_.file("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  process_.run();
  const pid_t pid = process_.processId();
  ASSERT_GT(pid, 0);
  EXPECT_EQ(process_.commandLine().rfind("ffmpeg -nostdin -i \"", 0), 0u) << "no -y without an output file";
  bool endAfterExit = false;
  records_.onRecord([&](const convert::ConvertProgress& r) {
    if (r.elapsed.empty()) endAfterExit = gone(pid);
  });
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_TRUE(endAfterExit);
  const std::vector<int> percents = records_.progressPercents();
  ASSERT_GE(percents.size(), 2u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_GE(percents.back(), 95);
  EXPECT_LE(percents.back(), 99) << "only the end record says 100";
  EXPECT_EQ(records_.records().back().percent, 100);
  EXPECT_EQ(records_.records().back().status, convert::ConvertProgress::Status::Ok);
  EXPECT_EQ(records_.records().size(), percents.size() + 1) << "exactly one end record, last";
  EXPECT_EQ(process_.duration(), 2);
  EXPECT_EQ(process_.processId(), 0);
}

TEST_F(ConvertProcessTest, ExistingOutputReplacedAfterYes) {
  const std::string output = dir_.write("song.mp3", "old");
  prepare(video(), output, kFormats[1].args);
  dialogs_.answer(platform::ModalResult::Yes);
  process_.run();
  ASSERT_EQ(dialogs_.shown().size(), 1u);
  EXPECT_EQ(dialogs_.shown()[0].caption, "Karvel Clipwave");
  EXPECT_EQ(dialogs_.shown()[0].text, output + " has existed,overite it?");
  EXPECT_EQ(dialogs_.shown()[0].icon, platform::DialogIcon::Information);
  EXPECT_EQ(dialogs_.shown()[0].buttons, platform::DialogButtons::YesNo);
  EXPECT_EQ(process_.commandLine().rfind("ffmpeg -nostdin -y -i \"", 0), 0u);
  // Until the converter has ended well, the older file stays as it was; the new one is written beside it.
  EXPECT_EQ(readFile(output), "old");
  EXPECT_NE(process_.commandLine().find("\"" + process_.partialFile() + "\""), std::string::npos);
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Ok);
  EXPECT_EQ(convert_test::probeStream(output, "codec_name"), "mp3");
}

TEST_F(ConvertProcessTest, ExistingOutputKeptAfterNoAndNothingStarts) {
  const std::string output = dir_.write("song.mp3", "old");
  prepare(video(), output, kFormats[1].args);
  dialogs_.answer(platform::ModalResult::No);
  const int fds = convert_test::countOpenFds();
  process_.run();
  EXPECT_EQ(process_.processId(), 0);
  EXPECT_EQ(process_.commandLine(), "");
  EXPECT_EQ(convert_test::countOpenFds(), fds);
  records_.pump(100);
  ASSERT_EQ(records_.records().size(), 1u);
  EXPECT_EQ(records_.end().percent, 100);
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Ok);
  EXPECT_EQ(readFile(output), "old");
}

TEST_F(ConvertProcessTest, OutputHeldByAnotherProcessGivesStatusTwo) {
  const std::string output = dir_.write("song.mp3", "old");
  const int held = ::open(output.c_str(), O_RDONLY | O_CLOEXEC);
  platform::ChildProcess holder;  // keeps the file open as its standard input
  ASSERT_EQ(holder.start("sleep", {"sleep", "30"}, held, 1, 2), 0);
  ::close(held);
  prepare(video(), output, kFormats[1].args);
  dialogs_.answer(platform::ModalResult::Yes);
  process_.run();
  EXPECT_EQ(process_.processId(), 0);
  records_.pump(100);
  ASSERT_EQ(records_.records().size(), 1u);
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::InUse);
  EXPECT_EQ(readFile(output), "old");
  holder.kill();
  holder.reap();
}

TEST_F(ConvertProcessTest, MissingConverterRaisesTheErrorWithCodeTwo) {
  prepare(video(), dir_.file("song.mp3"), kFormats[1].args);
  const int fds = convert_test::countOpenFds();
  {
    testing_support::TempDir emptyDir;
    PathGuard path(emptyDir.path());
    try {
      process_.run();
      ADD_FAILURE() << "Run did not raise";
    } catch (const convert::ConvertError& e) {
      EXPECT_STREQ(e.what(), "Error while creating convert process!2");
    }
  }
  EXPECT_EQ(convert_test::countOpenFds(), fds);
  records_.pump(100);
  EXPECT_TRUE(records_.records().empty());
}

TEST_F(ConvertProcessTest, PipeCreationFailureRaisesItsError) {
  prepare(dir_.file("video.flv"), dir_.file("song.mp3"), kFormats[1].args);
  rlimit old{};
  ::getrlimit(RLIMIT_NOFILE, &old);
  // No free descriptor left: fill every hole below a limit just above the highest one in use.
  rlimit low = old;
  low.rlim_cur = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    low.rlim_cur = std::max<rlim_t>(low.rlim_cur, std::stoul(entry.path().filename().string()) + 1);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fillers;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
  std::exception_ptr caught;  // looked at once descriptors are free again (the sanitizers need some)
  try {
    process_.run();
  } catch (...) {
    caught = std::current_exception();
  }
  for (int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &old);
  ASSERT_TRUE(caught);
  try {
    std::rethrow_exception(caught);
  } catch (const convert::ConvertError& e) {
    EXPECT_STREQ(e.what(), "Error on STDIN pipe creation : 24");
  }
  EXPECT_EQ(process_.processId(), 0);
}

TEST_F(ConvertProcessTest, KillEndsTheRunWithoutAnEndRecord) {
  prepare(video(), dir_.file("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  const int fds = convert_test::countOpenFds(), threads = convert_test::countThreads();
  process_.run();
  const pid_t pid = process_.processId();
  ASSERT_TRUE(records_.waitForProgress());
  const std::string partial = process_.partialFile();
  process_.kill(0);
  EXPECT_FALSE(process_.active);
  EXPECT_FALSE(std::filesystem::exists(partial)) << "a stopped run leaves no output";
  EXPECT_FALSE(std::filesystem::exists(dir_.file("song.mp3")));
  EXPECT_TRUE(gone(pid)) << "the converter is still there, or a zombie";
  EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(convert_test::countOpenFds(), fds);
  EXPECT_EQ(convert_test::countThreads(), threads);
  records_.pump(300);
  EXPECT_FALSE(records_.hasEnd());
  process_.kill(0);  // a second kill() does nothing
}

TEST_F(ConvertProcessTest, DestroyingTheObjectStopsARun) {
  prepare(video(), dir_.file("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  convert::createConvertProcess();
  convert::convertProcess->active = true;
  convert::convertProcess->inputFile = process_.inputFile;
  convert::convertProcess->outputFile = process_.outputFile;
  convert::convertProcess->arguments = process_.arguments;
  convert::convertProcess->notifyTarget = records_.mailbox();
  const int fds = convert_test::countOpenFds(), threads = convert_test::countThreads();
  convert::convertProcess->run();
  const pid_t pid = convert::convertProcess->processId();
  ASSERT_TRUE(records_.waitForProgress());
  convert::destroyConvertProcess();
  EXPECT_EQ(convert::convertProcess, nullptr);
  EXPECT_TRUE(gone(pid));
  EXPECT_EQ(convert_test::countOpenFds(), fds);
  EXPECT_EQ(convert_test::countThreads(), threads);
  records_.pump(300);
  EXPECT_FALSE(records_.hasEnd());
}

TEST_F(ConvertProcessTest, NamesWithQuotesBlanksAndLeadingDashConvertToThatName) {
  const std::string input = dir_.file("-i \"x y.flv");
  convert_test::makeVideo(input, 1);
  const std::string output = dir_.file("-a \"b c.mp3");
  prepare(input, output, kFormats[1].args);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Ok) << records_.end().message;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"-a \"b c.mp3", "-i \"x y.flv"})) << "no temporary file left";
  EXPECT_EQ(convert_test::probeStream(output, "codec_name"), "mp3");
}

TEST_F(ConvertProcessTest, ASecondRunAfterAFinishedOne) {
  prepare(video(1), dir_.file("a.mp3"), kFormats[2].args);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_TRUE(process_.active) << "a finished run leaves Active set";
  prepare(dir_.file("video.flv"), dir_.file("b.wav"), kFormats[3].args);
  process_.run();
  records_.onRecord(nullptr);
  const std::size_t first = records_.records().size();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (records_.records().size() == first || !records_.records().back().elapsed.empty()) {
    ASSERT_LT(std::chrono::steady_clock::now(), until);
    testing_support::pumpEvents(50);
  }
  EXPECT_EQ(records_.records().back().status, convert::ConvertProgress::Status::Ok);
  EXPECT_EQ(convert_test::probeStream(dir_.file("b.wav"), "codec_name"), "pcm_s16le");
}

// The hidden temporary outputs that a run killed with the program left beside the same audio file go with
// the next run; those of other files, and anything that is no such regular file, stay.
TEST_F(ConvertProcessTest, TemporaryOutputsLeftByAKilledRunGo) {
  const std::string left1 = dir_.write(".song.partial-ab12cd.mp3", "half");
  const std::string left2 = dir_.write(".song.partial-zz9999.mp3", "half");
  const std::vector<std::string> kept = {
      dir_.write(".other.partial-ab12cd.mp3", "another file's"),
      dir_.write(".song.partial-ab12cd.wav", "another format's"),
      dir_.write(".song.partial-AB12CD.mp3", "not a token of ours"),
      dir_.write("song.partial-ab12cd.mp3", "not hidden"),
  };
  const std::string linked = dir_.file(".song.partial-link00.mp3");
  std::filesystem::create_symlink(kept.front(), linked);
  prepare(video(1), dir_.file("song.mp3"), kFormats[2].args);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(convert_test::probeStream(dir_.file("song.mp3"), "codec_name"), "mp3");
  EXPECT_FALSE(std::filesystem::exists(left1));
  EXPECT_FALSE(std::filesystem::exists(left2));
  for (const std::string& file : kept) EXPECT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_TRUE(std::filesystem::is_symlink(linked));
}

struct BadInput {
  const char* name;
  const char* content;  // nullptr: the file is missing
  const char* message;  // part of the end record's message
};

void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.name;
}

class BadInputs : public ConvertProcessTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputs, FailWithTheConvertersMessageAndKeepTheInput) {
  const BadInput& c = GetParam();
  const std::string input =
      c.content != nullptr ? dir_.write("video.flv", c.content) : dir_.file("video.flv");
  prepare(input, dir_.file("song.mp3"), kFormats[1].args);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Failed);
  EXPECT_NE(records_.end().message.find(c.message), std::string::npos) << records_.end().message;
  EXPECT_EQ(std::filesystem::exists(input), c.content != nullptr);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), c.content != nullptr ? 1 : 0)
      << "nothing but the input";
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInputs,
                         ::testing::Values(BadInput{"NotAVideo", "just some text\n", "Invalid data found"},
                                           BadInput{"Empty", "", "Invalid data found"},
                                           BadInput{"Missing", nullptr, "No such file or directory"}),
                         [](const auto& input) { return std::string(input.param.name); });

TEST_F(ConvertProcessTest, ConverterRejectingTheArgumentsIsAFailureWithItsReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"-ar 44100 -acodec no-such-codec ", "Unknown encoder 'no-such-codec'"},
      // The WMA codec in an MP3 file: the reason comes before the converter's closing lines.
      {kFormats[4].args, "Could not write header for output file #0"},
  };
  prepare(video(1), dir_.file("song.mp3"), "");
  for (const auto& [args, reason] : cases) {
    RecordCollector run;
    process_.notifyTarget = run.mailbox();
    process_.arguments = args;
    process_.run();
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.end().status, convert::ConvertProgress::Status::Failed);
    EXPECT_EQ(run.end().message.rfind(reason, 0), 0u) << run.end().message;
  }
}

// A stand-in converter: a shell script named ffmpeg, first on PATH, that records its words and then
// does what the case says with the file it was asked to write (its last word).
class FakeConverter {
 public:
  explicit FakeConverter(const std::string& body) : path_(dir_.path() + ":/usr/bin:/bin") {
    const std::string script = dir_.write("ffmpeg",
                                          "#!/bin/sh\n"
                                          "printf '%s\\n' \"$@\" > \"" +
                                              dir_.file("words") +
                                              "\"\n"
                                              "for out; do :; done\n" +
                                              body);
    ::chmod(script.c_str(), 0755);
  }
  std::string words() const { return readFile(dir_.file("words")); }

 private:
  testing_support::TempDir dir_;
  PathGuard path_;
};

// The converter's failure modes against an older output file the user agreed to replace: a run that
// fails or is ended leaves that file as it was and no temporary file; only a finished run replaces it.
TEST_F(ConvertProcessTest, FakeConverterFailuresKeepTheOlderFile) {
  const struct {
    const char* name;
    const char* script;
    convert::ConvertProgress::Status status;
    const char* message;
    const char* result;  // the output file's content afterwards
  } cases[] = {
      {"finished", "printf new > \"$out\"\n", convert::ConvertProgress::Status::Ok, "", "new"},
      {"killed by a signal", "printf half > \"$out\"\necho 'a stray line' >&2\nkill -KILL $$\n",
       convert::ConvertProgress::Status::Failed, "The converter was ended by signal SIGKILL (Killed).",
       "old"},
      {"segmentation fault", "printf half > \"$out\"\nkill -SEGV $$\n",
       convert::ConvertProgress::Status::Failed,
       "The converter was ended by signal SIGSEGV (Segmentation fault).", "old"},
      {"non-zero exit after writing", "printf half > \"$out\"\necho 'Error while encoding' >&2\nexit 1\n",
       convert::ConvertProgress::Status::Failed, "Error while encoding", "old"},
      {"silent non-zero exit", "printf half > \"$out\"\nexit 3\n", convert::ConvertProgress::Status::Failed,
       "The converter ended with exit code 3.", "old"},
      {"exit 0 without output", "exit 0\n", convert::ConvertProgress::Status::Failed,
       "The converter left no output file.", "old"},
      // A question on standard input would block for ever on a terminal or an open pipe; here the input is
      // empty, so the read ends at once and the run goes on.
      {"waits for an answer",
       "printf 'Overwrite? [y/N] ' >&2\nread answer\nprintf 'answer=%s' \"$answer\" > \"$out\"\n",
       convert::ConvertProgress::Status::Ok, "", "answer="},
  };
  const std::string input = dir_.write("video.flv", "not read by the stand-in");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir_.write("song.mp3", "old");
    FakeConverter converter(c.script);
    RecordCollector records;
    prepare(input, output, kFormats[1].args);
    process_.notifyTarget = records.mailbox();
    dialogs_.answer(platform::ModalResult::Yes);
    process_.run();
    const std::string partial = process_.partialFile();
    ASSERT_TRUE(records.waitForEnd());
    EXPECT_EQ(records.end().status, c.status);
    EXPECT_EQ(records.end().message, c.message);
    EXPECT_EQ(readFile(output), c.result);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2)
        << "no temporary file left";
    EXPECT_EQ(converter.words(),
              "-nostdin\n-y\n-i\n" + input + "\n-ar\n44100\n-ab\n128k\n-ac\n2\n" + partial + "\n");
  }
}

// A full disk with the real converter: a small file system of its own, with an older file on it.
TEST_F(ConvertProcessTest, FullDiskKeepsTheOlderFileAndLeavesNoPart) {
  const std::string disk = dir_.file("disk");
  std::filesystem::create_directories(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (" << std::strerror(errno)
                 << "); the full disk is not tried";
  }
  struct Unmount {
    std::string dir;
    ~Unmount() { ::umount2(dir.c_str(), MNT_DETACH); }
  } unmount{disk};
  const std::string output = disk + "/song.wav";
  std::ofstream(output) << "old";
  prepare(video(5), output, kFormats[3].args);  // 5 seconds of WAV need about 880 KB
  dialogs_.answer(platform::ModalResult::Yes);
  process_.run();
  ASSERT_TRUE(records_.waitForEnd());
  EXPECT_EQ(records_.end().status, convert::ConvertProgress::Status::Failed);
  EXPECT_NE(records_.end().message.find("No space left on device"), std::string::npos)
      << records_.end().message;
  EXPECT_EQ(readFile(output), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk), {}), 1) << "no temporary file left";
}

// The headless conversion driver of bench/ (build/bench/convert): its exit code says how the conversion
// ended, and its time limit stops a converter that does not end.
TEST(ConvertDriver, ExitCodeSaysHowTheConversionEnded) {
  testing_support::TempDir dir;
  const std::string input = dir.write("video.flv", "not read by the stand-in");
  const struct {
    const char* name;
    const char* script;
    std::vector<std::string> extra;
    int code;
  } cases[] = {
      {"finished", "printf new > \"$out\"\n", {}, 0},
      {"failed", "echo 'Error while encoding' >&2\nexit 1\n", {}, 1},
      {"does not end", "exec sleep 60\n", {"--timeout", "0.5"}, 4},
      {"bad time limit", "exit 0\n", {"--timeout", "soon"}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeConverter converter(c.script);
    std::vector<std::string> argv{CLIPWAVE_CONVERT_DRIVER, input, dir.file("song.mp3"), "1"};
    argv.insert(argv.end(), c.extra.begin(), c.extra.end());
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    platform::ChildProcess driver;
    ASSERT_EQ(driver.start(argv.front(), argv, null, null, null), 0);
    ::close(null);
    const platform::ChildExit exit = driver.reap();
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.code, c.code);
    EXPECT_EQ(std::filesystem::exists(dir.file("song.mp3")), c.code == 0);
    std::filesystem::remove(dir.file("song.mp3"));
  }
}

}  // namespace
