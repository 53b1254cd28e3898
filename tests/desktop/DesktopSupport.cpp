#include "desktop/DesktopSupport.h"
#include "support/TempDir.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace testing_support {
namespace {

QStringList toArguments(const std::vector<std::string>& args, std::size_t from) {
  QStringList list;
  for (std::size_t i = from; i < args.size(); ++i) list << QString::fromStdString(args[i]);
  return list;
}

}  // namespace

std::string mappedFiles(pid_t pid) {
  return readFile("/proc/" + std::to_string(pid) + "/maps");
}

std::string mappedPathOf(pid_t pid, const std::string& part) {
  std::istringstream maps(mappedFiles(pid));
  for (std::string line; std::getline(maps, line);) {
    const std::size_t slash = line.find('/');
    if (slash != std::string::npos && line.find(part, slash) != std::string::npos) return line.substr(slash);
  }
  return {};
}

int runTool(const std::vector<std::string>& args, std::string* output, std::chrono::seconds limit,
            const std::string& stdinText) {
  if (args.empty()) return -1;
  QProcess tool;
  tool.setProcessChannelMode(QProcess::MergedChannels);
  tool.start(QString::fromStdString(args[0]), toArguments(args, 1));
  if (!tool.waitForStarted(10000)) return -1;
  if (!stdinText.empty()) tool.write(stdinText.data(), static_cast<qint64>(stdinText.size()));
  tool.closeWriteChannel();
  const bool ended = tool.waitForFinished(static_cast<int>(std::chrono::milliseconds(limit).count()));
  if (output != nullptr) *output = tool.readAll().toStdString();
  if (!ended) {
    tool.kill();
    tool.waitForFinished(5000);
    return -1;
  }
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

bool makeVideo(const std::string& path, int seconds) {
  const std::string d = std::to_string(seconds);
  return runTool({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                  "testsrc=duration=" + d + ":size=160x120:rate=15", "-f", "lavfi", "-i",
                  "sine=frequency=440:duration=" + d, "-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100",
                  path}) == 0;
}

bool eventually(const std::function<bool()>& done, std::chrono::seconds limit,
                std::chrono::milliseconds step) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(step);
  }
  return true;
}

// ---- VirtualDisplay ----

VirtualDisplay::VirtualDisplay() {
  // Xvfb picks a free display and writes its number once it accepts clients.
  server_.start(
      QStringLiteral("Xvfb"),
      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
       QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
  if (!server_.waitForStarted(10000)) return;
  while (!server_.canReadLine() && server_.waitForReadyRead(30000)) {
  }
  const QByteArray number = server_.readLine().trimmed();
  if (!number.isEmpty()) name_ = ":" + number.toStdString();
}

VirtualDisplay::~VirtualDisplay() {
  if (server_.state() == QProcess::NotRunning) return;
  server_.terminate();
  if (!server_.waitForFinished(10000)) {
    server_.kill();
    server_.waitForFinished(5000);
  }
}

int VirtualDisplay::xdotool(const std::vector<std::string>& args, std::string* output) const {
  QProcess tool;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(name_));
  tool.setProcessEnvironment(environment);
  tool.start(QStringLiteral("xdotool"), toArguments(args, 0));
  if (!tool.waitForStarted(10000)) return -1;
  const bool ended = tool.waitForFinished(60000);
  if (output != nullptr) *output = tool.readAllStandardOutput().toStdString();
  if (!ended) {
    tool.kill();
    tool.waitForFinished(5000);
    return -1;
  }
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

std::string VirtualDisplay::waitForWindow(const std::string& title) const {
  std::string found;
  if (xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, &found) != 0) return {};
  return found.substr(0, found.find('\n'));
}

int VirtualDisplay::countWindows(const std::string& title) const {
  std::string found;
  xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}, &found);
  int count = 0;
  for (char c : found) count += c == '\n';
  return count;
}

