#include "net/http/HttpResponseParser.h"

#include "common/Text.h"

#include <algorithm>
#include <cstring>

namespace http {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal count that fits in 63 bits, or -1 (negative, not a number, too large).
std::int64_t parseLength(const std::string& text) {
  std::string t = common::trim(text, common::Trim::SpacesAndTabs);
  if (t.empty() || t.size() > 18) return -1;
  std::int64_t value = 0;
  for (char c : t) {
    if (!isDigit(c)) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The line for an error text: at most 80 characters, control characters shown as '?'.
std::string shown(const std::string& line) {
  std::string s = line.substr(0, 80);
  for (char& c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return s;
}

// "name.exe" or "name" of an HTML document become "name.htm".
std::string withHtmExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + ".htm";
  return name.substr(0, dot + 1) + "htm";
}

std::string extension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : common::lowerAscii(name.substr(dot));
}

}  // namespace

HttpResponseParser::HttpResponseParser(HttpResponseHost& host)
    : host_(host), coding_([this](const char* d, std::size_t n) { output(d, n); }) {
  buffer_[0] = 0;
}

const char* HttpResponseParser::stateName(State s) {
  switch (s) {
    case State::Idle:
      return "Idle";
    case State::StatusLine:
      return "StatusLine";
    case State::InterimStatusLine:
      return "InterimStatusLine";
    case State::HeaderFields:
      return "HeaderFields";
    case State::BodyByLength:
      return "BodyByLength";
    case State::BodyChunked:
      return "BodyChunked";
    case State::BodyUntilClose:
      return "BodyUntilClose";
    case State::HeadAnswerClosing:
      return "HeadAnswerClosing";
    case State::DoneAfterHeader:
      return "DoneAfterHeader";
    case State::DoneAfterBody:
      return "DoneAfterBody";
    case State::Failed:
      return "Failed";
  }
  return "";
}

void HttpResponseParser::setState(State next) {
  if (next == state_) return;
  State previous = state_;
  state_ = next;
  if (trace_) trace_(previous, next);
}

// The states in which complete lines are taken from the buffer: header lines, or unexpected data.
bool HttpResponseParser::readsLines() const {
  return state_ == State::Idle || state_ == State::StatusLine || state_ == State::InterimStatusLine ||
         state_ == State::HeaderFields;
}

bool HttpResponseParser::inBody() const {
  return state_ == State::BodyByLength || state_ == State::BodyChunked || state_ == State::BodyUntilClose;
}

// The body framing the header announced: chunked wins over a length; without either, until close.
HttpResponseParser::State HttpResponseParser::bodyState() const {
  if (v_.transferEncoding == "chunked") return State::BodyChunked;
  return v_.bodyLength >= 0 ? State::BodyByLength : State::BodyUntilClose;
}

void HttpResponseParser::beginRequest(RequestType type, const std::string& requestVer) {
  type_ = type;
  requestVer_ = requestVer;
  std::string rangeBegin = v_.contentRangeBegin, rangeEnd = v_.contentRangeEnd;
  v_ = HttpResponseValues();
  v_.contentRangeBegin = rangeBegin;  // request values until the response says otherwise
  v_.contentRangeEnd = rangeEnd;
  v_.closeRequest = requestVer == "1.0";
  // A relocation before any body cuts the stream back to what it held when the request began, never to
  // the start of an earlier request's body.
  streamStartSize_ = stream_ != nullptr ? stream_->size() : 0;
  headerBytes_ = 0;
  headerLinesTotal_ = 0;
  lengthSeen_ = false;
  error_ = HttpError::NoError;
  setState(State::Idle);
  resetForRelocation();
}

void HttpResponseParser::expectResponse() {
  if (state_ != State::Failed) setState(State::StatusLine);
}

void HttpResponseParser::requestEnded() {
  if (state_ != State::Failed) setState(State::Idle);
}

void HttpResponseParser::resetForRelocation() {
  v_.receivedCount = 0;
  clearBuffer();
  bodyPieces_ = 0;
  owedEnd_ = OwedEnd::None;
  chunk_.reset();
  if (state_ != State::Failed) setState(State::Idle);
  ++generation_;
}

void HttpResponseParser::resetResponse() {
  v_.headerLines.clear();
  bodyPieces_ = 0;
  if (owedEnd_ == OwedEnd::DocEnd) owedEnd_ = OwedEnd::None;  // goes with the pieces counted
  v_.bodyLength = -1;
  v_.contentType.clear();
  v_.statusCode = 0;
  v_.transferEncoding.clear();
  v_.contentEncoding.clear();
  headerBytes_ = 0;
  headerLinesTotal_ = 0;
  lengthSeen_ = false;
  ++generation_;
}

void HttpResponseParser::cutBackStream() {
  if (stream_ != nullptr && stream_->size() != streamStartSize_) stream_->setSize(streamStartSize_);
}

void HttpResponseParser::cancel() {
  clearBuffer();
  if (state_ != State::Failed) setState(State::Idle);
  ++generation_;
}

void HttpResponseParser::clearBuffer() {
  start_ = fill_ = 0;
  buffer_[0] = 0;
}

void HttpResponseParser::compact() {
  if (start_ == 0) return;
  std::memmove(buffer_, buffer_ + start_, static_cast<std::size_t>(fill_ - start_));
  fill_ -= start_;
  start_ = 0;
}

// Inside a body that is not chunked, with no bytes held, the socket's bytes are the body's: they are read in
// large pieces and handed on as they are (one copy from the socket, none through the line buffer). A body of
// known length is read no further than its end, so a response that follows it stays in the socket.
bool HttpResponseParser::readsBodyDirectly() const {
  return (state_ == State::BodyByLength || state_ == State::BodyUntilClose) && start_ == fill_ &&
         type_ != RequestType::Abort;
}

int HttpResponseParser::receiveBody(ByteSource& source) {
  std::int64_t want = kBodyReadSize;
  if (state_ == State::BodyByLength) want = std::min(want, v_.bodyLength - v_.receivedCount);
  if (want <= 0) return 0;
  if (bodyBuffer_.empty()) bodyBuffer_.resize(kBodyReadSize);
  const int n = source.receive(bodyBuffer_.data(), static_cast<int>(want));
  if (n <= 0) return n;
  try {
    bodyPiece(bodyBuffer_.data(), static_cast<std::size_t>(n));
  } catch (const StreamError& e) {
    fail(HttpError::WriteFailed, e.what());
  }
  return n;
}

void HttpResponseParser::dataAvailable(ByteSource& source, std::uint16_t errCode) {
  if (readsBodyDirectly()) {
    start_ = fill_ = 0;
    buffer_[0] = 0;
    receiveBody(source);
    return;
  }
  compact();
  int n;
  if (fill_ < kBufferFill) {
    n = source.receive(buffer_ + fill_, kBufferFill - fill_);
    if (n > 0) fill_ += n;
  } else {
    // One line fills the buffer: look for its end in a few more bytes, dropping what lies before it.
    char scratch[25];
    n = source.receive(scratch, sizeof scratch);
    bool headerPhase = state_ == State::StatusLine || state_ == State::InterimStatusLine ||
                       state_ == State::HeaderFields || state_ == State::DoneAfterHeader;
    if (n > 0 && headerPhase) headerBytes_ += static_cast<std::size_t>(n);
    const void* lf = n > 0 ? std::memchr(scratch, '\n', static_cast<std::size_t>(n)) : nullptr;
    if (lf != nullptr) {
      int after = n - static_cast<int>(static_cast<const char*>(lf) - scratch) - 1;
      int keep = kBufferFill - 1 - after;
      buffer_[keep] = '\n';
      std::memcpy(buffer_ + keep + 1, static_cast<const char*>(lf) + 1, static_cast<std::size_t>(after));
    }
  }
  buffer_[fill_] = 0;
  if (type_ == RequestType::Abort || n <= 0 || state_ == State::Failed) return;
  if (headerBytes_ > kMaxHeaderBytes) {
    fail(HttpError::HeaderTooLarge, "Response header too large");
    return;
  }
  try {
    process(errCode, generation_);
  } catch (const StreamError& e) {
    fail(HttpError::WriteFailed, e.what());
  }
}

void HttpResponseParser::process(std::uint16_t errCode, std::uint64_t gen) {
  while (readsLines()) {
    const char* held = buffer_ + start_;
    const char* lf =
        static_cast<const char*>(std::memchr(held, '\n', static_cast<std::size_t>(fill_ - start_)));
    if (lf == nullptr) {
      // A header line that fills the whole buffer cannot be read whole; a cut line could change a
      // Location or a Content-Length, so the response is refused.
      if (state_ != State::Idle && fill_ - start_ >= kBufferFill) {
        fail(HttpError::HeaderLineTooLong,
             "Response header line longer than " + std::to_string(kBufferFill - 1) + " bytes");
      }
      return;
    }
    std::size_t len = static_cast<std::size_t>(lf - held);
    std::string line(held, (len > 0 && held[len - 1] == '\r') ? len - 1 : len);
    start_ += static_cast<int>(len) + 1;
    if (state_ == State::Idle) {
      host_.unexpectedData(errCode);
    } else {
      headerLine(line);
    }
    if (!alive(gen)) return;
  }
  if (state_ == State::DoneAfterHeader || state_ == State::Failed || fill_ == start_) return;
  if (type_ == RequestType::Head) {
    // A HEAD answer has no body: whatever follows it is dropped with the connection.
    clearBuffer();
    host_.abortConnection();
  } else {
    deliverHeldBody();
  }
}

void HttpResponseParser::deliverHeldBody() {
  if (!inBody()) return;
  std::int64_t len = fill_ - start_;
  if (state_ == State::BodyByLength && v_.receivedCount + len > v_.bodyLength) {
    len = v_.bodyLength - v_.receivedCount;
  }
  if (len <= 0) return;
  const char* piece = buffer_ + start_;
  start_ += static_cast<int>(len);
  bodyPiece(piece, static_cast<std::size_t>(len));
}

void HttpResponseParser::headerLine(const std::string& line) {
  std::uint64_t gen = generation_;
  headerBytes_ += line.size() + 1;
  if (++headerLinesTotal_ > kMaxHeaderLines || headerBytes_ > kMaxHeaderBytes) {
    fail(HttpError::HeaderTooLarge, "Response header too large");
    return;
  }
  bool firstLine = state_ != State::HeaderFields;
  if (state_ == State::StatusLine) {
    owedEnd_ = OwedEnd::HeaderEnd;
    host_.headerBegin();
    if (!alive(gen)) return;
  }
  if (firstLine) setState(State::HeaderFields);
  if (firstLine && common::startsWithNoCase(line, "<html>")) {
    firstLineHtml(line);
    return;
  }
  if (line.empty()) {
    headerBlockEnd();
    return;
  }
  v_.headerLines.push_back(line);
  if (firstLine) {
    statusLine(line);
  } else {
    headerField(line);
  }
  if (!alive(gen) || state_ == State::Failed) return;
  host_.headerData();
}

// A document without header: its first line is the first piece of a body that the header fields of
// an interim answer may have framed.
void HttpResponseParser::firstLineHtml(const std::string& line) {
  std::uint64_t gen = generation_;
  if (v_.contentType.empty()) v_.contentType = "text/html";
  setState(bodyState());
  host_.waitingForBody();
  owedEnd_ = OwedEnd::None;
  host_.headerEnd();
  if (!alive(gen)) return;
  bodyPiece(line.data(), line.size());
}

void HttpResponseParser::statusLine(const std::string& line) {
  if (line.compare(0, 8, "HTTP/1.0") != 0 && line.compare(0, 8, "HTTP/1.1") != 0) {
    host_.nonHttpStatusLine();
    return;
  }
  v_.responseVer = line.substr(5, 3);
  if (requestVer_ == "1.1" && v_.responseVer == "1.0") {
    v_.closeRequest = true;
  } else {
    v_.closeRequest = requestVer_ == "1.0";
  }
  // The code is the three characters from the first digit at position 10 or later.
  std::size_t i = 9;
  while (i + 1 < line.size() && !isDigit(line[i])) ++i;
  std::string code = i < line.size() ? line.substr(i, 3) : "";
  if (code.empty() || !std::all_of(code.begin(), code.end(), isDigit)) {
    fail(HttpError::BadStatusLine, "Invalid status code in \"" + shown(line) + "\"");
    return;
  }
  v_.statusCode = std::stoi(code);
  v_.statusText = i + 4 <= line.size() ? line.substr(i + 4) : "";
}

void HttpResponseParser::headerField(const std::string& line) {
  std::size_t colon = line.find(':');
  if (colon == std::string::npos) return;
  std::string name = common::lowerAscii(line.substr(0, colon));
  std::size_t i = colon + 1;
  while (i + 1 < line.size() && line[i] == ' ') ++i;
  std::string value = i < line.size() ? line.substr(i) : "";
  if (name == "location") {
    if (host_.locationHeader(value)) v_.locationFlag = true;
  } else if (name == "content-length") {
    contentLength(value);
  } else if (name == "transfer-encoding") {
    v_.transferEncoding = common::lowerAscii(value);
  } else if (name == "content-range") {
    std::size_t dash = value.find('-');
    std::size_t slash = value.find('/');
    v_.contentRangeBegin = (dash != std::string::npos && dash > 6) ? value.substr(6, dash - 6) : "";
    v_.contentRangeEnd = (dash != std::string::npos && slash != std::string::npos && slash > dash)
                             ? value.substr(dash + 1, slash - dash - 1)
                             : "";
  } else if (name == "accept-ranges") {
    v_.acceptRanges = value;
  } else if (name == "content-type") {
    v_.contentType = common::lowerAscii(value);
  } else if (name == "www-authenticate" || name == "proxy-authenticate") {
    v_.authOffers.push_back(value);
  } else if (name == "set-cookie") {
    bool accept = true;
    host_.cookieReceived(value, accept);
  } else if (name == "connection" || name == "proxy-connection") {
    std::string token = common::lowerAscii(common::trim(value, common::Trim::SpacesAndTabs));
    if (token == "close") v_.closeRequest = true;
    if (token == "keep-alive") v_.closeRequest = false;
  } else if (name == "content-encoding") {
    v_.contentEncoding = value;
  }
}

// Every Content-Length value of the header, in one field or several, each field perhaps a list: equal
// values are one length; two that differ leave the body's end unknown, and the response is refused.
void HttpResponseParser::contentLength(const std::string& value) {
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = value.find(',', start);
    std::string element = common::trim(
        value.substr(start, comma == std::string::npos ? comma : comma - start), common::Trim::SpacesAndTabs);
    if (!element.empty() || (start == 0 && comma == std::string::npos)) {
      std::int64_t length = parseLength(element);
      if (!lengthSeen_) {
        lengthSeen_ = true;
        firstLength_ = element;
        v_.bodyLength = length;
      } else if (length != v_.bodyLength || (length < 0 && element != firstLength_)) {
        fail(HttpError::BadLength, "Conflicting Content-Length values: \"" + shown(firstLength_) +
                                       "\" and \"" + shown(element) + "\"");
        return;
      }
    }
    if (comma == std::string::npos) return;
    start = comma + 1;
  }
}

