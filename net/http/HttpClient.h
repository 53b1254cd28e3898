// HttpClient: the event-driven HTTP/1.0 and 1.1 client over one TcpSocket. It runs on the thread that
// created it; every socket notification, its own posted messages and every event arrive through that
// thread's message dispatch. Get runs a request synchronously while it keeps dispatching messages.
//
// A request goes: HttpState::NotConnected -> HttpState::DnsLookup -> HttpState::DnsLookupDone ->
// HttpState::Connected -> HttpState::WaitingHeader -> HttpState::WaitingBody (when a body follows) ->
// HttpState::Ready. The response side is HttpResponseParser; bodies are written to ReceiveStream.
#pragma once

#include "net/http/HttpException.h"
#include "net/http/HttpResponseParser.h"
#include "net/http/HttpTypes.h"
#include "net/http/Stream.h"
#include "net/socket/TcpSocket.h"
#include "platform/Messages.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Messages of the client's own message target.
struct HttpClientMessage {
  enum : std::uint32_t { RequestDone = 0x401, SetReady = 0x402, Login = 0x403 };
};

class HttpClient : private HttpResponseHost {
 public:
  explicit HttpClient(std::string name = "httpClient");
  ~HttpClient() override;
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // --- Requests ---------------------------------------------------------------------------------
  // Synchronous requests: they return when State is HttpState::Ready again and raise HttpException when the
  // status is above 399 (except 401 and 407) or the transfer failed (RequestDoneError says why).
  void Get();
  void Head();
  void Post();
  void Put();
  void Close();
  void RequestSync(RequestType type);
  // The asynchronous start; OnRequestDone reports the end.
  void StartRequest(RequestType type);
  void Abort();

  // --- Properties -------------------------------------------------------------------------------
  const std::string& Name() const { return name_; }
  std::string URL, Proxy, ProxyPort = "80", LocalAddr = "0.0.0.0";
  std::string Agent, Accept, ContentTypePost = "application/x-www-form-urlencoded";
  std::string Sender, Reference, Connection, ProxyConnection, AcceptLanguage, Cookie;
  std::string Username, Password, ProxyUsername, ProxyPassword;
  std::string SocksServer, SocksPort, SocksLevel = "5", SocksUsercode, SocksPassword;
  net::SocksAuthentication socksAuthentication = net::SocksAuthentication::None;
  bool NoCache = false;
  bool MultiThreaded = false;
  bool FollowRelocation = true;
  int LocationChangeMaxCount = 5;
  int BandwidthLimit = 10000, BandwidthSampling = 1000;  // kept; bandwidth control is not implemented
  std::time_t ModifiedSince = 0;                         // If-Modified-Since when not 0
  Stream* SendStream = nullptr;

  const std::string& RequestVer() const { return requestVer_; }
  void SetRequestVer(const std::string& value);  // "1.0" or "1.1", else HttpException code 5
  HttpClientOptions Options() const { return options_; }
  void SetOptions(HttpClientOptions value);
  Stream* ReceiveStream() const { return parser_.ReceiveStream(); }
  void SetReceiveStream(Stream* stream) { parser_.SetReceiveStream(stream); }
  const std::string& ContentRangeBegin() const { return v().ContentRangeBegin; }
  void SetContentRangeBegin(const std::string& s) { parser_.Values().ContentRangeBegin = s; }
  const std::string& ContentRangeEnd() const { return v().ContentRangeEnd; }
  void SetContentRangeEnd(const std::string& s) { parser_.Values().ContentRangeEnd = s; }

