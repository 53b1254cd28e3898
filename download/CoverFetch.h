// A small stage of a job: fetching the page's picture for the audio file's cover with the program's own HTTP
// client (the same proxy, cookies and TLS rules as the video), asynchronously. The picture is kept in memory
// up to kMaxPictureBytes: a larger one (announced or received) is abandoned. The stage ends once, through its
// callback, from the event loop; its failure never fails the job, which goes on without a cover.
#pragma once

#include "net/http/HttpClient.h"
#include "net/http/Stream.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace download {

struct CoverResult {
  bool fetched = false;
  std::string picture{};  // when fetched: the picture's bytes, as served
  std::string failure{};  // when not: why, in a few words
};

class CoverFetch {
 public:
  static constexpr std::int64_t kMaxPictureBytes = 10 * 1024 * 1024;
  static constexpr int kTimeLimitMs = 30 * 1000;

  using Done = std::function<void(CoverResult result)>;

  CoverFetch();
  ~CoverFetch();
  CoverFetch(const CoverFetch&) = delete;
  CoverFetch& operator=(const CoverFetch&) = delete;

  // Fetches `url`; `done` is called once, from the event loop, unless stop() comes first.
  void start(const std::string& url, Done done);
  // Ends the request at once; nothing is reported afterwards.
  void stop();

 private:
  class CappedStream;

  void onRequestDone();
  void onHeaderEnd();
  void finish(CoverResult result);

  http::HttpClient client_{"coverClient"};
  std::unique_ptr<CappedStream> body_;
  bool running_ = false;
  bool tooLarge_ = false;
  bool timedOut_ = false;
  Done done_;
  QTimer timeLimit_;
  QObject context_;  // what is reported later goes away with the stage
};

}  // namespace download