void HttpResponseParser::headerBlockEnd() {
  std::uint64_t gen = generation_;
  if (v_.responseVer == "1.1" && v_.statusCode == 100) {
    v_.headerLines.clear();
    lengthSeen_ = false;  // the final answer's own length follows
    setState(State::InterimStatusLine);
    return;
  }
  owedEnd_ = OwedEnd::None;
  host_.headerEnd();
  if (!alive(gen) || state_ == State::Idle) {  // stopped, or the request ended, from the event
    clearBuffer();
    return;
  }
  int code = v_.statusCode;
  bool bodiless =
      code < 200 || code == 204 || code == 301 || code == 302 || code == 304 || code == 401 || code == 407;
  if ((v_.bodyLength == -1 && bodiless) || v_.bodyLength == 0 || type_ == RequestType::Head) {
    setState(State::DoneAfterHeader);
    if (!v_.closeRequest) {
      host_.setReady();
    } else if (v_.locationFlag) {
      host_.startRelocation();
    } else {
      if (type_ == RequestType::Head) {
        clearBuffer();
        setState(State::HeadAnswerClosing);
        host_.waitingForBody();
      }
      host_.closeDelayed();
    }
    return;
  }
  std::string ext = extension(v_.documentName);
  if ((ext == ".exe" || ext.empty()) && v_.contentType == "text/html") {
    v_.documentName = withHtmExtension(v_.documentName);
  }
  setState(bodyState());
  host_.waitingForBody();
  // The bytes held after the empty line are handed to the body by process().
}

