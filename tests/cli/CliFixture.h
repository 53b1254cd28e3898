// The fixture of clipwave-cli run as a user runs it: the site simulator on 127.0.0.1, one for the whole test
// program, the test's own folders, and the environment that keeps the browser engine's files there.
#pragma once

#include "CliProcess.h"

#include "support/SiteSimulator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli_test {

// The files of `folder` whose names end in `ext` (".mp3"), as paths, sorted.
inline std::vector<std::string> filesEndingIn(const std::string& folder, const std::string& ext) {
  std::vector<std::string> found;
  for (const std::string& name : testing_support::filesIn(folder)) {
    if (std::filesystem::path(name).extension() == ext) found.push_back(folder + "/" + name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The lines of standard error that are messages (the ones clipwave-cli starts with its name).
inline std::vector<std::string> messages(const std::string& err) {
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("clipwave-cli: ", 0) == 0) lines.push_back(line);
  }
  return lines;
}

class CliFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // One simulator for the whole test program: started with the first test, stopped after the last.
    simDir = new testing_support::TempDir;
    simulator = new testing_support::SiteSimulator(simDir->path());
    if (!simulator->ready()) throw std::runtime_error("the simulator did not start");
  }
  static void TearDownTestSuite() {
    delete simulator;
    delete simDir;
  }

  void SetUp() override { std::filesystem::create_directories(out_); }

  // clipwave-cli with `args`, on a terminal or not, pointed at the simulator.
  CliProcess::Options cli(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), CLIPWAVE_CLI);
    CliProcess::Options options{.argv = std::move(args), .terminal = terminal};
    options.env = {
        {"CLIPWAVE_SITES_FILE", simulator->sitesFile()},
        // The browser engine's profile and caches go to the test's folder.
        {"HOME", dir_.path()},
        {"XDG_DATA_HOME", dir_.file("data")},
        {"XDG_CACHE_HOME", dir_.file("cache")},
        {"XDG_CONFIG_HOME", dir_.file("config")},
        // The engine frees some of its objects with a sized delete of another type (sanitizer builds).
        {"ASAN_OPTIONS",
         std::string(getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "") + ":new_delete_type_mismatch=0"},
        {"http_proxy", ""},
        {"HTTP_PROXY", ""},
    };
    return options;
  }

  testing_support::TempDir dir_;
  std::string out_ = dir_.file("out");
  static inline testing_support::TempDir* simDir = nullptr;
  static inline testing_support::SiteSimulator* simulator = nullptr;
};

}  // namespace cli_test
