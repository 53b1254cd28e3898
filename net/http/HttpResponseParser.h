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
  virtual int Receive(void* buffer, int size) = 0;
  // Asks the source to stop offering more data in the current notification.
  virtual void StopReceiveLoop() {}
};

// What the receive side needs from the request side (the client).
class HttpResponseHost {
 public:
  virtual ~HttpResponseHost() = default;
  virtual HttpState State() const = 0;
  virtual void SetState(HttpState state) = 0;
  virtual void HeaderBegin() {}
  virtual void HeaderData() {}
  virtual void HeaderEnd() {}
  virtual void DocBegin() {}
  virtual void DocData(const char* data, int len) {}
  virtual void DocEnd() {}
  virtual void CookieReceived(const std::string& data, bool& accept) {}
  virtual void LocationHeader(const std::string& value) {}  // may set the location flag
  virtual void DataPush(std::uint16_t errCode) {}
  virtual void DataPush2() {}
  virtual void SetRequestDoneError(std::uint16_t error) = 0;
  virtual void SetReady() = 0;         // the response is over on a connection that stays open
  virtual void StartRelocation() = 0;  // a bodiless redirect before the connection closes
  virtual void CloseDelayed() = 0;     // close after pending data; the closed event ends the request
  virtual void AbortConnection() = 0;  // close at once; the closed event ends the request
};

// The values of the current response.
struct HttpResponseValues {
  int StatusCode = 0;
  std::string StatusText;
  std::string ResponseVer;  // three characters from the status line, "1.0" or "1.1"
  std::vector<std::string> HeaderLines;
  std::int64_t BodyLength = -1;  // -1 when not announced
  std::int64_t ReceivedCount = 0;
  std::string ContentType;       // lower case
  std::string TransferEncoding;  // lower case
  std::string ContentEncoding;   // as received
  std::string ContentRangeBegin, ContentRangeEnd, AcceptRanges;
  std::vector<std::string> AuthOffers;
  std::string DocumentName;
  bool CloseRequest = false;  // close the connection after the response
  bool LocationFlag = false;  // a "location" field asked for relocation
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

  HttpResponseValues& Values() { return v_; }
  const HttpResponseValues& Values() const { return v_; }
  ContentCodingHandler& contentCoding() { return coding_; }
  Stream* ReceiveStream() const { return stream_; }
  void SetReceiveStream(Stream* stream) { stream_ = stream; }

  // A new request: every response value, the buffer, the counters and the chunk state start afresh.
  void BeginRequest(RequestType type, const std::string& requestVer);
  void SetRequestType(RequestType type) { type_ = type; }
  // Before a relocation: the received count, the buffer and the line counters start afresh.
  void ResetForRelocation();
  // Before the relocated request: the header values of the last response are dropped.
  void ResetResponse();
  // Cuts the receive stream back to its size at the start of the current body.
  void CutBackStream();
  // Stops the current response: the buffer is emptied and no handler runs any more.
  void Cancel();
  void ClearBuffer();

  // The socket has data: reads once and handles what is held.
  void DataAvailable(ByteSource& source, std::uint16_t errCode);
  // The connection closed: ends a header or body in progress. With `checkComplete`, a header or body
  // cut short becomes a request-done error.
  void ConnectionClosed(bool checkComplete);

  bool InHeader() const { return inHeader_; }
  int BodyPieceCount() const { return bodyPieces_; }
  bool Failed() const { return failed_; }
  int HeldBytes() const { return fill_ - start_; }

 private:
  enum class Handler { None, Header, Body };

  void Process(std::uint16_t errCode, std::uint64_t gen);
  void DeliverHeldBody();
  void HeaderLine(const std::string& line);
  void FirstLineHtml(const std::string& line);
  void StatusLine(const std::string& line);
  void HeaderField(const std::string& line);
  void HeaderBlockEnd();
  void BodyPiece(const char* data, std::size_t len);
  void BodyComplete();
  void Output(const char* data, std::size_t len);
  void Error(std::uint16_t error, const std::string& text);
  void Fail(std::uint16_t error, const std::string& text);
  void Compact();
  bool Alive(std::uint64_t gen) const { return gen == generation_; }

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
