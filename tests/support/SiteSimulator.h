// The site simulator (tests/sim/site_simulator.py) run as a child of the test program, on 127.0.0.1. It
// writes the sites file Clipwave is pointed at and logs each request it serves; it ends when its standard
// input closes, which also happens when the test program dies.
#pragma once

#include <QJsonObject>
#include <QProcess>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

class SiteSimulator {
 public:
  // Starts the simulator with its sites file and request log in `folder` and the further `options` of its
  // command line ("--slow-rate", "30000", ...), and waits until it says it is ready. The first start makes
  // the clips with ffmpeg, which takes a while; later starts find them made.
  explicit SiteSimulator(const std::string& folder, const std::vector<std::string>& options = {});
  ~SiteSimulator();
  SiteSimulator(const SiteSimulator&) = delete;
  SiteSimulator& operator=(const SiteSimulator&) = delete;

  bool ready() const { return ready_.contains(QStringLiteral("sites_file")); }
  std::string sitesFile() const;
  // "http://127.0.0.1:<port>" of a site: "youtube", "metacafe", "google", "cache".
  std::string site(const char* name) const;
  // The path and size of the clip the simulator serves as `kind` ("flv", "mp4").
  std::string clip(const char* kind) const;
  std::uintmax_t clipBytes(const char* kind) const;

  // The request log: one line per request, "<site> <method> <target> ...".
  std::string logPath() const { return folder_ + "/requests.log"; }
  std::string log() const;
  std::vector<std::string> logLines() const;
  // How many requests since the last mark() begin with `start` ("youtube GET /get_video", say).
  int requests(const std::string& start) const;
  void mark() { marked_ = logLines().size(); }
  // Whether any line of the log holds `text`.
  bool logged(const std::string& text) const;

 private:
  QJsonObject clipInfo(const char* kind) const;

  std::string folder_;
  QProcess process_;
  QJsonObject ready_;
  std::size_t marked_ = 0;
};

}  // namespace testing_support