void HttpResponseParser::bodyPiece(const char* data, std::size_t len) {
  std::uint64_t gen = generation_;
  if (!inBody()) return;
  if (bodyPieces_ == 0) {
    chunk_.reset();
    host_.docBegin();
    if (!alive(gen)) return;
    coding_.prepare(v_.contentEncoding);
    streamStartSize_ = stream_ != nullptr ? stream_->size() : 0;
    owedEnd_ = OwedEnd::DocEnd;
  }
  ++bodyPieces_;
  if (state_ != State::BodyChunked) {
    if (len > 0) {
      v_.receivedCount += static_cast<std::int64_t>(len);
      coding_.writeBuffer(data, len);
    }
    if (alive(gen) && state_ == State::BodyByLength && v_.receivedCount == v_.bodyLength) bodyComplete();
    return;
  }
  std::size_t consumed = 0;
  ChunkDecoder::Result r = chunk_.feed(data, len, consumed, [&](const char* d, std::size_t n) {
    if (!alive(gen)) return;  // stopped from an event: the rest is dropped
    v_.receivedCount += static_cast<std::int64_t>(n);
    coding_.writeBuffer(d, n);
  });
  if (!alive(gen)) return;
  if (r == ChunkDecoder::Result::Failed) {
    fail(HttpError::BadChunk, chunk_.errorText());
  } else if (r == ChunkDecoder::Result::Done) {
    bodyComplete();
  }
}

