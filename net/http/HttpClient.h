// HttpClient: the event-driven HTTP/1.0 and 1.1 client over one TcpSocket. It runs on the thread that
// created it; every socket notification, its own queued steps and every event arrive through that
// thread's message dispatch. startRequest() and onRequestDone are the client's own way; get() and the
// other blocking requests wait in platform::waitSynchronously, for callers that sit at the top of their
// stack (tests, the benchmark driver), never on a job's path.
//
// A request goes: HttpState::NotConnected -> HttpState::DnsLookup -> HttpState::DnsLookupDone ->
// HttpState::Connected -> HttpState::WaitingHeader -> HttpState::WaitingBody (when a body follows) ->
// HttpState::Ready. The response side is HttpResponseParser; bodies are written to receiveStream.
//
// An https: address adds TLS (TlsSession) on the connection before the request: directly, over a SOCKS
// tunnel, or through an HTTP proxy after CONNECT (HttpState::WaitingProxyConnect) opened a tunnel. What the
// socket carries at each moment is the connection's Link.
#pragma once

#include "net/http/ConnectReply.h"
#include "net/http/HttpException.h"
#include "net/http/HttpResponseParser.h"
#include "net/http/HttpTypes.h"
#include "net/http/Stream.h"
#include "net/socket/TcpSocket.h"
#include "net/tls/TlsSession.h"
#include "platform/Messages.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class QTimer;

namespace http {

class HttpClient;

using HttpNotifyEvent = std::function<void(HttpClient* client)>;
using HttpRequestDoneEvent =
    std::function<void(HttpClient* client, RequestType requestType, std::uint16_t errorCode)>;
using HttpDataEvent = std::function<void(HttpClient* client, const char* data, int length)>;
using HttpLocationChangeExceededEvent =
    std::function<void(HttpClient* client, int relocationCount, bool& allowMoreRelocations)>;
using HttpCookieEvent = std::function<void(HttpClient* client, const std::string& cookie, bool& accept)>;
using HttpCommandEvent = std::function<void(HttpClient* client, std::string& line)>;
using HttpBeforeHeaderSendEvent =
    std::function<void(HttpClient* client, const std::string& method, std::vector<std::string>& headerLines)>;
using HttpErrorEvent = std::function<void(HttpClient* client, std::uint16_t errorCode)>;
using HttpSocksErrorEvent =
    std::function<void(HttpClient* client, std::int32_t error, const std::string& message)>;

class HttpClient : private HttpResponseHost {
 public:
  explicit HttpClient(std::string name = "httpClient");
  ~HttpClient() override;
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // --- Requests ---------------------------------------------------------------------------------
  // Synchronous requests: they return when state() is HttpState::Ready again and raise HttpException when the
  // status is above 399 (except 401 and 407) or the transfer failed (requestDoneError says why). They
  // dispatch every event of the thread while they wait (platform::waitSynchronously and its rules).
  void get();
  void head();
  void post();
  void put();
  void close();
  void requestSync(RequestType type);
  // The asynchronous start; onRequestDone reports the end.
  void startRequest(RequestType type);
  // The asynchronous GET: a new request, whose relocations are counted afresh (as get() does).
  void getAsync();
  void abort();

  // --- Properties -------------------------------------------------------------------------------
  const std::string& name() const { return name_; }
  std::string url, proxy, proxyPort = "80", localAddr = "0.0.0.0";
  std::string agent, accept, contentTypePost = "application/x-www-form-urlencoded";
  std::string sender, reference, connection, proxyConnection, acceptLanguage, cookie;
  std::string username, password, proxyUsername, proxyPassword;
  std::string socksServer, socksPort, socksLevel = "5", socksUsercode, socksPassword;
  net::SocksAuthentication socksAuthentication = net::SocksAuthentication::None;
  bool noCache = false;
  bool multiThreaded = false;
  bool followRelocation = true;
  int locationChangeMaxCount = 5;
  int bandwidthLimit = 10000, bandwidthSampling = 1000;  // kept; bandwidth control is not implemented
  std::time_t modifiedSince = 0;                         // If-Modified-Since when not 0
  // Time limits of a request, in milliseconds (0: none), each named with its host in the text of the
  // request it ends. Connect: from the start of the lookup until the connection stands, a SOCKS proxy's
  // and an HTTP proxy's negotiation (CONNECT) included; then the request ends with HttpError::TimedOut.
  // Handshake: the TLS handshake, however slowly its bytes come (HttpError::TimedOut). Idle: no byte
  // from the peer for this long, from sending the request to the response's last byte: the connection is
  // dropped and the response ends as one cut there ("no data for 60 s from cdn.example"), a cut inside
  // the body as HttpError::CutShort.
  static constexpr int kConnectTimeLimitMs = 30000;
  static constexpr int kHandshakeTimeLimitMs = 30000;
  static constexpr int kIdleTimeLimitMs = 60000;
  int connectTimeLimitMs = kConnectTimeLimitMs;
  int handshakeTimeLimitMs = kHandshakeTimeLimitMs;
  int idleTimeLimitMs = kIdleTimeLimitMs;
  Stream* sendStream = nullptr;

