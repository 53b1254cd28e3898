#include "net/http/HttpResponseParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace http {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A decimal count that fits in 63 bits, or -1 (negative, not a number, too large).
std::int64_t ParseLength(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty() || t.size() > 18) return -1;
  std::int64_t value = 0;
  for (char c : t) {
    if (!IsDigit(c)) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The line for an error text: at most 80 characters, control characters shown as '?'.
std::string Shown(const std::string& line) {
  std::string s = line.substr(0, 80);
  for (char& c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return s;
}

// "name.exe" or "name" of an HTML document become "name.htm".
std::string WithHtmExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + ".htm";
  return name.substr(0, dot + 1) + "htm";
}

std::string Extension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : Lower(name.substr(dot));
}

}  // namespace

HttpResponseParser::HttpResponseParser(HttpResponseHost& host)
    : host_(host), coding_([this](const char* d, std::size_t n) { Output(d, n); }) {
  buffer_[0] = 0;
}

void HttpResponseParser::BeginRequest(RequestType type, const std::string& requestVer) {
  type_ = type;
  requestVer_ = requestVer;
  std::string rangeBegin = v_.ContentRangeBegin, rangeEnd = v_.ContentRangeEnd;
  v_ = HttpResponseValues();
  v_.ContentRangeBegin = rangeBegin;  // request values until the response says otherwise
  v_.ContentRangeEnd = rangeEnd;
  v_.CloseRequest = requestVer == "1.0";
  headerBytes_ = 0;
  headerLinesTotal_ = 0;
  failed_ = false;
  ResetForRelocation();
}

void HttpResponseParser::ResetForRelocation() {
  v_.ReceivedCount = 0;
  ClearBuffer();
  headerLineCount_ = 0;
  bodyPieces_ = 0;
  inHeader_ = false;
  bodyDone_ = false;
  docEndFired_ = false;
  chunk_.Reset();
  handler_ = Handler::Header;
  ++generation_;
}

void HttpResponseParser::ResetResponse() {
  v_.HeaderLines.clear();
  headerLineCount_ = 0;
  bodyPieces_ = 0;
  v_.BodyLength = -1;
  v_.ContentType.clear();
  v_.StatusCode = 0;
  v_.TransferEncoding.clear();
  v_.ContentEncoding.clear();
  headerBytes_ = 0;
  headerLinesTotal_ = 0;
  ++generation_;
}

void HttpResponseParser::CutBackStream() {
  if (stream_ != nullptr && stream_->Size() != streamStartSize_) stream_->SetSize(streamStartSize_);
}

void HttpResponseParser::Cancel() {
  ClearBuffer();
  handler_ = Handler::None;
  ++generation_;
}

void HttpResponseParser::ClearBuffer() {
  start_ = fill_ = 0;
  buffer_[0] = 0;
}

void HttpResponseParser::Compact() {
  if (start_ == 0) return;
  std::memmove(buffer_, buffer_ + start_, static_cast<std::size_t>(fill_ - start_));
  fill_ -= start_;
  start_ = 0;
}

void HttpResponseParser::DataAvailable(ByteSource& source, std::uint16_t errCode) {
  if (busy_) {
    // A message pump nested inside one of our events delivered more data; it waits for the next turn.
    source.StopReceiveLoop();
    return;
  }
  Compact();
  int n;
  if (fill_ < kBufferFill) {
    n = source.Receive(buffer_ + fill_, kBufferFill - fill_);
    if (n > 0) fill_ += n;
  } else {
    // One line fills the buffer: look for its end in a few more bytes, dropping what lies before it.
    char scratch[25];
    n = source.Receive(scratch, sizeof scratch);
    if (n > 0 && host_.State() == HttpState::WaitingHeader) headerBytes_ += static_cast<std::size_t>(n);
    const void* lf = n > 0 ? std::memchr(scratch, '\n', static_cast<std::size_t>(n)) : nullptr;
    if (lf != nullptr) {
      int after = n - static_cast<int>(static_cast<const char*>(lf) - scratch) - 1;
      int keep = kBufferFill - 1 - after;
      buffer_[keep] = '\n';
      std::memcpy(buffer_ + keep + 1, static_cast<const char*>(lf) + 1, static_cast<std::size_t>(after));
    }
  }
  buffer_[fill_] = 0;
  if (type_ == RequestType::Abort || n <= 0 || failed_) return;
  if (headerBytes_ > kMaxHeaderBytes) {
    Fail(HttpError::HeaderTooLarge, "Response header too large");
    return;
  }
  busy_ = true;
  struct Unbusy {
    bool& flag;
    ~Unbusy() { flag = false; }
  } unbusy{busy_};
  try {
    Process(errCode, generation_);
  } catch (const StreamError& e) {
    Fail(HttpError::WriteFailed, e.what());
  }
}

