// The child process stand-in: program look-up, argument vector, inherited descriptors, kill and reap.
#include "ConvertTestSupport.h"
#include "platform/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

TEST(FindProgram, TheGivenFolderComesFirstWhenItHoldsAnExecutable) {
  testing_support::TempDir dir;
  EXPECT_EQ(platform::findProgram("ffmpeg", dir.path()), "ffmpeg");  // not there: looked up on PATH
  const std::string path = dir.write("ffmpeg", "#!/bin/sh\n");
  EXPECT_EQ(platform::findProgram("ffmpeg", dir.path()), "ffmpeg");  // not executable
  ::chmod(path.c_str(), 0755);
  EXPECT_EQ(platform::findProgram("ffmpeg", dir.path()), path);
  EXPECT_EQ(platform::findProgram("ffmpeg", dir.path() + "/"), path);
}

TEST(ChildProcess, MissingProgramGivesErrorTwo) {
  platform::ChildProcess child;
  EXPECT_EQ(child.start("clipwave-no-such-program", {"clipwave-no-such-program"}, 0, 1, 2), ENOENT);
  EXPECT_FALSE(child.started());
}

TEST(ChildProcess, ArgumentsArriveUnchangedAndNoOtherDescriptorIsInherited) {
  const int leaked = ::open("/dev/null", O_RDONLY);  // not close-on-exec: must still not reach the child
  const std::string printed =
      convert_test::captureTool({"printf", "%s|", "a b", "\"q\"", "-x", "$HOME", "*"});
  EXPECT_EQ(printed, "a b|\"q\"|-x|$HOME|*|");
  const std::string fds = convert_test::captureTool({"ls", "/proc/self/fd"});
  EXPECT_EQ(fds, "0\n1\n2\n3\n");  // 3 is the listing's own
  ::close(leaked);
}

TEST(ChildProcess, KillEndsTheChildAndReapLeavesNoZombie) {
  platform::ChildProcess child;
  ASSERT_EQ(child.start("sleep", {"sleep", "30"}, 0, 1, 2), 0);
  const pid_t pid = child.pid();
  EXPECT_FALSE(child.waitForExit(50));
  child.kill();
  EXPECT_TRUE(child.waitForExit(5000));
  const platform::ChildExit exit = child.reap();
  EXPECT_FALSE(exit.exited);
  EXPECT_EQ(exit.code, SIGKILL);
  EXPECT_FALSE(child.started());
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

// A child dies with the program that started it, even when the program is killed with SIGKILL and can end
// nothing itself. The program here is a fork of the test, made this test's child reaper's subject: the
// orphaned child then comes to the test, which sees it end.
TEST(ChildProcess, AChildDiesWithTheProgramKilledOutright) {
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    platform::ChildProcess child;
    const int devNull = ::open("/dev/null", O_RDWR);
    if (child.start("sleep", {"sleep", "60"}, devNull, devNull, devNull) != 0) ::_exit(1);
    const pid_t pid = child.pid();
    if (::write(pipeFds[1], &pid, sizeof pid) != static_cast<ssize_t>(sizeof pid)) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  pid_t grandchild = 0;
  ASSERT_EQ(::read(pipeFds[0], &grandchild, sizeof grandchild), static_cast<ssize_t>(sizeof grandchild));
  ::close(pipeFds[0]);
  const int watch = static_cast<int>(::syscall(SYS_pidfd_open, grandchild, 0));
  ASSERT_GE(watch, 0);
  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  pollfd ended{watch, POLLIN, 0};
  EXPECT_EQ(::poll(&ended, 1, 5000), 1) << "the child outlived its program";
  ::close(watch);
  ::kill(grandchild, SIGKILL);
  ::waitpid(grandchild, nullptr, 0);
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(ChildProcess, ExitCodeIsCollected) {
  platform::ChildProcess child;
  ASSERT_EQ(child.start("sh", {"sh", "-c", "exit 3"}, 0, 1, 2), 0);
  const platform::ChildExit exit = child.reap();
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.code, 3);
}

}  // namespace
