#include "download/StreamDownload.h"

#include "common/Files.h"
#include "common/Text.h"
#include "download/ClientProxy.h"
#include "download/StreamCookies.h"
#include "net/http/UrlParts.h"
#include "net/socket/SocketErrors.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Translations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace download {
namespace {

bool isSocketError(std::uint16_t error) {
  return error >= 10000;  // socket and lookup errors keep the socket library's numbers
}

// The status line without its version ("404 Not Found"), or the code when the line is not there.
std::string statusLineOf(const http::HttpClient& client) {
  const std::vector<std::string>& lines = client.headerLines();
  if (!lines.empty()) {
    const std::size_t blank = lines.front().find(' ');
    if (blank != std::string::npos && blank + 1 < lines.front().size())
      return lines.front().substr(blank + 1);
  }
  return std::to_string(client.statusCode());
}

// Why the request brought no video, as the client reported it; empty when it did bring one, and after an
// abort. A part (206) that was kept has been judged before (onHeaderEnd); one that gets here was not asked
// for.
std::string downloadFailureCause(const http::HttpClient& client, bool partAskedFor) {
  const std::uint16_t error = client.requestDoneError();
  if (error == http::HttpError::Aborted) return {};
  const int status = client.statusCode();
  if (status == 0)
    return client.statusText().empty() ? resources::translate("StreamDownload", "the reply is not HTTP")
                                       : client.statusText();
  if (error != 0) {
    // No reply at all (a name not found, a connection refused, ...) is never shown as a status: the client
    // stands a status code in for those.
    std::string cause = client.statusText();
    if (isSocketError(error) && cause.find("(Error #") == std::string::npos)
      cause += (cause.empty() ? "" : ": ") + net::socketErrorText(error) + " (Error #" +
               std::to_string(error) + ")";
    return cause;
  }
  if (status < 200 || status > 299) return statusLineOf(client);
  if (status == 206 && !partAskedFor)
    return common::fillIn(resources::translate("StreamDownload", "%1 (a part that was not asked for)"),
                          {statusLineOf(client)});
  if (status == 204 || status == 205 || client.receivedCount() == 0)
    return common::fillIn(resources::translate("StreamDownload", "%1 (no video in the reply)"),
                          {statusLineOf(client)});
  return {};
}

// Milliseconds of a monotonic clock, never 0 (0 marks "no sample yet").
std::uint64_t tickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::max<std::uint64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// The cookies of a Cookie field's value ("a=1; b=2"), as cookies of `host` alone for the whole site.
std::vector<platform::BrowserCookie> cookiesOfField(const std::string& value, const std::string& host,
                                                    bool secure) {
  std::vector<platform::BrowserCookie> cookies;
  std::size_t at = 0;
  while (at <= value.size()) {
    const std::size_t end = std::min(value.find(';', at), value.size());
    const std::string pair = common::trim(value.substr(at, end - at), common::Trim::SpacesAndTabs);
    at = end + 1;
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    platform::BrowserCookie cookie;
    cookie.name = equals == std::string::npos ? std::string() : pair.substr(0, equals);
    cookie.value = equals == std::string::npos ? pair : pair.substr(equals + 1);
    cookie.domain = host;
    cookie.path = "/";
    cookie.secure = secure;
    cookies.push_back(std::move(cookie));
  }
  return cookies;
}

bool taken(std::optional<RangeReply> reply) {
  return reply == RangeReply::Continue || reply == RangeReply::StartOverHere;
}

// "Content-Range: bytes FIRST-LAST/TOTAL" of a reply's header lines (the name in any letter case); all -1
// when there is none or it is not of that form.
struct PieceRange {
  std::int64_t first = -1, last = -1, total = -1;
};
PieceRange pieceRangeOf(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (!common::startsWithNoCase(line, "content-range:")) continue;
    const std::string value = common::trim(line.substr(14), common::Trim::Spaces);
    long long first = 0, last = 0, total = 0;
    int used = 0;
    if (std::sscanf(value.c_str(), "bytes %18lld-%18lld/%18lld%n", &first, &last, &total, &used) == 3 &&
        static_cast<std::size_t>(used) == value.size() && first >= 0 && last >= first && total > last)
      return {first, last, total};
    return {};
  }
  return {};
}

}  // namespace