void HttpResponseParser::Process(std::uint16_t errCode, std::uint64_t gen) {
  while (host_.State() != HttpState::WaitingBody) {
    if (bodyDone_ && host_.State() == HttpState::WaitingHeader) return;  // over; the request side ends it
    const char* held = buffer_ + start_;
    const char* lf =
        static_cast<const char*>(std::memchr(held, '\n', static_cast<std::size_t>(fill_ - start_)));
    if (lf == nullptr) return;
    std::size_t len = static_cast<std::size_t>(lf - held);
    std::string line(held, (len > 0 && held[len - 1] == '\r') ? len - 1 : len);
    start_ += static_cast<int>(len) + 1;
    HttpState state = host_.State();
    if (state != HttpState::WaitingHeader) {
      host_.DataPush(errCode);
    } else if (handler_ == Handler::Header) {
      HeaderLine(line);
    } else if (handler_ == Handler::Body) {
      BodyPiece(line.data(), line.size());
    } else {
      host_.SetReady();
      return;
    }
    if (!Alive(gen)) return;
  }
  if (fill_ > start_ && type_ == RequestType::Head) {
    ClearBuffer();
    host_.AbortConnection();
  } else if (fill_ > start_ && handler_ == Handler::Body) {
    DeliverHeldBody();
  }
}

void HttpResponseParser::DeliverHeldBody() {
  if (bodyDone_) return;
  std::int64_t len = fill_ - start_;
  bool chunked = v_.TransferEncoding == "chunked";
  if (!chunked && v_.BodyLength >= 0 && v_.ReceivedCount + len > v_.BodyLength) {
    len = v_.BodyLength - v_.ReceivedCount;
  }
  if (len <= 0) return;
  const char* piece = buffer_ + start_;
  start_ += static_cast<int>(len);
  BodyPiece(piece, static_cast<std::size_t>(len));
}

void HttpResponseParser::HeaderLine(const std::string& line) {
  std::uint64_t gen = generation_;
  headerBytes_ += line.size() + 1;
  if (++headerLinesTotal_ > kMaxHeaderLines || headerBytes_ > kMaxHeaderBytes) {
    Fail(HttpError::HeaderTooLarge, "Response header too large");
    return;
  }
  if (headerLineCount_ == 0) {
    inHeader_ = true;
    host_.HeaderBegin();
    if (!Alive(gen)) return;
  } else if (headerLineCount_ < 0) {
    headerLineCount_ = 0;
  }
  ++headerLineCount_;
  if (headerLineCount_ == 1 && line.size() >= 6 && Lower(line.substr(0, 6)) == "<html>") {
    FirstLineHtml(line);
    return;
  }
  if (line.empty()) {
    HeaderBlockEnd();
    return;
  }
  v_.HeaderLines.push_back(line);
  if (headerLineCount_ == 1) {
    StatusLine(line);
  } else {
    HeaderField(line);
  }
  if (!Alive(gen) || failed_) return;
  host_.HeaderData();
}

void HttpResponseParser::FirstLineHtml(const std::string& line) {
  std::uint64_t gen = generation_;
  if (v_.ContentType.empty()) v_.ContentType = "text/html";
  host_.SetState(HttpState::WaitingBody);
  handler_ = Handler::Body;
  inHeader_ = false;
  host_.HeaderEnd();
  if (!Alive(gen)) return;
  BodyPiece(line.data(), line.size());
}

