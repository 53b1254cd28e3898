// The single-instance start, with real copies of the program.
#include "app/MainWindow.h"

#include "platform/Messages.h"
#include "platform/SingleInstance.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <sys/socket.h>
#include <sys/un.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>

using testing_support::TempDir;

namespace {

// Whether a copy listens on the instance socket (a connection that sends nothing asks for nothing).
bool someoneListens() {
  const std::string path = platform::SingleInstance(app::kMainWindowClassName).socketPath();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

bool waitUntilListening(QProcess& process) {
  for (int i = 0; i < 100 && process.state() == QProcess::Running; ++i) {
    if (someoneListens()) return true;
    testing_support::pumpEvents(100);
  }
  return false;
}

// Starts a copy of the program that lives in `dir`, so its settings.ini would land there.
void start(QProcess& process, const TempDir& dir) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  process.setProcessEnvironment(env);
  process.start(QString::fromStdString(dir.file("clipwave")), {});
  ASSERT_TRUE(process.waitForStarted(5000));
}

void stop(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.kill();
  process.waitForFinished(5000);
}

TEST(SingleInstance, SecondStartBringsTheFirstForwardAndEnds) {
  TempDir dir;
  std::filesystem::copy_file(testing_support::buildDir() + "/clipwave", dir.file("clipwave"));

  // A running copy: the second start ends at once with status 0 and does not touch settings.ini.
  QProcess first, second;
  start(first, dir);
  ASSERT_TRUE(waitUntilListening(first));
  start(second, dir);
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("settings.ini")));
  EXPECT_EQ(first.state(), QProcess::Running);

  // Killed hard, the first copy leaves its socket behind; the next start removes it and runs.
  ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
  first.waitForFinished(5000);
  QProcess third;
  start(third, dir);
  ASSERT_TRUE(waitUntilListening(third));
  EXPECT_FALSE(third.waitForFinished(1000));
  stop(third);

  // The running copy's side: each later start calls it back.
  int calls = 0;
  platform::SingleInstance listener(app::kMainWindowClassName);
  ASSERT_TRUE(listener.listen([&] { ++calls; }));
  QProcess fourth;
  start(fourth, dir);
  ASSERT_TRUE(fourth.waitForFinished(10000));
  EXPECT_EQ(fourth.exitCode(), 0);
  for (int i = 0; i < 50 && calls == 0; ++i) testing_support::pumpEvents(100);
  EXPECT_EQ(calls, 1);
}

}  // namespace
