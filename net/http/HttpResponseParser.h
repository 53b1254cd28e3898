// The receive side of the HTTP client: splits the response header into lines, reads the status line
// and the known fields, frames the body (announced length, chunked, or until the connection closes),
// passes it through the content-coding handler into the receive stream, and tells the request side
// when the response is over.
//
// A bounded, resumable state machine with one State: bytes may arrive in any pieces, down to single
// bytes. It never asks the client for its state; the client says when a response is awaited
// (expectResponse) and when the request is over (requestEnded). It holds at most one 8190-byte
// buffer; a header block longer than kMaxHeaderBytes or kMaxHeaderLines, a header line longer than the
// buffer, Content-Length values that disagree, bad chunked framing, a status code that is not a number
// and a failing stream write end the request with an error number and a status text that says what went
// wrong. Only an orderly close ends a body that runs until the connection closes: a reset cuts it short.
#pragma once

#include "net/http/ChunkDecoder.h"
#include "net/http/ContentCodingHandler.h"
#include "net/http/HttpTypes.h"
#include "net/http/Stream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace http {

// Where received bytes come from (the socket).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most `size` bytes now: the count, 0 when the peer has closed, below 0 on an error.
  virtual int receive(void* buffer, int size) = 0;
};

// What the receive side tells the request side (the client). The receive side never asks the client
// for its state: the client tells it what it needs through HttpResponseParser's calls.
class HttpResponseHost {
 public:
  virtual ~HttpResponseHost() = default;
  virtual void headerBegin() {}
  virtual void headerData() {}
  virtual void headerEnd() {}
  // The header is over and the response goes on past it: a body follows, or a HEAD answer waits for
  // the connection to close. The client moves to HttpState::WaitingBody.
  virtual void waitingForBody() = 0;
  virtual void docBegin() {}
  virtual void docData(const char* data, int len) {}
  virtual void docEnd() {}
  virtual void cookieReceived(const std::string& data, bool& accept) {}
  // A "location" field; true when the client follows it, which marks a relocation as pending.
  virtual bool locationHeader(const std::string& value) { return false; }
  virtual void unexpectedData(std::uint16_t errCode) {}  // a line while no response is awaited
  virtual void nonHttpStatusLine() {}                    // a first line that is not HTTP/1.0 or 1.1
  virtual void setRequestDoneError(std::uint16_t error) = 0;
  virtual void setReady() = 0;         // the response is over on a connection that stays open
  virtual void startRelocation() = 0;  // a bodiless redirect before the connection closes
  virtual void closeDelayed() = 0;     // close after pending data; the closed event ends the request
  virtual void abortConnection() = 0;  // close at once; the closed event ends the request
};

// The values of the current response.
struct HttpResponseValues {
  int statusCode = 0;
  std::string statusText;
  std::string responseVer;  // three characters from the status line, "1.0" or "1.1"
  std::vector<std::string> headerLines;
  std::int64_t bodyLength = -1;  // -1 when not announced
  std::int64_t receivedCount = 0;
  std::string contentType;       // lower case
  std::string transferEncoding;  // lower case
  std::string contentEncoding;   // as received
  std::string contentRangeBegin, contentRangeEnd, acceptRanges;
  std::vector<std::string> authOffers;
  std::string documentName;
  bool closeRequest = false;  // close the connection after the response
  bool locationFlag = false;  // a relocation is pending: the client follows a "location" field
};

class HttpResponseParser {
 public:
  // Where the current response stands. Every change goes through setState(), which can be traced.
  enum class State {
    Idle,               // no response awaited (the request is not sent or is over): lines are unexpected
    StatusLine,         // waiting for the first line of a response
    InterimStatusLine,  // a "100" answer ended: the next line is the real status line of the same header
    HeaderFields,       // header fields up to the empty line
    BodyByLength,       // a body of the announced length
    BodyChunked,        // a chunked body
    BodyUntilClose,     // a body that ends when the connection closes
    HeadAnswerClosing,  // a HEAD answer on a closing connection: any further byte aborts the connection
    DoneAfterHeader,    // the response ended with its header: later bytes wait, counted as header bytes
    DoneAfterBody,      // the body is complete: later bytes wait (a HEAD request's abort the connection)
    Failed,             // the response was refused (error()); nothing is read until the next request
  };
  using StateTrace = std::function<void(State from, State to)>;