void HttpResponseParser::StatusLine(const std::string& line) {
  if (line.compare(0, 8, "HTTP/1.0") != 0 && line.compare(0, 8, "HTTP/1.1") != 0) {
    host_.DataPush2();
    return;
  }
  v_.ResponseVer = line.substr(5, 3);
  if (requestVer_ == "1.1" && v_.ResponseVer == "1.0") {
    v_.CloseRequest = true;
  } else {
    v_.CloseRequest = requestVer_ == "1.0";
  }
  // The code is the three characters from the first digit at position 10 or later.
  std::size_t i = 9;
  while (i + 1 < line.size() && !IsDigit(line[i])) ++i;
  std::string code = i < line.size() ? line.substr(i, 3) : "";
  if (code.empty() || !std::all_of(code.begin(), code.end(), IsDigit)) {
    Fail(HttpError::BadStatusLine, "Invalid status code in \"" + Shown(line) + "\"");
    return;
  }
  v_.StatusCode = std::stoi(code);
  v_.StatusText = i + 4 <= line.size() ? line.substr(i + 4) : "";
}

void HttpResponseParser::HeaderField(const std::string& line) {
  std::size_t colon = line.find(':');
  if (colon == std::string::npos) return;
  std::string name = Lower(line.substr(0, colon));
  std::size_t i = colon + 1;
  while (i + 1 < line.size() && line[i] == ' ') ++i;
  std::string value = i < line.size() ? line.substr(i) : "";
  if (name == "location") {
    host_.LocationHeader(value);
  } else if (name == "content-length") {
    v_.BodyLength = ParseLength(value);
  } else if (name == "transfer-encoding") {
    v_.TransferEncoding = Lower(value);
  } else if (name == "content-range") {
    std::size_t dash = value.find('-');
    std::size_t slash = value.find('/');
    v_.ContentRangeBegin = (dash != std::string::npos && dash > 6) ? value.substr(6, dash - 6) : "";
    v_.ContentRangeEnd = (dash != std::string::npos && slash != std::string::npos && slash > dash)
                             ? value.substr(dash + 1, slash - dash - 1)
                             : "";
  } else if (name == "accept-ranges") {
    v_.AcceptRanges = value;
  } else if (name == "content-type") {
    v_.ContentType = Lower(value);
  } else if (name == "www-authenticate" || name == "proxy-authenticate") {
    v_.AuthOffers.push_back(value);
  } else if (name == "set-cookie") {
    bool accept = true;
    host_.CookieReceived(value, accept);
  } else if (name == "connection" || name == "proxy-connection") {
    std::string token = Lower(Trim(value));
    if (token == "close") v_.CloseRequest = true;
    if (token == "keep-alive") v_.CloseRequest = false;
  } else if (name == "content-encoding") {
    v_.ContentEncoding = value;
  }
}

void HttpResponseParser::HeaderBlockEnd() {
  std::uint64_t gen = generation_;
  if (v_.ResponseVer == "1.1" && v_.StatusCode == 100) {
    v_.HeaderLines.clear();
    headerLineCount_ = -1;  // the next line is a new status line
    return;
  }
  inHeader_ = false;
  host_.HeaderEnd();
  if (!Alive(gen) || host_.State() == HttpState::Ready) {
    ClearBuffer();
    return;
  }
  int code = v_.StatusCode;
  bool bodiless =
      code < 200 || code == 204 || code == 301 || code == 302 || code == 304 || code == 401 || code == 407;
  if ((v_.BodyLength == -1 && bodiless) || v_.BodyLength == 0 || type_ == RequestType::Head) {
    bodyDone_ = true;
    if (!v_.CloseRequest) {
      host_.SetReady();
    } else if (v_.LocationFlag) {
      host_.StartRelocation();
    } else {
      if (type_ == RequestType::Head) {
        ClearBuffer();
        host_.SetState(HttpState::WaitingBody);
        handler_ = Handler::None;
      }
      host_.CloseDelayed();
    }
    return;
  }
  std::string ext = Extension(v_.DocumentName);
  if ((ext == ".exe" || ext.empty()) && v_.ContentType == "text/html") {
    v_.DocumentName = WithHtmExtension(v_.DocumentName);
  }
  host_.SetState(HttpState::WaitingBody);
  handler_ = Handler::Body;
  // The bytes held after the empty line are handed to the body handler by Process.
}

