// What the desktop tests share: a look into a process's mapped files, test videos, an X display of their
// own (Xvfb) with xdotool for the mouse and the keyboard, the program installed from the build folder
// into a folder of the test's own, and that program run there and watched.
#pragma once

#include "support/Processes.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// /proc/PID/maps as text, and the first mapped file whose path holds `part` ("" when none).
std::string mappedFiles(pid_t pid);
std::string mappedPathOf(pid_t pid, const std::string& part);

// A short FLV video with a tone, made by ffmpeg; false when ffmpeg failed.
bool makeVideo(const std::string& path, int seconds);

// Runs a tool to its end (at most `limit`); its exit code, -1 when it did not start or end in time.
int runTool(const std::vector<std::string>& args, std::string* output = nullptr,
            std::chrono::seconds limit = std::chrono::seconds(60), const std::string& stdinText = {});

// Waits until `done` holds, looking again every `step`, for at most `limit`; the last answer. For states
// that send no event this process could wait on (another program's files, windows and processes).
bool eventually(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60),
                std::chrono::milliseconds step = std::chrono::milliseconds(50));

// An X server of the test's own, on a free display; stopped with the object.
class VirtualDisplay {
 public:
  VirtualDisplay();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;

  const std::string& name() const { return name_; }  // ":N", empty when the server did not start

  // xdotool on this display: its exit code, and its standard output in `output`.
  int xdotool(const std::vector<std::string>& args, std::string* output = nullptr) const;
  // The first visible window titled exactly `title`, once there is one (at most a minute): its id, or "".
  std::string waitForWindow(const std::string& title) const;
  // How many visible windows are titled exactly `title`.
  int countWindows(const std::string& title) const;
  // A left click at x, y inside the window, and text typed where the keyboard goes.
  void click(const std::string& window, int x, int y) const;
  void type(const std::string& text) const;

 private:
  QProcess server_;
  std::string name_;
};

// The program as `cmake --install` lays it out under a fresh folder (DESTDIR), prefix /usr.
class InstalledCopy {
 public:
  InstalledCopy();  // installs; check ok()
  bool ok() const { return ok_; }
  const std::string& log() const { return log_; }
  std::string path(const std::string& relative) const { return root_.file("usr/" + relative); }
  std::string program() const { return path("bin/clipwave"); }

 private:
  TempDir root_;
  bool ok_ = false;
  std::string log_;
};

// The installed program run on a display as a user of its own: its own home, XDG folders and temporary
// folder (so that its single-instance socket and its settings are its own), in a session of its own (so
// that every process it starts can be found afterwards).
class ProgramRun {
 public:
  ProgramRun(const InstalledCopy& copy, const VirtualDisplay& display);
  ~ProgramRun();  // ends the program and what it left, should it still run
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Extra environment for the start (such as CLIPWAVE_SITES_FILE).
  void setEnv(const std::string& name, const std::string& value);
  // One more option for the address sanitizer, in a sanitizer build.
  void addSanitizerOption(const std::string& option);
  // The user's settings file of an installed copy, and a folder for the output files.
  std::string settingsFile() const { return user_.file("config/clipwave/settings.ini"); }
  std::string home() const { return user_.file("home"); }
  void writeSettings(const std::string& text) const;

  bool start();                       // the program runs and its main window is visible
  pid_t pid() const { return pid_; }  // also once it has ended
  const std::string& window() const { return window_; }
  // Sends `signal`; then waits for the end (at most a minute). The exit code, -1 when it did not end or
  // crashed.
  int signalAndWait(int signal);
  int waitForExit();
  // The running children of the program, by their command name ("ffmpeg", "QtWebEngineProc").
  std::vector<pid_t> children(const std::string& command) const;
  // The processes of the program's session still running once it has ended (waiting a little for the
  // engine's helpers, which end when they notice), then ended by force.
  std::vector<pid_t> leftBehind();
  std::string errorOutput();

 private:
  const InstalledCopy& copy_;
  const VirtualDisplay& display_;
  TempDir user_;
  QProcessEnvironment environment_;
  QProcess process_;
  pid_t pid_ = 0;
  std::string window_;
};

}  // namespace testing_support
