// The fixture of clipwave-cli's runs with several items: the common one (CliFixture.h) and the fake yt-dlp,
// logging each of its runs.
#pragma once

#include "CliFixture.h"

#include "convert/ConvertTestSupport.h"

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

namespace cli_test {

constexpr int kJobMs = 180000;  // a few jobs, engine start included, on a loaded machine

class CliListTest : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
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

  // clipwave-cli as CliFixture runs it, with the fake yt-dlp as its resolver.
  CliProcess::Options cli(std::vector<std::string> args, bool terminal = false) {
    CliProcess::Options options = CliFixture::cli(std::move(args), terminal);
    options.env.insert({
        {"CLIPWAVE_YTDLP", ytdlp_},
        {"CLIPWAVE_RESOLVER", "on"},
        {"FAKE_YTDLP_SITES", simulator->sitesFile()},
        {"FAKE_YTDLP_LOG", ytdlpLog_},
    });
    return options;
  }

  // How many runs of yt-dlp asked about a list.
  int listRuns() const {
    std::ifstream in(ytdlpLog_);
    int runs = 0;
    for (std::string line; std::getline(in, line);) runs += line.find("--flat-playlist") != std::string::npos;
    return runs;
  }

  std::string ytdlp_ = dir_.file("yt-dlp");
  std::string ytdlpLog_ = dir_.file("yt-dlp.log");
};

}  // namespace cli_test