  // --- Results ----------------------------------------------------------------------------------
  HttpState State() const override { return state_; }
  int StatusCode() const { return v().StatusCode; }
  const std::string& StatusText() const { return v().StatusText; }
  std::int64_t ReceivedCount() const { return v().ReceivedCount; }
  std::int64_t BodyLength() const { return v().BodyLength; }
  const std::vector<std::string>& HeaderLines() const { return v().HeaderLines; }
  const std::string& ContentType() const { return v().ContentType; }
  const std::string& AcceptRanges() const { return v().AcceptRanges; }
  const std::string& DocumentName() const { return v().DocumentName; }
  const std::string& Location() const { return location_; }
  std::uint16_t RequestDoneError() const { return requestDoneError_; }
  int LocationChangeCurCount() const { return locationChangeCurCount_; }
  RequestType requestType() const { return type_; }
  net::TcpSocket& socket() { return *socket_; }

  // --- Events -----------------------------------------------------------------------------------
  HttpNotifyEvent OnStateChange, OnSessionConnected, OnSessionClosed, OnHeaderBegin, OnHeaderData,
      OnHeaderEnd;
  HttpNotifyEvent OnDocBegin, OnDocEnd, OnLocationChange, OnRequestHeaderBegin, OnRequestHeaderEnd;
  HttpNotifyEvent OnSendBegin, OnSendEnd, OnDataPush2, OnSocketError;
  HttpDataEvent OnDocData, OnSendData;
  HttpRequestDoneEvent OnRequestDone;
  HttpLocationChangeExceededEvent OnLocationChangeExceeded;
  HttpCookieEvent OnCookie;
  HttpCommandEvent OnCommand;
  HttpBeforeHeaderSendEvent OnBeforeHeaderSend;
  HttpErrorEvent OnDataPush, OnSocksConnected;
  HttpSocksErrorEvent OnSocksError;

 private:
  const HttpResponseValues& v() const { return parser_.Values(); }
  HttpResponseValues& v() { return parser_.Values(); }

  // Request side.
  void SetTargets();
  void Login();
  void SocketDnsLookupDone(std::uint16_t error);
  void ConnectFailed(const std::string& prefix);
  void SocketSessionConnected(std::uint16_t error);
  void SendRequest(const std::string& method, const std::string& version);
  std::vector<std::string> RequestLines(const std::string& method, const std::string& version);
  void SendBodyPiece();
  void SocketDataAvailable(std::uint16_t error);
  void SocketDataSent(std::uint16_t error);
  void SocketSessionClosed(std::uint16_t error);
  void ConnectionClosed(std::uint16_t error);
  void RelocationAfterClose();
  bool RelocationBudgetLeft();
  void NextTarget(const std::string& value);
  void ProxyTarget(const std::string& value);
  void SetStateEvent(HttpState state);
  void handleMessage(platform::Message& msg);
  void FailBeforeConnect(int status, const std::string& text, std::uint16_t error);

  // HttpResponseHost: what the response side asks of the request side.
  void SetState(HttpState state) override { SetStateEvent(state); }
  void HeaderBegin() override;
  void HeaderData() override;
  void HeaderEnd() override;
  void DocBegin() override;
  void DocData(const char* data, int len) override;
  void DocEnd() override;
  void CookieReceived(const std::string& data, bool& accept) override;
  void LocationHeader(const std::string& value) override;
  void DataPush(std::uint16_t errCode) override;
  void DataPush2() override;
  void SetRequestDoneError(std::uint16_t error) override { requestDoneError_ = error; }
  void SetReady() override;
  void StartRelocation() override;
  void CloseDelayed() override;
  void AbortConnection() override;

  class SocketSource;

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
  bool relocateOnClose_ = false;                 // the closed event goes to RelocationAfterClose
  bool ignoreClose_ = false;                     // a close we caused outside any request
  bool readyPosted_ = false;                     // the response is over; set ready is on its way
  bool sendingBody_ = false;
  std::int64_t sendStart_ = 0;
  std::uint64_t serial_ = 0;  // numbers requests so that late messages of an earlier one are dropped

  HttpResponseParser parser_;
  std::unique_ptr<SocketSource> source_;
  std::unique_ptr<platform::FunctionTarget> window_;
  std::unique_ptr<net::TcpSocket> socket_;
};

}  // namespace http
