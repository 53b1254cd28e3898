// The receive side of the HTTP client: splits the response header into lines, reads the status line
// and the known fields, frames the body (announced length, chunked, or until the connection closes),
// passes it through the content-coding handler into the receive stream, and tells the request side
// when the response is over.
//
// A bounded, resumable state machine: bytes may arrive in any pieces, down to single bytes. It holds
// at most one 8190-byte buffer; a header block longer than kMaxHeaderBytes or kMaxHeaderLines, bad
// chunked framing, a status code that is not a number and a failing stream write end the request with
// an error number and a status text that says what went wrong.
#pragma once

#include "net/http/ChunkDecoder.h"
#include "net/http/ContentCodingHandler.h"
#include "net/http/HttpTypes.h"
#include "net/http/Stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace http {

// Where received bytes come from (the socket).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most `size` bytes now: the count, 0 when the peer has closed, below 0 on an error.
  virtual int receive(void* buffer, int size) = 0;
  // Asks the source to stop offering more data in the current notification.
  virtual void stopReceiveLoop() {}
};

// What the receive side needs from the request side (the client).
class HttpResponseHost {
 public:
  virtual ~HttpResponseHost() = default;
  virtual HttpState state() const = 0;
  virtual void setState(HttpState state) = 0;
  virtual void headerBegin() {}
  virtual void headerData() {}
  virtual void headerEnd() {}
  virtual void docBegin() {}
  virtual void docData(const char* data, int len) {}
  virtual void docEnd() {}
  virtual void cookieReceived(const std::string& data, bool& accept) {}
  virtual void locationHeader(const std::string& value) {}  // may set the location flag
  virtual void unexpectedData(std::uint16_t errCode) {}     // a line while no response header is awaited
  virtual void nonHttpStatusLine() {}                       // a first line that is not HTTP/1.0 or 1.1
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
  bool locationFlag = false;  // a "location" field asked for relocation
};

class HttpResponseParser {
 public:
  static constexpr int kBufferSize = 8193;
  static constexpr int kBufferFill = 8190;
  static constexpr std::size_t kMaxHeaderBytes = 300 * 1024;
  static constexpr int kMaxHeaderLines = 5000;

  explicit HttpResponseParser(HttpResponseHost& host);
  HttpResponseParser(const HttpResponseParser&) = delete;
  HttpResponseParser& operator=(const HttpResponseParser&) = delete;

  HttpResponseValues& values() { return v_; }
  const HttpResponseValues& values() const { return v_; }
  ContentCodingHandler& contentCoding() { return coding_; }
  Stream* receiveStream() const { return stream_; }
  void setReceiveStream(Stream* stream) { stream_ = stream; }

  // A new request: every response value, the buffer, the counters and the chunk state start afresh.
  void beginRequest(RequestType type, const std::string& requestVer);
  void setRequestType(RequestType type) { type_ = type; }
  // Before a relocation: the received count, the buffer and the line counters start afresh.
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
  // cut short becomes a request-done error.
  void connectionClosed(bool checkComplete);

  bool inHeader() const { return inHeader_; }
  int bodyPieceCount() const { return bodyPieces_; }
  bool failed() const { return failed_; }
  int heldBytes() const { return fill_ - start_; }

 private:
  enum class Handler { None, Header, Body };

  void process(std::uint16_t errCode, std::uint64_t gen);
  void deliverHeldBody();
  void headerLine(const std::string& line);
  void firstLineHtml(const std::string& line);
  void statusLine(const std::string& line);
  void headerField(const std::string& line);
  void headerBlockEnd();
  void bodyPiece(const char* data, std::size_t len);
  void bodyComplete();
  void output(const char* data, std::size_t len);
  void recordError(std::uint16_t error, const std::string& text);
  void fail(std::uint16_t error, const std::string& text);
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
  int start_ = 0;  // first held byte
  int fill_ = 0;   // end of the held bytes

  Handler handler_ = Handler::None;
  int headerLineCount_ = 0;  // -1: restart position after a "100" answer
  int bodyPieces_ = 0;
  bool inHeader_ = false;
  bool bodyDone_ = false;
  bool docEndFired_ = false;
  bool failed_ = false;
  bool busy_ = false;
  std::size_t headerBytes_ = 0;  // every header byte of the response, interim answers included
  int headerLinesTotal_ = 0;
  std::int64_t streamStartSize_ = 0;
  std::uint64_t generation_ = 0;  // changes whenever the response is reset or stopped
};

}  // namespace http
