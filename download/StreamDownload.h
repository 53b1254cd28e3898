// The second stage of a job: downloading the stream into the output folder with the program's own HTTP
// client, resumably. The bytes go to the video's part file (PartFile.h), which takes the video's name once
// it is whole; a part left by an earlier download of the same file is continued. A connection cut inside the
// body of a video whose size is known is continued by itself up to kCutRetries times, a pause apart; a reply
// with other bytes or another video starts the video over once. Everything runs from the event loop: the
// client's completion events and a timer for the pause.
//
// A stream the resolver asks to be fetched in pieces (YouTube throttles larger single requests) is fetched
// in consecutive "Range: bytes=A-B" requests of at most its chunk size into the same part: each piece must
// come back as a 206 for exactly those bytes of the same video, a cut inside a piece is continued like any
// other, the part can be continued piece by piece later, and the progress counts the whole video.
#pragma once

#include "download/DownloadProgress.h"
#include "download/JobListener.h"
#include "download/PartFile.h"
#include "net/http/FileStream.h"
#include "net/http/HttpClient.h"
#include "platform/browser/BrowserCookie.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace download {

// What to download, and where to.
struct DownloadOrder {
  std::string url;        // the stream's address
  std::string videoPath;  // the video file to make in the output folder
  // Request header fields the stream asks for (from the resolver).
  std::vector<std::pair<std::string, std::string>> headers;
  std::int64_t chunkSize = 0;  // fetch in requests of at most this many bytes; 0: in one request
};

struct DownloadResult {
  enum class Status { Complete, Failed };
  Status status = Status::Failed;
  std::string failure;  // when failed: what to tell (empty when there is nothing to tell)
};

class StreamDownload {
 public:
  static constexpr int kCutRetries = 3;
  static constexpr int kRetryPauseMs = 1000;

  using Progress = std::function<void(const DownloadFigures& figures)>;
  using Done = std::function<void(DownloadResult result)>;

  StreamDownload();
  ~StreamDownload();
  StreamDownload(const StreamDownload&) = delete;
  StreamDownload& operator=(const StreamDownload&) = delete;

  void setRetryPause(int ms) { retryPauseMs_ = ms; }
  // The client's time limits (http::HttpClient's connect, handshake and idle limits, in milliseconds);
  // the product's are the client's own, tests set short ones.
  void setTimeLimits(int connectMs, int handshakeMs, int idleMs);
  // Called, inside the client's events, each time the part is emptied to take the video from its first byte
  // again (a whole video where a continuation was asked for, other bytes or another video): whatever read
  // the part so far must start over.
  void setStartOverNotice(std::function<void()> notice) { startOverNotice_ = std::move(notice); }
  // The part the bytes go to (before it takes the video's name), once start() has opened it.
  std::string partPath() const { return part_ ? part_->partPath() : std::string(); }

  // Starts the download. `progress` is called as bytes arrive; `done` once at the end, from the event loop,
  // unless stop() comes first.
  void start(const DownloadOrder& order, Progress progress, Done done);
  // Ends the download at once: the request is aborted, and what was received stays in the part for the next
  // download of the same video. Nothing is reported afterwards. Gives the part's path when one was kept.
  std::string stop();

  // The client the video comes through (its settings and last reply, for tests and diagnostics).
  const http::HttpClient& client() const { return client_; }

 private:
  // The request under way: the part's bytes it asked to continue from (0: the whole video), the record of
  // the video they belong to, and what the reply meant for the part.
  struct Attempt {
    std::int64_t from = 0;
    VideoValidators video;
    std::optional<RangeReply> reply;
    std::int64_t sizeBefore = 0;
    std::string failure;  // the part could not be emptied
  };

  void setUpClient();
  void useStreamHeaders(const std::vector<std::pair<std::string, std::string>>& headers);
  void startAttempt();
  void onRequestDone();
  bool attemptTookWhole(std::string& cause);
  void finishAttempts(std::string cause);
  void finish(DownloadResult result);
  void onBeforeHeaderSend(const std::string& method, std::vector<std::string>& lines) const;
  void onHeaderEnd();
  void onHeaderData();
  void onDocumentData();
  void report();
  void emptyPart();
  bool startOverHere(const std::vector<std::string>& lines);
  // Pieces: the range of the next request, and what its reply means for the part.
  std::string pieceRange() const;
  void judgePiece(int status, const std::vector<std::string>& lines);
  bool morePieces() const;
  bool toStreamsOwnHost() const;

  http::HttpClient client_{"httpClient"};
  std::unique_ptr<PartFile> part_;
  std::unique_ptr<http::FileStream> file_;
  DownloadProgress progress_;
  Attempt attempt_;
  bool running_ = false;
  int retriesLeft_ = kCutRetries;
  bool startedOver_ = false;
  int retryPauseMs_ = kRetryPauseMs;
  std::int64_t chunkSize_ = 0;
  bool wholeInOneReply_ = false;  // the server sent the whole video where a piece was asked for
  // What the resolver asks to send with the stream beyond the client's own fields.
  std::vector<std::string> streamLines_;
  // The resolver's credentials, for the stream's own host only and never from https to plain http: its
  // cookies (as cookies of that host alone, secure when the stream is https) and its Authorization fields.
  std::vector<platform::BrowserCookie> streamCookies_;
  std::vector<std::string> credentialLines_;
  std::string streamHost_;
  bool streamHttps_ = false;
  Progress progressCallback_;
  Done done_;
  std::function<void()> startOverNotice_;
  QTimer retryPause_;
  QObject context_;  // what is reported later goes away with the stage
};

}  // namespace download