StreamDownload::StreamDownload() {
  setUpClient();
  retryPause_.setSingleShot(true);
  QObject::connect(&retryPause_, &QTimer::timeout, [this] { startAttempt(); });
}

StreamDownload::~StreamDownload() {
  stop();
  client_.onRequestDone = nullptr;
  client_.onHeaderData = nullptr;
  client_.onDocData = nullptr;
  client_.onHeaderEnd = nullptr;
  client_.onBeforeHeaderSend = nullptr;
}

void StreamDownload::setUpClient() {
  client_.agent = "Mozilla/3.0 (compatible)";
  client_.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  client_.setRequestVer("1.0");
  client_.followRelocation = true;
  client_.locationChangeMaxCount = 5;
  client_.noCache = false;
  client_.multiThreaded = false;
  client_.localAddr = "0.0.0.0";
  client_.proxyPort = "80";
  client_.socksLevel = "5";
  client_.onHeaderData = [this](http::HttpClient*) { onHeaderData(); };
  client_.onDocData = [this](http::HttpClient*, const char*, int) { onDocumentData(); };
  client_.onHeaderEnd = [this](http::HttpClient*) { onHeaderEnd(); };
  client_.onBeforeHeaderSend = [this](http::HttpClient*, const std::string& method,
                                      std::vector<std::string>& lines) { onBeforeHeaderSend(method, lines); };
  client_.onRequestDone = [this](http::HttpClient*, http::RequestType, std::uint16_t) {
    if (running_) onRequestDone();
  };
}

void StreamDownload::setTimeLimits(int connectMs, int handshakeMs, int idleMs) {
  client_.connectTimeLimitMs = connectMs;
  client_.handshakeTimeLimitMs = handshakeMs;
  client_.idleTimeLimitMs = idleMs;
}

void StreamDownload::start(const DownloadOrder& order, Progress progress, Done done) {
  running_ = true;
  progressCallback_ = std::move(progress);
  done_ = std::move(done);
  retriesLeft_ = kCutRetries;
  startedOver_ = false;
  chunkSize_ = order.chunkSize > 0 ? order.chunkSize : 0;
  wholeInOneReply_ = false;
  progress_.reset();
  client_.url = order.url;
  useSystemProxy(client_);  // the system proxy, unless no_proxy names the stream's host
  useStreamHeaders(order.headers);
  part_ = std::make_unique<PartFile>(order.videoPath);
  VideoValidators video;
  const std::int64_t from = part_->resumableBytes(video);
  if (from == 0) part_->discard();  // nothing that can be continued: an old part starts over
  try {
    file_ = std::make_unique<http::FileStream>(
        part_->partPath(), from > 0 ? http::FileStream::Open::Continue : http::FileStream::Open::Create,
        http::FileStream::Accept::RegularOnly);
  } catch (const http::StreamError& error) {
    finish({DownloadResult::Status::Failed, error.what()});
    return;
  }
  attempt_ = Attempt{.from = from, .video = video, .reply = {}, .sizeBefore = 0, .failure = {}};
  report();
  startAttempt();
}

std::string StreamDownload::stop() {
  if (!running_) return {};
  running_ = false;
  retryPause_.stop();
  progressCallback_ = nullptr;
  done_ = nullptr;
  if (client_.state() != http::HttpState::Ready) client_.abort();
  client_.setReceiveStream(nullptr);
  // What was received stays in the part for the next download of this video, when it can be continued.
  if (file_) {
    try {
      file_->close();
    } catch (const http::StreamError&) {
    }
    file_.reset();
  }
  if (!part_) return {};
  VideoValidators kept;
  if (part_->resumableBytes(kept) == 0) {
    part_->discard();
    return {};
  }
  return part_->partPath();
}

