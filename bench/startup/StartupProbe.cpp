// Starts two programs in turn on the X display of $DISPLAY and measures, for each start, the time until
// the program's first window is mapped (visible: the display has no window manager) and the program's
// resident memory 2 seconds after its start; then ends it with SIGTERM. Prints the medians and the
// ratios of the first program to the second.
//
//   startup_probe RUNS ENV_FOLDER PROGRAM PEER
//
// Each start runs with HOME, the XDG folders and TMPDIR in a fresh folder under ENV_FOLDER, so that
// neither a settings file nor a running copy of the program carries over between starts.
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
  double visibleMs = 0;
  double residentMb = 0;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double residentMb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  }
  return 0;
}

// The environment of one start: the caller's, with the user's folders moved into `folder`.
std::vector<std::string> environmentIn(const std::string& folder) {
  std::vector<std::string> result;
  const char* replaced[] = {
      "HOME=",   "XDG_CONFIG_HOME=", "XDG_DATA_HOME=", "XDG_CACHE_HOME=", "XDG_RUNTIME_DIR=",
      "TMPDIR=", "QT_QPA_PLATFORM="};
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (std::none_of(std::begin(replaced), std::end(replaced),
                     [&](const char* name) { return text.rfind(name, 0) == 0; }))
      result.push_back(text);
  }
  for (const char* name : {"home", "config", "data", "cache", "run", "tmp"}) {
    const std::string path = folder + "/" + name;
    ::mkdir(path.c_str(), 0700);
  }
  result.push_back("HOME=" + folder + "/home");
  result.push_back("XDG_CONFIG_HOME=" + folder + "/config");
  result.push_back("XDG_DATA_HOME=" + folder + "/data");
  result.push_back("XDG_CACHE_HOME=" + folder + "/cache");
  result.push_back("XDG_RUNTIME_DIR=" + folder + "/run");
  result.push_back("TMPDIR=" + folder + "/tmp");
  result.push_back("QT_QPA_PLATFORM=xcb");
  return result;
}

class Probe {
 public:
  Probe() {
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_) != 0) {
      std::fprintf(stderr, "cannot open the display $DISPLAY\n");
      std::exit(2);
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_);
  }
  ~Probe() { xcb_disconnect(connection_); }

  Sample measure(const std::string& program, const std::string& folder) {
    drainEvents();
    std::vector<std::string> environment = environmentIn(folder);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
      std::fprintf(stderr, "cannot start %s\n", program.c_str());
      std::exit(2);
    }
    posix_spawn_file_actions_destroy(&actions);

    Sample sample;
    if (!waitForMap(start + std::chrono::seconds(30))) {
      std::fprintf(stderr, "%s showed no window within 30 s\n", program.c_str());
      std::exit(1);
    }
    sample.visibleMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::this_thread::sleep_until(start + std::chrono::seconds(2));
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0) {
      std::fprintf(stderr, "%s ended before it was measured\n", program.c_str());
      std::exit(1);
    }
    sample.residentMb = residentMb(pid);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    return sample;
  }

 private:
  void drainEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
  }

  // The first window mapped as a top-level one (not a menu or a tooltip), before `deadline`.
  bool waitForMap(Clock::time_point deadline) {
    const int fd = xcb_get_file_descriptor(connection_);
    for (;;) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                            reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect == 0;
        std::free(event);
        if (mapped) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd ready{fd, POLLIN, 0};
      ::poll(&ready, 1, static_cast<int>(left.count()));
    }
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s RUNS ENV_FOLDER PROGRAM PEER\n", argv[0]);
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const std::string folder = argv[2];
  const std::string programs[2] = {argv[3], argv[4]};
  Probe probe;
  probe.measure(programs[0], folder + "/warm-0");  // one start each first: files into the page cache
  probe.measure(programs[1], folder + "/warm-1");
  std::vector<double> visible[2], resident[2];
  for (int run = 0; run < runs; ++run) {
    // Alternating, so that load from elsewhere on the machine falls on both alike.
    for (int k = 0; k < 2; ++k) {
      const int which = run % 2 == 0 ? k : 1 - k;
      const std::string runFolder = folder + "/run-" + std::to_string(run) + "-" + std::to_string(which);
      ::mkdir(runFolder.c_str(), 0700);
      const Sample sample = probe.measure(programs[which], runFolder);
      visible[which].push_back(sample.visibleMs);
      resident[which].push_back(sample.residentMb);
    }
  }
  const char* names[2] = {"program", "peer"};
  for (int which = 0; which < 2; ++which) {
    std::printf(
        "%-7s %s\n        window visible: median %.0f ms (min %.0f, max %.0f); resident after 2 s: median "
        "%.1f MB\n",
        names[which], programs[which].c_str(), median(visible[which]),
        *std::min_element(visible[which].begin(), visible[which].end()),
        *std::max_element(visible[which].begin(), visible[which].end()), median(resident[which]));
  }
  std::printf("time ratio program/peer: %.2fx (target 1.5x or less)\n",
              median(visible[0]) / median(visible[1]));
  std::printf("memory ratio program/peer: %.2fx (target 1.3x or less)\n",
              median(resident[0]) / median(resident[1]));
  return 0;
}