void VirtualDisplay::click(const std::string& window, int x, int y) const {
  xdotool({"mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y), "click", "1"});
}

void VirtualDisplay::type(const std::string& text) const {
  xdotool({"type", "--delay", "5", "--", text});
}

// ---- InstalledCopy ----

InstalledCopy::InstalledCopy() {
  QProcess install;
  install.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DESTDIR"), QString::fromStdString(root_.path()));
  install.setProcessEnvironment(environment);
  install.start(QStringLiteral(CLIPWAVE_CMAKE_COMMAND),
                {QStringLiteral("--install"), QString::fromStdString(buildDir()), QStringLiteral("--prefix"),
                 QStringLiteral("/usr")});
  ok_ = install.waitForStarted(10000) && install.waitForFinished(120000) &&
        install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
  log_ = install.readAll().toStdString();
}

// ---- ProgramRun ----

ProgramRun::ProgramRun(const InstalledCopy& copy, const VirtualDisplay& display)
    : copy_(copy), display_(display), environment_(QProcessEnvironment::systemEnvironment()) {
  for (const char* folder : {"home", "config", "data", "cache", "run", "tmp"}) {
    std::filesystem::create_directories(user_.file(folder));
  }
  ::chmod(user_.file("run").c_str(), 0700);
  const auto set = [this](const char* name, const std::string& value) {
    environment_.insert(QString::fromLatin1(name), QString::fromStdString(value));
  };
  environment_.remove(QStringLiteral("CLIPWAVE_WEBENGINE_MODULE"));  // the installed copy finds its own
  environment_.remove(QStringLiteral("CLIPWAVE_SITES_FILE"));
  set("DISPLAY", display.name());
  set("QT_QPA_PLATFORM", "xcb");
  set("HOME", user_.file("home"));
  set("XDG_CONFIG_HOME", user_.file("config"));
  set("XDG_DATA_HOME", user_.file("data"));
  set("XDG_CACHE_HOME", user_.file("cache"));
  set("XDG_RUNTIME_DIR", user_.file("run"));
  set("TMPDIR", user_.file("tmp"));
  // The engine is to reach nothing but this machine (loopback addresses never go through a proxy).
  set("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
  // Under the address sanitizer: the engine frees some of its objects with a sized delete of another type.
  addSanitizerOption("new_delete_type_mismatch=0");
  process_.setChildProcessModifier([] { ::setsid(); });
  process_.setStandardOutputFile(QString::fromStdString(user_.file("output.log")), QIODevice::Append);
  process_.setStandardErrorFile(QString::fromStdString(user_.file("output.log")), QIODevice::Append);
}

ProgramRun::~ProgramRun() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(10000);
  }
  leftBehind();
}

void ProgramRun::setEnv(const std::string& name, const std::string& value) {
  environment_.insert(QString::fromStdString(name), QString::fromStdString(value));
}

void ProgramRun::addSanitizerOption(const std::string& option) {
  const QString options = environment_.value(QStringLiteral("ASAN_OPTIONS"));
  environment_.insert(
      QStringLiteral("ASAN_OPTIONS"),
      (options.isEmpty() ? QString() : options + QLatin1Char(':')) + QString::fromStdString(option));
}

void ProgramRun::writeSettings(const std::string& text) const {
  std::filesystem::create_directories(std::filesystem::path(settingsFile()).parent_path());
  std::ofstream(settingsFile(), std::ios::binary) << text;
}

bool ProgramRun::start() {
  process_.setProcessEnvironment(environment_);
  process_.start(QString::fromStdString(copy_.program()), {});
  if (!process_.waitForStarted(10000)) return false;
  pid_ = static_cast<pid_t>(process_.processId());
  window_ = display_.waitForWindow("Karvel Clipwave");
  return !window_.empty() && process_.state() == QProcess::Running;
}

int ProgramRun::signalAndWait(int signal) {
  ::kill(pid(), signal);
  return waitForExit();
}

int ProgramRun::waitForExit() {
  if (!process_.waitForFinished(60000)) return -1;
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

std::vector<pid_t> ProgramRun::children(const std::string& command) const {
  std::vector<pid_t> found;
  const pid_t parent = pid();
  for (const ProcessStat& process : allProcesses()) {
    if (process.parent == parent && process.command == command && process.state != 'Z')
      found.push_back(process.pid);
  }
  return found;
}

std::vector<pid_t> ProgramRun::leftBehind() {
  if (pid_ <= 0) return {};
  std::vector<pid_t> left;
  eventually([&] { return (left = runningInSession(pid_)).empty(); }, std::chrono::seconds(10));
  for (pid_t process : left) ::kill(process, SIGKILL);
  return left;
}

std::string ProgramRun::errorOutput() {
  return readFile(user_.file("output.log"));
}

}  // namespace testing_support