  static constexpr int kBufferSize = 8193;
  static constexpr int kBufferFill = 8190;
  static constexpr std::size_t kMaxHeaderBytes = 300 * 1024;
  static constexpr int kMaxHeaderLines = 5000;
  // A body framed by its length or by the connection's end is read in pieces of up to this many bytes,
  // straight from the socket and on to the receive stream, without passing through the line buffer. Pieces
  // this large also pass a file stream's own buffer by (http::FileStream writes them at once).
  static constexpr int kBodyReadSize = 1024 * 1024;

  explicit HttpResponseParser(HttpResponseHost& host);
  HttpResponseParser(const HttpResponseParser&) = delete;
  HttpResponseParser& operator=(const HttpResponseParser&) = delete;

  HttpResponseValues& values() { return v_; }
  const HttpResponseValues& values() const { return v_; }
  ContentCodingHandler& contentCoding() { return coding_; }
  Stream* receiveStream() const { return stream_; }
  void setReceiveStream(Stream* stream) { stream_ = stream; }

  // A new request: every response value, the buffer, the counters and the chunk state start afresh;
  // no response is awaited until expectResponse().
  void beginRequest(RequestType type, const std::string& requestVer);
  void setRequestType(RequestType type) { type_ = type; }
  // The request has gone out: the next line is the status line of its response.
  void expectResponse();
  // The request is over: lines that still arrive are reported as unexpected data.
  void requestEnded();
  // Before a relocation: the received count, the buffer and the counters start afresh and no response
  // is awaited until the relocated request goes out.
  void resetForRelocation();
  // Before the relocated request: the header values of the last response are dropped.
  void resetResponse();
  // Cuts the receive stream back to its size at the start of the current body.
  void cutBackStream();
  // Stops the current response: the buffer is emptied and no handler runs any more.
  void cancel();
  void clearBuffer();

  // The socket has data: reads once and handles what is held.
  void dataAvailable(ByteSource& source, std::uint16_t errCode);
  // The connection closed: ends a header or body in progress. With `checkComplete`, a header or body
  // cut short becomes a request-done error. `failure` says how a connection that did not close in order
  // ended ("was reset"); empty for an orderly close. A body that runs until the close is then cut short.
  void connectionClosed(bool checkComplete, const std::string& failure = {});

  State state() const { return state_; }
  HttpError error() const { return error_; }  // why the response failed; NoError otherwise
  static const char* stateName(State s);
  // Called with the old and the new state on every change; for tracing while debugging and for tests.
  void setStateTrace(StateTrace trace) { trace_ = std::move(trace); }
  int bodyPieceCount() const { return bodyPieces_; }
  int heldBytes() const { return fill_ - start_; }

 private:
  // The begin event whose end event is still owed: header and document events come in pairs, also
  // when the response is stopped or cut short.
  enum class OwedEnd { None, HeaderEnd, DocEnd };

  void setState(State next);
  bool readsLines() const;
  bool inBody() const;
  State bodyState() const;
  void process(std::uint16_t errCode, std::uint64_t gen);
  void deliverHeldBody();
  bool readsBodyDirectly() const;
  int receiveBody(ByteSource& source);
  void headerLine(const std::string& line);
  void firstLineHtml(const std::string& line);
  void statusLine(const std::string& line);
  void headerField(const std::string& line);
  void contentLength(const std::string& value);
  void headerBlockEnd();
  void bodyPiece(const char* data, std::size_t len);
  void bodyComplete();
  void output(const char* data, std::size_t len);
  void recordError(HttpError code, const std::string& text);
  void fail(HttpError code, const std::string& text);
  void compact();
  bool alive(std::uint64_t gen) const { return gen == generation_; }

  HttpResponseHost& host_;
  HttpResponseValues v_;
  ContentCodingHandler coding_;
  ChunkDecoder chunk_;
  Stream* stream_ = nullptr;
  RequestType type_ = RequestType::Abort;
  std::string requestVer_ = "1.0";

  char buffer_[kBufferSize];
  int start_ = 0;                 // first held byte
  int fill_ = 0;                  // end of the held bytes
  std::vector<char> bodyBuffer_;  // kBodyReadSize bytes once a body is read directly

  State state_ = State::Idle;
  HttpError error_ = HttpError::NoError;
  OwedEnd owedEnd_ = OwedEnd::None;
  StateTrace trace_;
  int bodyPieces_ = 0;
  std::size_t headerBytes_ = 0;  // every header byte of the response, interim answers included
  bool lengthSeen_ = false;      // a Content-Length field of this header was read
  std::string firstLength_;      // its first value, for the message when a later one disagrees
  int headerLinesTotal_ = 0;
  std::int64_t streamStartSize_ = 0;
  std::uint64_t generation_ = 0;  // changes whenever the response is reset or stopped
};

}  // namespace http