  const std::string& requestVer() const { return requestVer_; }
  void setRequestVer(const std::string& value);  // "1.0" or "1.1", else HttpException code 5
  HttpClientOptions options() const { return options_; }
  void setOptions(HttpClientOptions value);
  Stream* receiveStream() const { return parser_.receiveStream(); }
  void setReceiveStream(Stream* stream) { parser_.setReceiveStream(stream); }
  const std::string& contentRangeBegin() const { return v().contentRangeBegin; }
  void setContentRangeBegin(const std::string& s) { parser_.values().contentRangeBegin = s; }
  const std::string& contentRangeEnd() const { return v().contentRangeEnd; }
  void setContentRangeEnd(const std::string& s) { parser_.values().contentRangeEnd = s; }

  // --- Results ----------------------------------------------------------------------------------
  HttpState state() const { return state_; }
  int statusCode() const { return v().statusCode; }
  const std::string& statusText() const { return v().statusText; }
  std::int64_t receivedCount() const { return v().receivedCount; }
  std::int64_t bodyLength() const { return v().bodyLength; }
  const std::vector<std::string>& headerLines() const { return v().headerLines; }
  const std::string& contentType() const { return v().contentType; }
  const std::string& acceptRanges() const { return v().acceptRanges; }
  const std::string& documentName() const { return v().documentName; }
  const std::string& location() const { return location_; }
  std::uint16_t requestDoneError() const { return requestDoneError_; }
  int locationChangeCurCount() const { return locationChangeCurCount_; }
  RequestType requestType() const { return type_; }
  net::TcpSocket& socket() { return *socket_; }

  // --- Events -----------------------------------------------------------------------------------
  HttpNotifyEvent onStateChange, onSessionConnected, onSessionClosed, onHeaderBegin, onHeaderData,
      onHeaderEnd;
  HttpNotifyEvent onDocBegin, onDocEnd, onLocationChange, onRequestHeaderBegin, onRequestHeaderEnd;
  HttpNotifyEvent onSendBegin, onSendEnd, onNonHttpStatusLine, onSocketError;
  HttpDataEvent onDocData, onSendData;
  HttpRequestDoneEvent onRequestDone;
  HttpLocationChangeExceededEvent onLocationChangeExceeded;
  HttpCookieEvent onCookie;
  HttpCommandEvent onCommand;
  HttpBeforeHeaderSendEvent onBeforeHeaderSend;
  HttpErrorEvent onUnexpectedData, onSocksConnected;
  HttpSocksErrorEvent onSocksError;

 private:
  const HttpResponseValues& v() const { return parser_.values(); }
  HttpResponseValues& v() { return parser_.values(); }

  // Request side.
  void setTargets();
  void login();
  void lookUpNext();
  void socketDnsLookupDone(std::uint16_t error);
  void connectTo(const std::string& address);
  void connectFailed(const std::string& prefix);
  void socketSessionConnected(std::uint16_t error);
  void startTls();
  void sendFirstRequest();
  void readProxyReply();
  void advanceHandshake();
  void failLink(std::uint16_t error, const std::string& text);
  // The bytes of the request: through the TLS session when one is open.
  void sendBytes(const char* data, std::size_t size);
  void flushTls();
  void sendRequest(const std::string& method, const std::string& version);
  std::vector<std::string> requestLines(const std::string& method, const std::string& version);
  void sendBodyPiece();
  void socketDataAvailable(std::uint16_t error);
  void socketDataSent(std::uint16_t error);
  void socketSessionClosed(std::uint16_t error);
  // `failure` says how a connection that did not end in order ended; empty: from `error`.
  void connectionClosed(std::uint16_t error, const std::string& failure = {});
  // The request's time limit: which one runs, and what happens when it is reached.
  enum class Limit { None, Connect, Handshake, Idle };
  void startLimit(Limit limit);
  void stopLimit();
  void limitReached();
  void endAtTlsClose();
  void relocationAfterClose();
  bool relocationBudgetLeft();
  void nextTarget(const std::string& value);
  void proxyTarget(const std::string& value);
  void setStateEvent(HttpState state);