// The resolver's request fields go where the client has them, the others after its own (sent by
// onBeforeHeaderSend, with the part's range and the profile's cookies).
void StreamDownload::useStreamHeaders(const std::vector<std::pair<std::string, std::string>>& headers) {
  std::string cookieField;
  streamLines_.clear();
  credentialLines_.clear();
  const http::UrlParts stream = http::splitAddress(client_.url);
  streamHost_ = common::lowerAscii(stream.host);
  streamHttps_ = common::lowerAscii(stream.proto) == "https";
  for (const auto& [name, value] : headers) {
    const std::string lower = common::lowerAscii(name);
    if (lower == "user-agent") {
      client_.agent = value;
    } else if (lower == "accept") {
      client_.accept = value;
    } else if (lower == "referer") {
      client_.reference = value;
    } else if (lower == "cookie") {
      cookieField = value;
    } else if (lower == "accept-language") {
      client_.acceptLanguage = value;
    } else if (lower == "authorization" || lower == "proxy-authorization") {
      credentialLines_.push_back(name + ": " + value);
    } else {
      streamLines_.push_back(name + ": " + value);
    }
  }
  streamCookies_ = cookiesOfField(cookieField, streamHost_, streamHttps_);
}

// True when the request about to go is for the stream's own host, and not from https down to plain http.
bool StreamDownload::toStreamsOwnHost() const {
  const http::UrlParts now = http::splitAddress(client_.location());
  if (common::lowerAscii(now.host) != streamHost_) return false;
  return !streamHttps_ || common::lowerAscii(now.proto) == "https";
}

// One request for the video into the part, from the bytes the attempt continues from.
void StreamDownload::startAttempt() {
  if (!running_) return;
  if (progress_.sampleTick == 0) progress_.sampleBytes = attempt_.from;  // speed counts new bytes only
  attempt_.sizeBefore = file_->size();
  // The client would ask again for the range of the last reply it read: the range goes in
  // onBeforeHeaderSend alone.
  client_.setContentRangeBegin({});
  client_.setContentRangeEnd({});
  client_.setReceiveStream(file_.get());
  try {
    client_.getAsync();
  } catch (const std::exception& error) {
    client_.setReceiveStream(nullptr);
    finishAttempts(error.what());
  }
}

// The request has ended: the video is whole, or it is continued after a cut, started over, or given up.
void StreamDownload::onRequestDone() {
  client_.setReceiveStream(nullptr);
  std::string cause;
  if (attemptTookWhole(cause)) {
    if (morePieces()) {
      // The piece is in the part: the next one is asked for at once, with a fresh allowance of cuts.
      retriesLeft_ = kCutRetries;
      attempt_ = Attempt{
          .from = file_->size(), .video = attempt_.video, .reply = {}, .sizeBefore = 0, .failure = {}};
      retryPause_.start(0);
      return;
    }
    finishAttempts({});
    return;
  }
  const std::optional<RangeReply> reply = attempt_.reply;
  if (reply == RangeReply::StartOverAnew && cause.empty()) {
    if (startedOver_) {
      // Asked for the whole video, the server still sends something else: there is no video to take.
      finishAttempts(common::fillIn(resources::translate("StreamDownload", "%1 (other bytes than asked for)"),
                                    {statusLineOf(client_)}));
      return;
    }
    // Not the bytes asked for, or not the same video: the whole video is asked for once more.
    startedOver_ = true;
    try {
      emptyPart();
    } catch (const http::StreamError& error) {
      finishAttempts(error.what());
      return;
    }
    part_->forgetValidators();
    attempt_ = Attempt{};
    retryPause_.start(0);
    return;
  }
  const bool cut = client_.requestDoneError() == http::HttpError::CutShort && taken(reply);
  // A continuation that finds no server (the link that cut the body is still down) is the same fault:
  // it is tried again while continuations are left.
  const std::uint16_t error = client_.requestDoneError();
  const bool unreachable = attempt_.from > 0 && retriesLeft_ < kCutRetries && !reply &&
                           (isSocketError(error) || error == http::HttpError::TimedOut);
  // A video of unknown size (a body that ran until the connection's end) is continued when it has a
  // validator to recognise it by.
  const bool recognisable =
      attempt_.video.total > 0 || !attempt_.video.etag.empty() || !attempt_.video.lastModified.empty();
  if ((!cut && !unreachable) || retriesLeft_ == 0 || !recognisable) {
    finishAttempts(cause);
    return;
  }
  // The connection broke inside the body of a video whose size is known: after a short pause the request
  // goes on from the bytes received.
  --retriesLeft_;
  attempt_ =
      Attempt{.from = file_->size(), .video = attempt_.video, .reply = {}, .sizeBefore = 0, .failure = {}};
  retryPause_.start(retryPauseMs_);
}

