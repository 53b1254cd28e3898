// The child process stand-in: program look-up, argument vector, inherited descriptors, kill and reap.
#include "ConvertTestSupport.h"
#include "platform/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

TEST(FindProgram, TheGivenFolderComesFirstWhenItHoldsAnExecutable) {
  testing_support::TempDir dir;
  EXPECT_EQ(platform::FindProgram("ffmpeg", dir.Path()), "ffmpeg");  // not there: looked up on PATH
  const std::string path = dir.Write("ffmpeg", "#!/bin/sh\n");
  EXPECT_EQ(platform::FindProgram("ffmpeg", dir.Path()), "ffmpeg");  // not executable
  ::chmod(path.c_str(), 0755);
  EXPECT_EQ(platform::FindProgram("ffmpeg", dir.Path()), path);
  EXPECT_EQ(platform::FindProgram("ffmpeg", dir.Path() + "/"), path);
}

TEST(ChildProcess, MissingProgramGivesErrorTwo) {
  platform::ChildProcess child;
  EXPECT_EQ(child.Start("clipwave-no-such-program", {"clipwave-no-such-program"}, 0, 1, 2), ENOENT);
  EXPECT_FALSE(child.Started());
}

TEST(ChildProcess, ArgumentsArriveUnchangedAndNoOtherDescriptorIsInherited) {
  const int leaked = ::open("/dev/null", O_RDONLY);  // not close-on-exec: must still not reach the child
  const std::string printed =
      convert_test::CaptureTool({"printf", "%s|", "a b", "\"q\"", "-x", "$HOME", "*"});
  EXPECT_EQ(printed, "a b|\"q\"|-x|$HOME|*|");
  const std::string fds = convert_test::CaptureTool({"ls", "/proc/self/fd"});
  EXPECT_EQ(fds, "0\n1\n2\n3\n");  // 3 is the listing's own
  ::close(leaked);
}

TEST(ChildProcess, KillEndsTheChildAndReapLeavesNoZombie) {
  platform::ChildProcess child;
  ASSERT_EQ(child.Start("sleep", {"sleep", "30"}, 0, 1, 2), 0);
  const pid_t pid = child.pid();
  EXPECT_FALSE(child.WaitForExit(50));
  child.Kill();
  EXPECT_TRUE(child.WaitForExit(5000));
  const platform::ChildExit exit = child.Reap();
  EXPECT_FALSE(exit.Exited);
  EXPECT_EQ(exit.Code, SIGKILL);
  EXPECT_FALSE(child.Started());
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

TEST(ChildProcess, ExitCodeIsCollected) {
  platform::ChildProcess child;
  ASSERT_EQ(child.Start("sh", {"sh", "-c", "exit 3"}, 0, 1, 2), 0);
  const platform::ChildExit exit = child.Reap();
  EXPECT_TRUE(exit.Exited);
  EXPECT_EQ(exit.Code, 3);
}

}  // namespace
