// The fixture of clipwave-cli's runs with several items: the site simulator on 127.0.0.1 for the test
// program, the fake yt-dlp (logging each of its runs), and the test's own folders.
#pragma once

#include "CliProcess.h"

#include "convert/ConvertTestSupport.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cli_test {

using testing_support::SiteSimulator;
using testing_support::TempDir;

constexpr int kJobMs = 180000;  // a few jobs, engine start included, on a loaded machine

inline std::vector<std::string> filesEndingIn(const std::string& folder, const std::string& ext) {
  std::vector<std::string> found;
  for (const std::string& name : testing_support::filesIn(folder)) {
    if (std::filesystem::path(name).extension() == ext) found.push_back(folder + "/" + name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

inline std::vector<std::string> messages(const std::string& err) {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("clipwave-cli: ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

class CliListTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    simDir = new TempDir;
    simulator = new SiteSimulator(simDir->path());
    if (!simulator->ready()) throw std::runtime_error("the simulator did not start");
  }
  static void TearDownTestSuite() {
    delete simulator;
    delete simDir;
  }

  void SetUp() override {
    std::filesystem::create_directories(out_);
    // The fake yt-dlp, run through a small script; every run of it is logged.
    std::ofstream(ytdlp_) << "#!/bin/sh\nexec /usr/bin/python3 '" CLIPWAVE_FAKE_YTDLP "' \"$@\"\n";
    ::chmod(ytdlp_.c_str(), 0755);
  }

  std::string makeVideo(const std::string& name) {
    const std::string path = dir_.file(name);
    convert_test::makeVideo(path, 1);
    return path;
  }

  std::string cachePage(const std::string& path) const { return simulator->site("cache") + path; }

  CliProcess::Options cli(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), CLIPWAVE_CLI);
    CliProcess::Options options{.argv = std::move(args), .terminal = terminal};
    options.env = {
        {"CLIPWAVE_SITES_FILE", simulator->sitesFile()},
        {"HOME", dir_.path()},
        {"XDG_DATA_HOME", dir_.file("data")},
        {"XDG_CACHE_HOME", dir_.file("cache")},
        {"XDG_CONFIG_HOME", dir_.file("config")},
        {"ASAN_OPTIONS",
         std::string(getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "") + ":new_delete_type_mismatch=0"},
        {"http_proxy", ""},
        {"HTTP_PROXY", ""},
        {"CLIPWAVE_YTDLP", ytdlp_},
        {"CLIPWAVE_RESOLVER", "on"},
        {"FAKE_YTDLP_SITES", simulator->sitesFile()},
        {"FAKE_YTDLP_LOG", ytdlpLog_},
    };
    return options;
  }

  // How many runs of yt-dlp asked about a list.
  int listRuns() const {
    std::ifstream in(ytdlpLog_);
    int runs = 0;
    for (std::string line; std::getline(in, line);) runs += line.find("--flat-playlist") != std::string::npos;
    return runs;
  }

  TempDir dir_;
  std::string out_ = dir_.file("out");
  std::string ytdlp_ = dir_.file("yt-dlp");
  std::string ytdlpLog_ = dir_.file("yt-dlp.log");
  static inline TempDir* simDir = nullptr;
  static inline SiteSimulator* simulator = nullptr;
};

}  // namespace cli_test