// True when the request brought the rest of the video; `cause` gets why it did not (empty after an abort
// of ours).
bool StreamDownload::attemptTookWhole(std::string& cause) {
  cause = attempt_.failure;
  if (cause.empty() && attempt_.reply != RangeReply::StartOverAnew)
    cause = downloadFailureCause(client_, attempt_.reply == RangeReply::Continue);
  if (!taken(attempt_.reply)) {
    // Nothing of a reply that is no part of the video stays in the part (a relocation's body, an error page
    // that got through).
    try {
      if (file_->size() != attempt_.sizeBefore) file_->setSize(attempt_.sizeBefore);
    } catch (const http::StreamError& error) {
      if (cause.empty()) cause = error.what();
    }
  }
  const bool aborted = client_.requestDoneError() == http::HttpError::Aborted;
  return taken(attempt_.reply) && cause.empty() && !aborted;
}

// No more requests: the part takes the video's name when it is whole; otherwise what can be continued stays
// for the next download of this video, and anything else goes.
void StreamDownload::finishAttempts(std::string cause) {
  const bool aborted = client_.requestDoneError() == http::HttpError::Aborted;
  bool complete = cause.empty() && !aborted;
  std::string failure;
  if (!cause.empty()) {
    const std::string address = client_.location().empty() ? client_.url : client_.location();
    failure =
        common::fillIn(resources::translate("StreamDownload", "Unable to download %1: %2"), {address, cause});
  }
  try {
    file_->close();  // the last writes reach the disk here, and so does their failure
  } catch (const http::StreamError& error) {
    if (complete) failure = error.what();
    complete = false;
  }
  file_.reset();
  if (complete) {
    if (part_->finish(failure)) {
      finish({DownloadResult::Status::Complete, {}});
    } else {
      finish({DownloadResult::Status::Failed, failure});
    }
    return;
  }
  VideoValidators kept;
  const std::int64_t keptBytes = part_->resumableBytes(kept);
  if (keptBytes == 0) {
    part_->discard();
  } else if (!failure.empty()) {
    const int continued = kCutRetries - retriesLeft_;
    const std::string keptKb = common::formatKilobytes(keptBytes);
    const std::string totalKb = common::formatKilobytes(kept.total);
    failure +=
        continued > 0
            ? common::fillIn(
                  resources::translate("StreamDownload",
                                       " (continued %1 times; %2 KB of %3 KB kept for the next download)"),
                  {std::to_string(continued), keptKb, totalKb})
            : common::fillIn(
                  resources::translate("StreamDownload", " (%1 KB of %2 KB kept for the next download)"),
                  {keptKb, totalKb});
  }
  finish({DownloadResult::Status::Failed, failure});
}