void HttpResponseParser::BodyPiece(const char* data, std::size_t len) {
  std::uint64_t gen = generation_;
  if (bodyDone_) return;
  if (bodyPieces_ == 0) {
    chunk_.Reset();
    host_.DocBegin();
    if (!Alive(gen)) return;
    coding_.Prepare(v_.ContentEncoding);
    streamStartSize_ = stream_ != nullptr ? stream_->Size() : 0;
  }
  ++bodyPieces_;
  if (v_.TransferEncoding != "chunked") {
    if (len > 0) {
      v_.ReceivedCount += static_cast<std::int64_t>(len);
      coding_.WriteBuffer(data, len);
    }
    if (Alive(gen) && v_.ReceivedCount == v_.BodyLength) BodyComplete();
    return;
  }
  std::size_t consumed = 0;
  ChunkDecoder::Result r = chunk_.Feed(data, len, consumed, [&](const char* d, std::size_t n) {
    if (!Alive(gen)) return;  // stopped from an event: the rest is dropped
    v_.ReceivedCount += static_cast<std::int64_t>(n);
    coding_.WriteBuffer(d, n);
  });
  if (!Alive(gen)) return;
  if (r == ChunkDecoder::Result::Failed) {
    Fail(HttpError::BadChunk, chunk_.ErrorText());
  } else if (r == ChunkDecoder::Result::Done) {
    BodyComplete();
  }
}

void HttpResponseParser::BodyComplete() {
  std::uint64_t gen = generation_;
  bodyDone_ = true;
  coding_.Complete();
  docEndFired_ = true;
  host_.DocEnd();
  if (!Alive(gen)) return;
  if (v_.CloseRequest) {
    host_.CloseDelayed();
  } else {
    host_.SetReady();
  }
}

void HttpResponseParser::Output(const char* data, std::size_t len) {
  if (stream_ != nullptr) stream_->Write(data, len);
  host_.DocData(data, static_cast<int>(len));
}

void HttpResponseParser::Error(std::uint16_t error, const std::string& text) {
  failed_ = true;
  v_.LocationFlag = false;
  v_.StatusText = text;
  host_.SetRequestDoneError(error);
}

void HttpResponseParser::Fail(std::uint16_t error, const std::string& text) {
  Error(error, text);
  Cancel();
  host_.AbortConnection();
}

void HttpResponseParser::ConnectionClosed(bool checkComplete) {
  if (inHeader_) {
    inHeader_ = false;
    host_.HeaderEnd();
    if (checkComplete && !failed_ && !v_.LocationFlag) {
      Error(HttpError::CutShort, "Connection closed inside the response header");
    }
    return;
  }
  if (bodyPieces_ > 0 && !docEndFired_) {
    docEndFired_ = true;
    host_.DocEnd();
  }
  if (!checkComplete || failed_ || v_.LocationFlag) return;
  if (handler_ == Handler::Body && bodyPieces_ > 0 && !bodyDone_) {
    if (v_.TransferEncoding == "chunked") {
      Error(HttpError::CutShort, "Transfer cut short: the connection closed inside the chunked body after " +
                                     std::to_string(v_.ReceivedCount) + " bytes");
    } else if (v_.BodyLength >= 0 && v_.ReceivedCount < v_.BodyLength) {
      Error(HttpError::CutShort, "Transfer cut short: the connection closed after " +
                                     std::to_string(v_.ReceivedCount) + " of " +
                                     std::to_string(v_.BodyLength) + " bytes");
    }
  } else if (handler_ == Handler::Body && bodyPieces_ == 0 &&
             (v_.TransferEncoding == "chunked" || v_.BodyLength > 0)) {
    Error(HttpError::CutShort, "Transfer cut short: the connection closed before the body");
  } else if (handler_ == Handler::Header && headerLineCount_ == 0 &&
             host_.State() == HttpState::WaitingHeader) {
    Error(HttpError::NoResponse, "Connection closed before a response arrived");
  }
}

}  // namespace http
