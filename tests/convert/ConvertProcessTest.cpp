// The conversion object with the real ffmpeg: the five formats, progress and the end record, the
// overwrite question, failures, Kill, and file names that must not change the command.
#include "ConvertTestSupport.h"
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using convert_test::kFormats;
using convert_test::RecordCollector;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// PATH set to one folder for a while.
class PathGuard {
 public:
  explicit PathGuard(const std::string& dir) : old_(std::getenv("PATH")) { ::setenv("PATH", dir.c_str(), 1); }
  ~PathGuard() { ::setenv("PATH", old_.c_str(), 1); }

 private:
  std::string old_;
};

bool Gone(pid_t pid) {
  return ::kill(pid, 0) == -1 && errno == ESRCH;
}

class ConvertProcessTest : public ::testing::Test {
 protected:
  // A conversion of `input` into `output` with the format `format`, reporting to `records`.
  void Prepare(const std::string& input, const std::string& output, const std::string& args) {
    process.Active = true;
    process.InputFile = input;
    process.OutputFile = output;
    process.Arguments = args;
    process.notifyTarget = records.Handle();
  }
  std::string Video(int seconds = 3) {
    const std::string path = dir.File("video.flv");
    convert_test::MakeVideo(path, seconds);
    return path;
  }

  testing_support::TempDir dir;
  testing_support::ScriptedDialogs dialogs;
  RecordCollector records;
  ConvertProcess process;
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
  const std::string output = dir.File("song") + kFormats[index].ext;
  Prepare(Video(), output, kFormats[index].args);
  process.Run();
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_EQ(records.End().status, ConvertProgress::Status::Ok) << records.End().message;
  EXPECT_TRUE(dialogs.Shown().empty());
  EXPECT_EQ(convert_test::ProbeStream(output, "codec_name"), kExpected[index].codec);
  EXPECT_EQ(convert_test::ProbeStream(output, "sample_rate"), "44100");
  EXPECT_EQ(convert_test::ProbeStream(output, "channels"), kExpected[index].channels);
  EXPECT_NEAR(std::stoi(convert_test::ProbeStream(output, "bit_rate")), kExpected[index].bitRate,
              kExpected[index].bitRate / 20);
  EXPECT_FALSE(records.ProgressPercents().empty()) << "the last status line gives a record";
  EXPECT_TRUE(std::filesystem::exists(dir.File("video.flv")));
}

INSTANTIATE_TEST_SUITE_P(Formats, AllFormats, ::testing::Range(0, 5));