// Reported from the event loop, never inside start().
void StreamDownload::finish(DownloadResult result) {
  running_ = false;
  retryPause_.stop();
  progressCallback_ = nullptr;
  QTimer::singleShot(0, &context_, [this, result = std::move(result)]() mutable {
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(std::move(result));
  });
}

// Every request of a download, a relocated one too, asks for the bytes after those of the part, and carries
// the browser profile's cookies for its own address (so a relocation to another host gets that host's cookies
// only), after the resolver's cookie and fields when it gave any: a stream that needs the session the page
// (or a sign-in) set gets it. The resolver's cookies and Authorization fields belong to the stream's own
// host: they are judged per request like the profile's, and never follow a relocation to another host or from
// https to plain http; its harmless fields (agent, languages, referrer, ...) do. A proxy's tunnel request
// (CONNECT) gets none of these.
void StreamDownload::onBeforeHeaderSend(const std::string& method, std::vector<std::string>& lines) const {
  if (!running_ || method == "CONNECT") return;
  lines.insert(lines.end(), streamLines_.begin(), streamLines_.end());
  if (toStreamsOwnHost()) lines.insert(lines.end(), credentialLines_.begin(), credentialLines_.end());
  if (chunkSize_ > 0) {
    lines.push_back("Range: " + pieceRange());
  } else if (attempt_.from > 0) {
    lines.push_back("Range: bytes=" + std::to_string(attempt_.from) + "-");
  }
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  std::string cookies = cookieHeaderFor(streamCookies_, client_.location(), now);
  const std::string profile = cookieHeaderFor(platform::engineCookies(), client_.location(), now);
  if (!profile.empty()) cookies += (cookies.empty() ? "" : "; ") + profile;
  if (!cookies.empty()) lines.push_back("Cookie: " + cookies);
}

// The final reply's header is complete, its body not yet written: the part is continued, started over with
// this body, or kept away from it.
void StreamDownload::onHeaderEnd() {
  if (!running_) return;
  const int status = client_.statusCode();
  if (status >= 300 && status <= 399) return;  // a relocation; a final one is reported afterwards
  const std::vector<std::string>& lines = client_.headerLines();
  if (chunkSize_ > 0 && !wholeInOneReply_) {
    judgePiece(status, lines);
    return;
  }
  const RangeReply reply = checkRangeReply(attempt_.from, attempt_.video, status, lines);
  attempt_.reply = reply;
  switch (reply) {
    case RangeReply::Continue:
      if (attempt_.video.total <= 0) {
        // The reply says the size that the first one did not: the part can now be continued later too.
        attempt_.video.total = validatorsOf(lines).total;
        if (!part_->keepValidators(attempt_.video)) part_->forgetValidators();
      }
      progress_.setTotal(attempt_.video.total);
      report();
      return;
    case RangeReply::StartOverHere:
      if (startOverHere(lines)) report();
      return;
    case RangeReply::StartOverAnew:
      client_.abort();
      return;
    case RangeReply::NotVideo:
      client_.setReceiveStream(nullptr);
      return;
  }
}

// Header lines are those of the reply being received: after a relocation, only the final reply's length
// counts.
void StreamDownload::onHeaderData() {
  // A piece's length is not the video's: the total of a piece comes from its range (judgePiece).
  if (running_ && (chunkSize_ == 0 || wholeInOneReply_)) progress_.onHeaderLines(client_.headerLines());
}

// The bytes from the part's end, at most one chunk of them, and never past the video's end once its size
// is known.
std::string StreamDownload::pieceRange() const {
  std::int64_t last = attempt_.from + chunkSize_ - 1;
  if (attempt_.video.total > 0) last = std::min(last, attempt_.video.total - 1);
  return "bytes=" + std::to_string(attempt_.from) + "-" + std::to_string(last);
}

bool StreamDownload::morePieces() const {
  return chunkSize_ > 0 && !wholeInOneReply_ && attempt_.video.total > 0 &&
         file_->size() < attempt_.video.total;
}