  // The client's own queued steps, each for one request (its serial): those of an earlier request are
  // dropped.
  struct ReadyStep {
    std::uint64_t request;
  };
  struct RequestDoneStep {
    std::uint64_t request;
    RequestType type;
    std::uint16_t error;
  };
  struct LoginStep {
    std::uint64_t request;
  };
  using Step = std::variant<ReadyStep, RequestDoneStep, LoginStep>;
  void handleStep(Step& step);
  void postRequestDone();
  void failBeforeConnect(int status, const std::string& text, std::uint16_t error);

  // HttpResponseHost: what the response side asks of the request side.
  void waitingForBody() override { setStateEvent(HttpState::WaitingBody); }
  void headerBegin() override;
  void headerData() override;
  void headerEnd() override;
  void docBegin() override;
  void docData(const char* data, int len) override;
  void docEnd() override;
  void cookieReceived(const std::string& data, bool& acceptCookie) override;
  bool locationHeader(const std::string& value) override;
  void unexpectedData(std::uint16_t errCode) override;
  void nonHttpStatusLine() override;
  void setRequestDoneError(std::uint16_t error) override { requestDoneError_ = error; }
  void setReady() override;
  void startRelocation() override;
  void closeDelayed() override;
  void abortConnection() override;

  class SocketSource;
  class TlsSource;

  // What the connection carries now.
  enum class Link {
    Plain,         // HTTP as it is
    ProxyConnect,  // CONNECT sent to the HTTP proxy, its answer awaited
    TlsHandshake,  // the TLS handshake runs
    Tls,           // HTTP inside the TLS session
  };
  bool tunnelled() const { return protocol_ == "https" && !proxy.empty(); }

  std::string name_;
  std::string requestVer_ = "1.0";
  HttpClientOptions options_ = 0;
  HttpState state_ = HttpState::Ready;
  RequestType type_ = RequestType::Abort;
  std::uint16_t requestDoneError_ = 0;
  int locationChangeCurCount_ = 0;
  std::string location_;

  // Per-request working values.
  std::string targetHost_, targetPort_, connectHost_, connectPort_, requestPath_, protocol_;
  std::string curUsername_, curPassword_, curConnection_, curProxyConnection_;
  std::string openHost_, openPort_, openProto_;  // the connection that is open
  bool relocateOnClose_ = false;                 // the closed event goes to relocationAfterClose
  bool ignoreClose_ = false;                     // a close we caused outside any request
  bool readyPosted_ = false;                     // the response is over; set ready is on its way
  bool sendingBody_ = false;
  std::string socksFailure_;     // what the SOCKS layer reported for the connection being made
  std::string socksAddress_;     // the SOCKS proxy's address, once its name has been looked up
  bool lookingUpSocks_ = false;  // the lookup running is that of the SOCKS proxy's name
  std::int64_t sendStart_ = 0;
  std::uint64_t serial_ = 0;  // numbers requests so that late messages of an earlier one are dropped

  HttpResponseParser parser_;
  std::unique_ptr<SocketSource> source_;
  std::unique_ptr<TlsSource> tlsSource_;
  Link link_ = Link::Plain;
  std::unique_ptr<tls::TlsSession> tls_;
  ConnectReply connectReply_;
  std::string openTarget_;  // host:port at the far end of an open tunnel
  std::unique_ptr<platform::Mailbox<Step>> mailbox_;
  std::unique_ptr<net::TcpSocket> socket_;
  Limit limit_ = Limit::None;
  std::unique_ptr<QTimer> limitTimer_;
};

}  // namespace http