TEST_F(ConvertProcessTest, ProgressRisesAndTheEndComesAfterTheConverterHasEnded) {
  // The realtime filter makes the converter take as long as the media plays, so that several
  // status lines are written.
  Prepare(Video(2), dir.File("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  process.Run();
  const pid_t pid = process.ProcessId();
  ASSERT_GT(pid, 0);
  EXPECT_EQ(process.CommandLine().rfind("ffmpeg -i \"", 0), 0u) << "no -y without an output file";
  bool endAfterExit = false;
  records.OnRecord([&](const ConvertProgress& r) {
    if (r.elapsed.empty()) endAfterExit = Gone(pid);
  });
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_TRUE(endAfterExit);
  const std::vector<int> percents = records.ProgressPercents();
  ASSERT_GE(percents.size(), 2u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_GE(percents.back(), 95);
  EXPECT_LE(percents.back(), 99) << "only the end record says 100";
  EXPECT_EQ(records.Records().back().percent, 100);
  EXPECT_EQ(records.Records().back().status, ConvertProgress::Status::Ok);
  EXPECT_EQ(records.Records().size(), percents.size() + 1) << "exactly one end record, last";
  EXPECT_EQ(process.Duration(), 2);
  EXPECT_EQ(process.ProcessId(), 0);
}

TEST_F(ConvertProcessTest, ExistingOutputReplacedAfterYes) {
  const std::string output = dir.Write("song.mp3", "old");
  Prepare(Video(), output, kFormats[1].args);
  dialogs.Answer(platform::ModalResult::Yes);
  process.Run();
  ASSERT_EQ(dialogs.Shown().size(), 1u);
  EXPECT_EQ(dialogs.Shown()[0].caption, "Karvel Clipwave");
  EXPECT_EQ(dialogs.Shown()[0].text, output + " has existed,overite it?");
  EXPECT_EQ(dialogs.Shown()[0].icon, platform::DialogIcon::Information);
  EXPECT_EQ(dialogs.Shown()[0].buttons, platform::DialogButtons::YesNo);
  EXPECT_EQ(process.CommandLine().rfind("ffmpeg -y -i \"", 0), 0u);
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_EQ(records.End().status, ConvertProgress::Status::Ok);
  EXPECT_EQ(convert_test::ProbeStream(output, "codec_name"), "mp3");
}

TEST_F(ConvertProcessTest, ExistingOutputKeptAfterNoAndNothingStarts) {
  const std::string output = dir.Write("song.mp3", "old");
  Prepare(Video(), output, kFormats[1].args);
  dialogs.Answer(platform::ModalResult::No);
  const int fds = convert_test::CountOpenFds();
  process.Run();
  EXPECT_EQ(process.ProcessId(), 0);
  EXPECT_EQ(process.CommandLine(), "");
  EXPECT_EQ(convert_test::CountOpenFds(), fds);
  records.Pump(100);
  ASSERT_EQ(records.Records().size(), 1u);
  EXPECT_EQ(records.End().percent, 100);
  EXPECT_EQ(records.End().status, ConvertProgress::Status::Ok);
  EXPECT_EQ(ReadFile(output), "old");
}

TEST_F(ConvertProcessTest, OutputHeldByAnotherProcessGivesStatusTwo) {
  const std::string output = dir.Write("song.mp3", "old");
  const int held = ::open(output.c_str(), O_RDONLY | O_CLOEXEC);
  platform::ChildProcess holder;  // keeps the file open as its standard input
  ASSERT_EQ(holder.Start("sleep", {"sleep", "30"}, held, 1, 2), 0);
  ::close(held);
  Prepare(Video(), output, kFormats[1].args);
  dialogs.Answer(platform::ModalResult::Yes);
  process.Run();
  EXPECT_EQ(process.ProcessId(), 0);
  records.Pump(100);
  ASSERT_EQ(records.Records().size(), 1u);
  EXPECT_EQ(records.End().status, ConvertProgress::Status::InUse);
  EXPECT_EQ(ReadFile(output), "old");
  holder.Kill();
  holder.Reap();
}

TEST_F(ConvertProcessTest, MissingConverterRaisesTheErrorWithCodeTwo) {
  Prepare(Video(), dir.File("song.mp3"), kFormats[1].args);
  const int fds = convert_test::CountOpenFds();
  {
    testing_support::TempDir emptyDir;
    PathGuard path(emptyDir.Path());
    try {
      process.Run();
      ADD_FAILURE() << "Run did not raise";
    } catch (const ConvertError& e) {
      EXPECT_STREQ(e.what(), "Error while creating convert process!2");
    }
  }
  EXPECT_EQ(convert_test::CountOpenFds(), fds);
  records.Pump(100);
  EXPECT_TRUE(records.Records().empty());
}

TEST_F(ConvertProcessTest, PipeCreationFailureRaisesItsError) {
  Prepare(dir.File("video.flv"), dir.File("song.mp3"), kFormats[1].args);
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
    process.Run();
  } catch (...) {
    caught = std::current_exception();
  }
  for (int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &old);
  ASSERT_TRUE(caught);
  try {
    std::rethrow_exception(caught);
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "Error on STDIN pipe creation : 24");
  }
  EXPECT_EQ(process.ProcessId(), 0);
}

TEST_F(ConvertProcessTest, KillEndsTheRunWithoutAnEndRecord) {
  Prepare(Video(), dir.File("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  const int fds = convert_test::CountOpenFds(), threads = convert_test::CountThreads();
  process.Run();
  const pid_t pid = process.ProcessId();
  ASSERT_TRUE(records.WaitForProgress());
  process.Kill(0);
  EXPECT_FALSE(process.Active);
  EXPECT_TRUE(Gone(pid)) << "the converter is still there, or a zombie";
  EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_EQ(convert_test::CountOpenFds(), fds);
  EXPECT_EQ(convert_test::CountThreads(), threads);
  records.Pump(300);
  EXPECT_FALSE(records.HasEnd());
  process.Kill(0);  // a second Kill does nothing
}

TEST_F(ConvertProcessTest, DestroyingTheObjectStopsARun) {
  Prepare(Video(), dir.File("song.mp3"), std::string("-af arealtime ") + kFormats[1].args);
  CreateConvertProcess();
  convertProcess->Active = true;
  convertProcess->InputFile = process.InputFile;
  convertProcess->OutputFile = process.OutputFile;
  convertProcess->Arguments = process.Arguments;
  convertProcess->notifyTarget = records.Handle();
  const int fds = convert_test::CountOpenFds(), threads = convert_test::CountThreads();
  convertProcess->Run();
  const pid_t pid = convertProcess->ProcessId();
  ASSERT_TRUE(records.WaitForProgress());
  DestroyConvertProcess();
  EXPECT_EQ(convertProcess, nullptr);
  EXPECT_TRUE(Gone(pid));
  EXPECT_EQ(convert_test::CountOpenFds(), fds);
  EXPECT_EQ(convert_test::CountThreads(), threads);
  records.Pump(300);
  EXPECT_FALSE(records.HasEnd());
}

TEST_F(ConvertProcessTest, NamesWithQuotesBlanksAndLeadingDashConvertToThatName) {
  const std::string input = dir.File("-i \"x y.flv");
  convert_test::MakeVideo(input, 1);
  const std::string output = dir.File("-a \"b c.mp3");
  Prepare(input, output, kFormats[1].args);
  process.Run();
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_EQ(records.End().status, ConvertProgress::Status::Ok) << records.End().message;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"-a \"b c.mp3", "-i \"x y.flv"}));
  EXPECT_EQ(convert_test::ProbeStream(output, "codec_name"), "mp3");
}

