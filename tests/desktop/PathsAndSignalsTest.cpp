// The default output folder (the XDG music folder, else home), where an installed copy keeps its
// settings, and the termination signals turned into events.
#include "platform/Messages.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using testing_support::TempDir;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) previous_ = qgetenv(name);
    qputenv(name, QByteArray::fromStdString(value));
  }
  ~ScopedEnv() {
    if (previous_) {
      qputenv(name_, *previous_);
    } else {
      qunsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<QByteArray> previous_;
};

struct MusicCase {
  const char* name;
  const char* userDirs;  // the line of user-dirs.dirs, or nullptr for no file
  const char* create;    // folder made under the home folder, or nullptr
  const char* expected;  // relative to the home folder, with the trailing '/'
};

TEST(DefaultOutputFolder, IsTheXdgMusicFolderElseTheHomeFolder) {
  const MusicCase cases[] = {
      {"named and present", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n", "Tunes", "Tunes/"},
      {"named but missing", "XDG_MUSIC_DIR=\"$HOME/Tunes\"\n", "Music", ""},
      {"no settings, ~/Music present", nullptr, "Music", "Music/"},
      {"no settings, no ~/Music", nullptr, nullptr, ""},
      {"named as the home folder (no music folder wanted)", "XDG_MUSIC_DIR=\"$HOME/\"\n", "Music", ""},
  };
  for (const MusicCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir home;
    TempDir config;
    const ScopedEnv homeEnv("HOME", home.path());
    const ScopedEnv configEnv("XDG_CONFIG_HOME", config.path());
    if (c.userDirs != nullptr) config.write("user-dirs.dirs", c.userDirs);
    if (c.create != nullptr) std::filesystem::create_directory(home.file(c.create));
    EXPECT_EQ(platform::defaultOutputDir(), home.path() + "/" + c.expected);
  }
}

TEST(SettingsFile, AnInstalledCopyIsKnownByItsDesktopEntry) {
  TempDir root;
  std::filesystem::create_directories(root.file("usr/bin"));
  std::filesystem::create_directories(root.file("usr/share/applications"));
  std::filesystem::create_directories(root.file("portable"));
  const std::string bin = root.file("usr/bin/");
  EXPECT_FALSE(platform::isInstalledProgram(bin)) << "no desktop entry yet";
  root.write("usr/share/applications/org.clipwave.Clipwave.desktop", "[Desktop Entry]\n");
  EXPECT_TRUE(platform::isInstalledProgram(bin));
  EXPECT_FALSE(platform::isInstalledProgram(root.file("portable/")));
  EXPECT_FALSE(platform::isInstalledProgram(root.file("usr/share/")));

  // The build folder the tests run from is no installed copy: its settings stay beside the program.
  EXPECT_FALSE(platform::isInstalledProgram(platform::executableDir()));
}

// Waits, handling events, until `done` holds or ten seconds pass.
template <typename Done>
bool waitFor(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done() && std::chrono::steady_clock::now() < deadline) testing_support::pumpEvents(100);
  return done();
}

TEST(TerminationSignals, EachSignalArrivesLaterAsAnEvent) {
  std::vector<int> received;
  const platform::TerminationSignals caught([&](int number) { received.push_back(number); });
  for (int number : platform::TerminationSignals::kSignals) {
    SCOPED_TRACE(number);
    received.clear();
    ASSERT_EQ(std::raise(number), 0);
    EXPECT_TRUE(received.empty()) << "the callback ran inside the signal handler";
    ASSERT_TRUE(waitFor([&] { return !received.empty(); }));
    EXPECT_EQ(received, std::vector<int>{number});
  }

  // Signals that come together are all delivered, in order.
  received.clear();
  std::raise(SIGHUP);
  std::raise(SIGTERM);
  ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
  EXPECT_EQ(received, (std::vector<int>{SIGHUP, SIGTERM}));
}

volatile std::sig_atomic_t earlierHandlerRan = 0;
extern "C" void earlierHandler(int) {
  earlierHandlerRan = 1;
}

TEST(TerminationSignals, TheEarlierHandlingComesBackAndOnlyOneObjectCatchesAtATime) {
  struct sigaction mine {};
  mine.sa_handler = earlierHandler;
  sigemptyset(&mine.sa_mask);
  struct sigaction before[3];
  for (int i = 0; i < 3; ++i) sigaction(platform::TerminationSignals::kSignals[i], &mine, &before[i]);
  {
    const platform::TerminationSignals caught([](int) {});
    EXPECT_THROW(platform::TerminationSignals([](int) {}), std::logic_error);
    std::raise(SIGTERM);
    EXPECT_EQ(earlierHandlerRan, 0);
  }
  for (int i = 0; i < 3; ++i) {
    struct sigaction now {};
    sigaction(platform::TerminationSignals::kSignals[i], nullptr, &now);
    EXPECT_EQ(now.sa_handler, &earlierHandler);
  }
  std::raise(SIGTERM);
  EXPECT_EQ(earlierHandlerRan, 1);
  for (int i = 0; i < 3; ++i) sigaction(platform::TerminationSignals::kSignals[i], &before[i], nullptr);

  // A later object may catch them again.
  std::vector<int> received;
  const platform::TerminationSignals again([&](int number) { received.push_back(number); });
  std::raise(SIGINT);
  EXPECT_TRUE(waitFor([&] { return !received.empty(); }));
}

}  // namespace
