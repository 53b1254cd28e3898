// THttpCli: the event-driven HTTP/1.0 and 1.1 client over one TWSocket. It runs on the thread that
// created it; every socket notification, its own posted messages and every event arrive through that
// thread's message dispatch. Get runs a request synchronously while it keeps dispatching messages.
//
// A request goes: httpNotConnected -> httpDnsLookup -> httpDnsLookupDone -> httpConnected ->
// httpWaitingHeader -> httpWaitingBody (when a body follows) -> httpReady. The response side is
// HttpResponseParser; bodies are written to ReceiveStream.
#pragma once

#include "net/http/EHttpException.h"
#include "net/http/HttpResponseParser.h"
#include "net/http/HttpTypes.h"
#include "net/http/TStream.h"
#include "net/socket/WSocket.h"
#include "platform/Messages.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace http {

class THttpCli;

using THttpNotify = std::function<void(THttpCli* Sender)>;
using THttpRequestDone = std::function<void(THttpCli* Sender, THttpRequest RqType, std::uint16_t ErrCode)>;
using THttpDataEvent = std::function<void(THttpCli* Sender, const char* Buffer, int Len)>;
using THttpLocationChangeExceeded =
    std::function<void(THttpCli* Sender, int RelocationCount, bool& AllowMoreRelocations)>;
using THttpCookieEvent = std::function<void(THttpCli* Sender, const std::string& Data, bool& Accept)>;
using THttpCommandEvent = std::function<void(THttpCli* Sender, std::string& S)>;
using THttpBeforeHeaderSend =
    std::function<void(THttpCli* Sender, const std::string& Method, std::vector<std::string>& Headers)>;
using THttpErrorEvent = std::function<void(THttpCli* Sender, std::uint16_t ErrCode)>;
using THttpSocksErrorEvent =
    std::function<void(THttpCli* Sender, std::int32_t Error, const std::string& Msg)>;

// Messages of the client's own message target.
constexpr std::uint32_t WM_HTTP_REQUEST_DONE = 0x401;
constexpr std::uint32_t WM_HTTP_SET_READY = 0x402;
constexpr std::uint32_t WM_HTTP_LOGIN = 0x403;

class THttpCli : private HttpResponseHost {
 public:
  explicit THttpCli(std::string name = "HttpCli1");
  ~THttpCli() override;
  THttpCli(const THttpCli&) = delete;
  THttpCli& operator=(const THttpCli&) = delete;

  // --- Requests ---------------------------------------------------------------------------------
  // Synchronous requests: they return when State is httpReady again and raise EHttpException when the
  // status is above 399 (except 401 and 407) or the transfer failed (RequestDoneError says why).
  void Get();
  void Head();
  void Post();
  void Put();
  void Close();
  void RequestSync(THttpRequest type);
  // The asynchronous start; OnRequestDone reports the end.
  void StartRequest(THttpRequest type);
  void Abort();

  // --- Properties -------------------------------------------------------------------------------
  const std::string& Name() const { return name_; }
  std::string URL, Proxy, ProxyPort = "80", LocalAddr = "0.0.0.0";
  std::string Agent, Accept, ContentTypePost = "application/x-www-form-urlencoded";
  std::string Sender, Reference, Connection, ProxyConnection, AcceptLanguage, Cookie;
  std::string Username, Password, ProxyUsername, ProxyPassword;
  std::string SocksServer, SocksPort, SocksLevel = "5", SocksUsercode, SocksPassword;
  wsocket::TSocksAuthentication SocksAuthentication = wsocket::socksNoAuthentication;
  bool NoCache = false;
  bool MultiThreaded = false;
  bool FollowRelocation = true;
  int LocationChangeMaxCount = 5;
  int BandwidthLimit = 10000, BandwidthSampling = 1000;  // kept; bandwidth control is not implemented
  std::time_t ModifiedSince = 0;                         // If-Modified-Since when not 0
  TStream* SendStream = nullptr;

  const std::string& RequestVer() const { return requestVer_; }
  void SetRequestVer(const std::string& value);  // "1.0" or "1.1", else EHttpException code 5
  THttpCliOptions Options() const { return options_; }
  void SetOptions(THttpCliOptions value);
  TStream* ReceiveStream() const { return parser_.ReceiveStream(); }
  void SetReceiveStream(TStream* stream) { parser_.SetReceiveStream(stream); }
  const std::string& ContentRangeBegin() const { return v().ContentRangeBegin; }
  void SetContentRangeBegin(const std::string& s) { parser_.Values().ContentRangeBegin = s; }
  const std::string& ContentRangeEnd() const { return v().ContentRangeEnd; }
  void SetContentRangeEnd(const std::string& s) { parser_.Values().ContentRangeEnd = s; }

  // --- Results ----------------------------------------------------------------------------------
  THttpState State() const override { return state_; }
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
  THttpRequest RequestType() const { return type_; }
  wsocket::TWSocket& CtrlSocket() { return *socket_; }

  // --- Events -----------------------------------------------------------------------------------
  THttpNotify OnStateChange, OnSessionConnected, OnSessionClosed, OnHeaderBegin, OnHeaderData, OnHeaderEnd;
  THttpNotify OnDocBegin, OnDocEnd, OnLocationChange, OnRequestHeaderBegin, OnRequestHeaderEnd;
  THttpNotify OnSendBegin, OnSendEnd, OnDataPush2, OnSocketError;
  THttpDataEvent OnDocData, OnSendData;
  THttpRequestDone OnRequestDone;
  THttpLocationChangeExceeded OnLocationChangeExceeded;
  THttpCookieEvent OnCookie;
  THttpCommandEvent OnCommand;
  THttpBeforeHeaderSend OnBeforeHeaderSend;
  THttpErrorEvent OnDataPush, OnSocksConnected;
  THttpSocksErrorEvent OnSocksError;

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
  void SetStateEvent(THttpState state);
  void WndProc(platform::Message& msg);
  void FailBeforeConnect(int status, const std::string& text, std::uint16_t error);

  // HttpResponseHost: what the response side asks of the request side.
  void SetState(THttpState state) override { SetStateEvent(state); }
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
  THttpCliOptions options_ = 0;
  THttpState state_ = httpReady;
  THttpRequest type_ = httpABORT;
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
  std::unique_ptr<wsocket::TWSocket> socket_;
};

}  // namespace http