// A piece is kept when it is a 206 for exactly the bytes asked for, of the video the earlier pieces came
// from (the same size, and the same ETag and Last-Modified where they were given). A server that ignores
// ranges sends the whole video at once, which is taken as it is; other bytes start the video over.
void StreamDownload::judgePiece(int status, const std::vector<std::string>& lines) {
  if (status == 206) {
    const PieceRange range = pieceRangeOf(lines);
    std::int64_t expectedLast = attempt_.from + chunkSize_ - 1;
    const std::int64_t total = attempt_.video.total > 0 ? attempt_.video.total : range.total;
    if (total > 0) expectedLast = std::min(expectedLast, total - 1);
    const VideoValidators now = validatorsOf(lines);
    const bool sameVideo =
        attempt_.video.total <= 0 ||
        (range.total == attempt_.video.total &&
         (attempt_.video.etag.empty() || now.etag == attempt_.video.etag) &&
         (attempt_.video.lastModified.empty() || now.lastModified == attempt_.video.lastModified));
    if (range.first != attempt_.from || range.last != expectedLast || !sameVideo) {
      attempt_.reply = RangeReply::StartOverAnew;
      client_.abort();
      return;
    }
    if (attempt_.video.total <= 0) {
      // The first piece tells the video's size and validators: the part can be continued from now on.
      attempt_.video = now;
      if (!part_->keepValidators(attempt_.video)) part_->forgetValidators();
    }
    attempt_.reply = RangeReply::Continue;
    progress_.setTotal(attempt_.video.total);
    report();
    return;
  }
  if (status >= 200 && status <= 299 && attempt_.from == 0) {
    wholeInOneReply_ = true;
    progress_.onHeaderLines(lines);
  }
  const RangeReply reply = checkRangeReply(attempt_.from, attempt_.video, status, lines);
  attempt_.reply = reply;
  switch (reply) {
    case RangeReply::StartOverHere:
      wholeInOneReply_ = true;
      if (!startOverHere(lines)) return;
      progress_.onHeaderLines(lines);
      report();
      return;
    case RangeReply::StartOverAnew:
      client_.abort();
      return;
    case RangeReply::Continue:
    case RangeReply::NotVideo:
      client_.setReceiveStream(nullptr);
      return;
  }
}

// Only the bytes of the video are shown: an error page's body is not.
void StreamDownload::onDocumentData() {
  if (!running_ || !taken(attempt_.reply)) return;
  progress_.onBodyReceived(attempt_.from + client_.receivedCount(), tickCount());
  report();
}

// Raises StreamError when the part cannot be emptied.
void StreamDownload::emptyPart() {
  file_->setSize(0);
  if (startOverNotice_) startOverNotice_();
}

// The reply (header `lines`) brings the whole video where a continuation or a piece was asked for: the part
// is emptied and takes the video from its first byte, with the reply's validators. False, with the request
// aborted and the failure noted, when the part cannot be emptied.
bool StreamDownload::startOverHere(const std::vector<std::string>& lines) {
  try {
    emptyPart();
  } catch (const http::StreamError& error) {
    attempt_.failure = error.what();
    client_.abort();
    return false;
  }
  attempt_.from = 0;
  attempt_.video = validatorsOf(lines);
  if (attempt_.video.total <= 0 || !part_->keepValidators(attempt_.video)) {
    // A part of a video of unknown size is no part for a later download; this one may still continue
    // it after a cut, by its validators.
    attempt_.video.total = -1;
    part_->forgetValidators();
  }
  return true;
}

void StreamDownload::report() {
  if (!progressCallback_) return;
  const std::int64_t received =
      attempt_.from + (taken(attempt_.reply) ? client_.receivedCount() : std::int64_t{0});
  progressCallback_({.received = received,
                     .total = progress_.total,
                     .receivedText = progress_.receivedText,
                     .timeLeftText = progress_.timeLeftText,
                     .speedText = progress_.speedText});
}

}  // namespace download