void HttpResponseParser::bodyComplete() {
  std::uint64_t gen = generation_;
  setState(State::DoneAfterBody);
  coding_.complete();
  owedEnd_ = OwedEnd::None;
  host_.docEnd();
  if (!alive(gen)) return;
  if (v_.closeRequest) {
    host_.closeDelayed();
  } else {
    host_.setReady();
  }
}

void HttpResponseParser::output(const char* data, std::size_t len) {
  if (stream_ != nullptr) stream_->write(data, len);
  host_.docData(data, static_cast<int>(len));
}

void HttpResponseParser::recordError(HttpError code, const std::string& text) {
  setState(State::Failed);
  error_ = code;
  v_.locationFlag = false;
  v_.statusText = text;
  host_.setRequestDoneError(code);
}

void HttpResponseParser::fail(HttpError code, const std::string& text) {
  recordError(code, text);
  cancel();
  host_.abortConnection();
}

void HttpResponseParser::connectionClosed(bool checkComplete, const std::string& failure) {
  const std::string how = failure.empty() ? "closed" : failure;
  if (owedEnd_ == OwedEnd::HeaderEnd) {
    owedEnd_ = OwedEnd::None;
    host_.headerEnd();
    if (checkComplete && state_ != State::Failed && !v_.locationFlag) {
      recordError(HttpError::CutShort, "Connection " + how + " inside the response header");
    }
    return;
  }
  if (owedEnd_ == OwedEnd::DocEnd) {
    owedEnd_ = OwedEnd::None;
    host_.docEnd();
  }
  if (!checkComplete || state_ == State::Failed || v_.locationFlag) return;
  bool started = bodyPieces_ > 0;
  if (state_ == State::BodyChunked && started) {
    recordError(HttpError::CutShort, "Transfer cut short: the connection " + how +
                                         " inside the chunked body after " +
                                         std::to_string(v_.receivedCount) + " bytes");
  } else if (state_ == State::BodyByLength && started && v_.receivedCount < v_.bodyLength) {
    recordError(HttpError::CutShort, "Transfer cut short: the connection " + how + " after " +
                                         std::to_string(v_.receivedCount) + " of " +
                                         std::to_string(v_.bodyLength) + " bytes");
  } else if (!started &&
             (state_ == State::BodyChunked || (state_ == State::BodyByLength && v_.bodyLength > 0))) {
    recordError(HttpError::CutShort, "Transfer cut short: the connection " + how + " before the body");
  } else if (state_ == State::BodyUntilClose && !failure.empty()) {
    // Only an orderly close marks the end of such a body; a reset is a transfer that stopped early.
    recordError(HttpError::CutShort, "Transfer cut short: the connection " + how + " after " +
                                         std::to_string(v_.receivedCount) + " bytes");
  } else if (state_ == State::StatusLine) {
    recordError(HttpError::NoResponse, "Connection " + how + " before a response arrived");
  }
}

}  // namespace http