TEST_F(ConvertProcessTest, ASecondRunAfterAFinishedOne) {
  Prepare(Video(1), dir.File("a.mp3"), kFormats[2].args);
  process.Run();
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_TRUE(process.Active) << "a finished run leaves Active set";
  Prepare(dir.File("video.flv"), dir.File("b.wav"), kFormats[3].args);
  process.Run();
  records.OnRecord(nullptr);
  const std::size_t first = records.Records().size();
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (records.Records().size() == first || !records.Records().back().elapsed.empty()) {
    ASSERT_LT(std::chrono::steady_clock::now(), until);
    platform::waitForMessage(50);
  }
  EXPECT_EQ(records.Records().back().status, ConvertProgress::Status::Ok);
  EXPECT_EQ(convert_test::ProbeStream(dir.File("b.wav"), "codec_name"), "pcm_s16le");
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
  const std::string input = c.content != nullptr ? dir.Write("video.flv", c.content) : dir.File("video.flv");
  Prepare(input, dir.File("song.mp3"), kFormats[1].args);
  process.Run();
  ASSERT_TRUE(records.WaitForEnd());
  EXPECT_EQ(records.End().status, ConvertProgress::Status::Failed);
  EXPECT_NE(records.End().message.find(c.message), std::string::npos) << records.End().message;
  EXPECT_EQ(std::filesystem::exists(input), c.content != nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir.File("song.mp3")));
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadInputs,
                         ::testing::Values(BadInput{"NotAVideo", "just some text\n", "Invalid data found"},
                                           BadInput{"Empty", "", "Invalid data found"},
                                           BadInput{"Missing", nullptr, "No such file or directory"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConvertProcessTest, ConverterRejectingTheArgumentsIsAFailureWithItsReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"-ar 44100 -acodec no-such-codec ", "Unknown encoder 'no-such-codec'"},
      // The WMA codec in an MP3 file: the reason comes before the converter's closing lines.
      {kFormats[4].args, "Could not write header for output file #0"},
  };
  Prepare(Video(1), dir.File("song.mp3"), "");
  for (const auto& [args, reason] : cases) {
    RecordCollector run;
    process.notifyTarget = run.Handle();
    process.Arguments = args;
    process.Run();
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.End().status, ConvertProgress::Status::Failed);
    EXPECT_EQ(run.End().message.rfind(reason, 0), 0u) << run.End().message;
  }
}

}  // namespace
