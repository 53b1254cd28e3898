#include "net/http/HttpProt.h"

#include "net/http/UrlParts.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <thread>

namespace http {
namespace {

using wsocket::TCustomWSocket;

// "scheme://" at the start of a relocation value, the scheme made of letters, digits, "+", "-", ".".
bool HasScheme(const std::string& value) {
  std::size_t sep = value.find("://");
  if (sep == std::string::npos || sep == 0 || !std::isalpha(static_cast<unsigned char>(value[0])))
    return false;
  return std::all_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(sep), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

// A fragment ("#" and what follows) names a part of a document and never goes to a server.
std::string WithoutFragment(const std::string& address) {
  return address.substr(0, address.find('#'));
}

// The path up to and including its last "/" or ":" before any "?".
std::string PathBase(const std::string& path) {
  std::string p = path.substr(0, path.find('?'));
  std::size_t last = p.find_last_of("/:");
  return last == std::string::npos ? "/" : p.substr(0, last + 1);
}

std::string HttpDate(std::time_t t) {
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %2.2d %s %4.4d %2.2d:%2.2d:%2.2d GMT", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

bool IsTransferFailure(std::uint16_t error) {
  return error == httperrCutShort || error == httperrBadChunk || error == httperrHeaderTooLarge ||
         error == httperrBadStatusLine || error == httperrWriteFailed || error == httperrNoResponse ||
         error == httperrBadAddress;
}

}  // namespace

// The socket as the response side's byte source.
class THttpCli::SocketSource final : public ByteSource {
 public:
  explicit SocketSource(wsocket::TWSocket& socket) : socket_(socket) {}
  int Receive(void* buffer, int size) override {
    int n = socket_.Receive(buffer, size);
    lastReadFilled_ = n > 0 && n == size;
    return n;
  }
  void StopReceiveLoop() override { socket_.SetLastError(-1); }
  // True when the last read took all it asked for, so more bytes are probably waiting.
  bool LastReadFilled() const { return lastReadFilled_; }
  void ForgetLastRead() { lastReadFilled_ = false; }

 private:
  wsocket::TWSocket& socket_;
  bool lastReadFilled_ = false;
};

THttpCli::THttpCli(std::string name)
    : name_(std::move(name)),
      parser_(*this),
      window_(std::make_unique<platform::FunctionTarget>([this](platform::Message& m) { WndProc(m); })),
      socket_(std::make_unique<wsocket::TWSocket>()) {
  source_ = std::make_unique<SocketSource>(*socket_);
  socket_->OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionConnected(e); };
  socket_->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionClosed(e); };
  socket_->OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { SocketDataAvailable(e); };
  socket_->OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { SocketDataSent(e); };
  socket_->OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { SocketDnsLookupDone(e); };
  socket_->OnError = [this](TCustomWSocket*) {
    if (OnSocketError) OnSocketError(this);
  };
  socket_->OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) {
    if (OnSocksConnected) OnSocksConnected(this, e);
  };
  socket_->OnSocksError = [this](TCustomWSocket*, std::int32_t e, const std::string& msg) {
    if (OnSocksError) OnSocksError(this, e, msg);
  };
}

THttpCli::~THttpCli() {
  socket_->OnSessionConnected = nullptr;
  socket_->OnSessionClosed = nullptr;
  socket_->OnDataAvailable = nullptr;
  socket_->OnDataSent = nullptr;
  socket_->OnDnsLookupDone = nullptr;
  socket_->OnError = nullptr;
  socket_->OnSocksConnected = nullptr;
  socket_->OnSocksError = nullptr;
  socket_.reset();
}

// --- Properties ---------------------------------------------------------------------------------

void THttpCli::SetRequestVer(const std::string& value) {
  if (value == requestVer_) return;
  if (value != "1.0" && value != "1.1") throw EHttpException("Insupported HTTP version", 5);
  requestVer_ = value;
}

void THttpCli::SetOptions(THttpCliOptions value) {
  options_ = value;
  parser_.ContentCoding().SetEnabled((value & httpoEnableContentCoding) != 0);
  parser_.ContentCoding().SetUseQuality((value & httpoUseQuality) != 0);
}

void THttpCli::SetStateEvent(THttpState state) {
  state_ = state;
  if (OnStateChange) OnStateChange(this);
}

// --- Synchronous requests -----------------------------------------------------------------------

void THttpCli::Get() {
  locationChangeCurCount_ = 0;
  RequestSync(httpGET);
}

void THttpCli::Head() {
  locationChangeCurCount_ = 0;
  RequestSync(httpHEAD);
}

void THttpCli::Post() {
  locationChangeCurCount_ = 0;
  RequestSync(httpPOST);
}

void THttpCli::Put() {
  locationChangeCurCount_ = 0;
  RequestSync(httpPUT);
}

void THttpCli::Close() {
  RequestSync(httpCLOSE);
}

void THttpCli::RequestSync(THttpRequest type) {
  StartRequest(type);
  if (!MultiThreaded) {
    while (state_ != httpReady) {
      if (QCoreApplication::instance() == nullptr || QCoreApplication::closingDown()) {
        Abort();
        break;
      }
      platform::WaitMessage(1000);
    }
  } else {
    while (state_ != httpReady) {
      socket_->MessagePump();
      std::this_thread::yield();
    }
  }
  int code = v().StatusCode;
  if ((code > 399 && code != 401 && code != 407) || IsTransferFailure(requestDoneError_)) {
    throw EHttpException(v().StatusText, code);
  }
}

// --- Request start ------------------------------------------------------------------------------

void THttpCli::StartRequest(THttpRequest type) {
  if (type == httpCLOSE) {
    ++serial_;
    readyPosted_ = false;
    type_ = type;
    v().StatusCode = 200;
    v().StatusText = "OK";
    SetStateEvent(httpClosing);
    if (socket_->State() == wsocket::wsClosed) {
      SetReady();
    } else {
      socket_->CloseDelayed();
    }
    return;
  }
  if (state_ != httpReady) throw EHttpException("HTTP component " + name_ + " is busy", 1);
  if ((type == httpPOST || type == httpPUT) && SendStream == nullptr) {
    throw EHttpException("HTTP component has nothing to post or put", 2);
  }
  ++serial_;
  readyPosted_ = false;
  relocateOnClose_ = false;
  sendingBody_ = false;
  type_ = type;
  parser_.BeginRequest(type, requestVer_);
  requestDoneError_ = 0;
  location_ = URL;
  curUsername_ = Username;
  curPassword_ = Password;
  curConnection_ = Connection;
  curProxyConnection_ = ProxyConnection;
  if (SendStream != nullptr) sendStart_ = SendStream->Position();
  SetTargets();

  if (socket_->State() == wsocket::wsConnected &&
      (connectHost_ != openHost_ || connectPort_ != openPort_ || protocol_ != openProto_)) {
    ignoreClose_ = true;
    socket_->Abort();
    ignoreClose_ = false;
  }
  SetStateEvent(httpNotConnected);
  Login();
}

// Protocol, hosts, ports, request path and document name from URL and Proxy.
void THttpCli::SetTargets() {
  UrlParts u = SplitAddress(WithoutFragment(URL));
  if (!u.User.empty() || !u.Pass.empty()) {
    curUsername_ = u.User;
    curPassword_ = u.Pass;
  }
  protocol_ = u.Proto.empty() ? "http" : u.Proto;
  targetHost_ = u.Host;
  targetPort_ = u.Port.empty() ? "80" : u.Port;
  if (!Proxy.empty()) {
    requestPath_ =
        protocol_ + "://" + u.Host + (u.Port.empty() ? "" : ":" + u.Port) + (u.Path.empty() ? "/" : u.Path);
    UrlParts p = SplitAddress(Proxy.find("://") == std::string::npos ? "http://" + Proxy : Proxy);
    connectHost_ = p.Host;
    connectPort_ = p.Port.empty() ? ProxyPort : p.Port;
  } else {
    requestPath_ = u.Path;
    connectHost_ = targetHost_;
    connectPort_ = targetPort_;
  }
  if (requestPath_.empty()) requestPath_ = "/";
  v().DocumentName = DocumentNameFromPath(u.Path);
}

void THttpCli::FailBeforeConnect(int status, const std::string& text, std::uint16_t error) {
  v().StatusCode = status;
  v().StatusText = text;
  requestDoneError_ = error;
  SetReady();
}

void THttpCli::Login() {
  // A host name from the address or a relocation goes into the Host field: never raw line breaks.
  if (!IsValidHostText(targetHost_) || !IsValidHostText(connectHost_)) {
    FailBeforeConnect(400, "Invalid host name in address", httperrBadAddress);
    return;
  }
  if (socket_->State() == wsocket::wsConnected) {
    SocketSessionConnected(0);
    return;
  }
  SetStateEvent(httpDnsLookup);
  try {
    socket_->SetLocalAddr(LocalAddr);
    socket_->DnsLookup(connectHost_);
  } catch (const std::exception& e) {
    FailBeforeConnect(404, e.what(), requestDoneError_);
  }
}

void THttpCli::SocketDnsLookupDone(std::uint16_t error) {
  if (state_ != httpDnsLookup) return;  // cancelled by Abort, or a late answer
  if (error != 0) {
    requestDoneError_ = error;
    v().StatusCode = 404;
    v().StatusText = "can't resolve hostname to IP address";
    ConnectionClosed(0);
    return;
  }
  SetStateEvent(httpDnsLookupDone);
  try {
    socket_->SetAddr(socket_->DnsResult());
    socket_->SetLocalAddr(LocalAddr);
    socket_->SetPort(connectPort_);
    socket_->SetProto("tcp");
    socket_->SetSocksServer(SocksServer);
    socket_->SetSocksLevel(SocksLevel);
    socket_->SetSocksPort(SocksPort);
    socket_->SetSocksUsercode(SocksUsercode);
    socket_->SetSocksPassword(SocksPassword);
    socket_->SetSocksAuthentication(SocksAuthentication);
  } catch (const std::exception& e) {
    ConnectFailed(std::string("can't connect: ") + e.what());
    return;
  }
  openHost_ = connectHost_;
  openPort_ = connectPort_;
  openProto_ = protocol_;
  if (protocol_ != "http") {
    requestDoneError_ = static_cast<std::uint16_t>(socket_->LastError());
    v().StatusCode = 501;
    v().StatusText = "Protocol \"" + protocol_ + "\" not implemented";
    socket_->Close();
    ConnectionClosed(0);
    return;
  }
  try {
    socket_->Connect();
  } catch (const std::exception&) {
  }
  // With OnError assigned, a failing Connect reports through LastError and leaves the socket closed.
  if (socket_->State() == wsocket::wsClosed) ConnectFailed("can't connect: ");
}

void THttpCli::ConnectFailed(const std::string& prefix) {
  int error = socket_->LastError();
  requestDoneError_ = static_cast<std::uint16_t>(error);
  v().StatusCode = 404;
  v().StatusText = prefix + wsocket::WSocketErrorDesc(error) + " (Error #" + std::to_string(error) + ")";
  socket_->Close();
  ConnectionClosed(0);
}

void THttpCli::SocketSessionConnected(std::uint16_t error) {
  if (state_ == httpAborting || state_ == httpReady) return;
  if (error != 0) {
    requestDoneError_ = error;
    v().StatusCode = 404;
    v().StatusText = wsocket::WSocketErrorDesc(error) + " (Error #" + std::to_string(error) + ")";
    if (OnSessionConnected) OnSessionConnected(this);
    return;  // the socket reports the close next, which ends the request
  }
  v().LocationFlag = false;
  SetStateEvent(httpConnected);
  if (OnSessionConnected) OnSessionConnected(this);
  if (state_ != httpConnected) return;  // aborted from the event
  SetStateEvent(httpWaitingHeader);
  static const char* kMethods[] = {"", "GET", "POST", "PUT", "HEAD", ""};
  try {
    SendRequest(kMethods[type_], requestVer_);
  } catch (const std::exception&) {
    socket_->Close();
  }
}

// --- The request header -------------------------------------------------------------------------

std::vector<std::string> THttpCli::RequestLines(const std::string& method, const std::string& version) {
  std::vector<std::string> lines;
  bool connect = method == "CONNECT";
  auto add = [&](const std::string& name, const std::string& value) {
    if (!value.empty()) lines.push_back(name + value);
  };
  if (connect) {
    lines.push_back(method + " " + targetHost_ + ":" + targetPort_ + " HTTP/" + version);
  } else {
    lines.push_back(method + " " + EncodeRequestTarget(requestPath_) + " HTTP/" + version);
    add("From: ", Sender);
    add("Accept: ", Accept);
    add("Referer: ", Reference);
    add("Connection: ", curConnection_);
    add("Accept-Language: ", AcceptLanguage);
    if (type_ != httpHEAD) add("Accept-Encoding: ", parser_.ContentCoding().HeaderText());
    if (type_ == httpPOST || type_ == httpPUT) add("Content-Type: ", ContentTypePost);
  }
  add("User-Agent: ", Agent);
  lines.push_back("Host: " + targetHost_ +
                  (targetPort_ == "80" || targetPort_.empty() ? "" : ":" + targetPort_));
  if (NoCache) lines.push_back("Pragma: no-cache");
  add("Proxy-Connection: ", curProxyConnection_);
  if (connect) {
    lines.push_back("Content-Length: 0");
  } else if ((type_ == httpPOST || type_ == httpPUT) && SendStream != nullptr) {
    lines.push_back("Content-Length: " + std::to_string(SendStream->Size() - SendStream->Position()));
  }
  if (ModifiedSince != 0) lines.push_back("If-Modified-Since: " + HttpDate(ModifiedSince));
  add("Cookie: ", Cookie);
  std::string& rangeBegin = v().ContentRangeBegin;
  std::string& rangeEnd = v().ContentRangeEnd;
  if (!rangeBegin.empty() || !rangeEnd.empty()) {
    lines.push_back("Range: bytes=" + rangeBegin + "-" + rangeEnd);
    rangeBegin.clear();
    rangeEnd.clear();
  }
  return lines;
}

void THttpCli::SendRequest(const std::string& method, const std::string& version) {
  if (OnRequestHeaderBegin) OnRequestHeaderBegin(this);
  std::vector<std::string> lines = RequestLines(method, version);
  if (OnBeforeHeaderSend) OnBeforeHeaderSend(this, method, lines);
  std::string buffer;
  for (std::string& line : lines) {
    if (OnCommand) OnCommand(this, line);
    buffer += line + "\r\n";
  }
  if (OnRequestHeaderEnd) OnRequestHeaderEnd(this);
  buffer += "\r\n";
  socket_->Send(buffer.data(), static_cast<std::int32_t>(buffer.size()));
  if ((type_ == httpPOST || type_ == httpPUT) && method != "CONNECT") {
    sendingBody_ = true;
    if (OnSendBegin) OnSendBegin(this);
  }
}

// Reads on while each read fills what it asked for: one notification then drains the socket without
// asking the system how much is waiting between reads.
void THttpCli::SocketDataAvailable(std::uint16_t error) {
  do {
    source_->ForgetLastRead();
    parser_.DataAvailable(*source_, error);
  } while (source_->LastReadFilled() && socket_->State() == wsocket::wsConnected);
}

void THttpCli::SocketDataSent(std::uint16_t error) {
  if (sendingBody_ && error == 0) SendBodyPiece();
}

void THttpCli::SendBodyPiece() {
  char piece[8192];
  std::size_t n = SendStream != nullptr ? SendStream->Read(piece, sizeof piece) : 0;
  if (n == 0) {
    sendingBody_ = false;
    if (OnSendEnd) OnSendEnd(this);
    return;
  }
  socket_->Send(piece, static_cast<std::int32_t>(n));
  if (OnSendData) OnSendData(this, piece, static_cast<int>(n));
}

// --- Relocation ---------------------------------------------------------------------------------

void THttpCli::LocationHeader(const std::string& value) {
  if (type_ == httpPUT || !FollowRelocation) {
    location_ = value;
    return;
  }
  v().LocationFlag = true;
  if (Proxy.empty()) {
    NextTarget(WithoutFragment(value));
  } else {
    ProxyTarget(WithoutFragment(value));
  }
}

// The next target without proxy: a path, a relative value or a full address.
void THttpCli::NextTarget(const std::string& value) {
  if (value.compare(0, 1, "/") == 0) {
    requestPath_ = value;
  } else if (!HasScheme(value)) {
    requestPath_ = PathBase(requestPath_) + value;
  } else {
    UrlParts u = SplitAddress(value);
    std::string port = u.Port.empty() ? "80" : u.Port;
    if (u.Host != targetHost_ || port != targetPort_) {
      curUsername_.clear();  // credentials of one host are never sent to another
      curPassword_.clear();
    }
    if (!u.User.empty() || !u.Pass.empty()) {
      curUsername_ = u.User;
      curPassword_ = u.Pass;
    }
    targetHost_ = connectHost_ = u.Host;
    targetPort_ = connectPort_ = port;
    protocol_ = u.Proto;
    requestPath_ = u.Path.empty() ? "/" : u.Path;
  }
  location_ = (protocol_.empty() ? "http" : protocol_) + "://" + targetHost_ +
              (targetPort_ == "80" || targetPort_.empty() ? "" : ":" + targetPort_) + requestPath_;
}

// The next target through a proxy: the full address sent to the proxy.
void THttpCli::ProxyTarget(const std::string& value) {
  UrlParts current = SplitAddress(requestPath_);
  std::string origin =
      current.Proto + "://" + current.Host + (current.Port.empty() ? "" : ":" + current.Port);
  std::string full;
  if (value.compare(0, 1, "/") == 0) {
    full = origin + value;
  } else if (!HasScheme(value)) {
    full = origin + PathBase(current.Path.empty() ? "/" : current.Path) + value;
  } else {
    UrlParts u = SplitAddress(value);
    if (u.Host != targetHost_) {
      curUsername_.clear();
      curPassword_.clear();
    }
    targetHost_ = u.Host;
    targetPort_ = u.Port.empty() ? "80" : u.Port;
    protocol_ = u.Proto;
    // The user name and password never go to the proxy inside the address.
    full = u.Proto + "://" + u.Host + (u.Port.empty() ? "" : ":" + u.Port) + (u.Path.empty() ? "/" : u.Path);
  }
  location_ = requestPath_ = full;
}

bool THttpCli::RelocationBudgetLeft() {
  ++locationChangeCurCount_;
  if (locationChangeCurCount_ <= LocationChangeMaxCount) return true;
  bool allowMore = false;
  if (OnLocationChangeExceeded) OnLocationChangeExceeded(this, locationChangeCurCount_, allowMore);
  return allowMore;
}

void THttpCli::StartRelocation() {
  parser_.ResetForRelocation();
  if (!RelocationBudgetLeft()) {
    v().LocationFlag = false;
    SetReady();
    socket_->CloseDelayed();
    return;
  }
  relocateOnClose_ = true;
  socket_->CloseDelayed();
}

void THttpCli::RelocationAfterClose() {
  relocateOnClose_ = false;
  std::size_t hash = location_.find('#');
  if (hash != std::string::npos) location_.erase(hash);
  v().DocumentName = DocumentNameFromPath(SplitAddress(location_).Path);
  v().LocationFlag = false;
  if (type_ == httpPOST) type_ = httpGET;
  if (!RelocationBudgetLeft()) {
    SetReady();
    return;
  }
  if (OnLocationChange) OnLocationChange(this);
  if (state_ == httpReady || state_ == httpAborting) return;  // aborted from the event
  parser_.ResetResponse();
  parser_.SetRequestType(type_);
  if (!Proxy.empty()) {
    UrlParts p = SplitAddress(Proxy.find("://") == std::string::npos ? "http://" + Proxy : Proxy);
    connectPort_ = p.Port.empty() ? ProxyPort : p.Port;
  }
  try {
    parser_.CutBackStream();
    if (SendStream != nullptr) SendStream->Seek(sendStart_);
  } catch (const EStreamError& e) {
    FailBeforeConnect(v().StatusCode, e.what(), httperrWriteFailed);
    return;
  }
  parser_.ResetForRelocation();
  platform::PostMessage(window_->Handle(), WM_HTTP_LOGIN, serial_);
}

// --- Connection closed, abort, ready ------------------------------------------------------------

void THttpCli::SocketSessionClosed(std::uint16_t error) {
  if (ignoreClose_) return;
  if (relocateOnClose_) {
    RelocationAfterClose();
    return;
  }
  ConnectionClosed(error);
}

void THttpCli::ConnectionClosed(std::uint16_t error) {
  if (error != 0) requestDoneError_ = error;
  bool checkComplete = state_ != httpAborting && state_ != httpReady && !readyPosted_;
  parser_.ConnectionClosed(checkComplete);
  if (v().LocationFlag && checkComplete) {
    RelocationAfterClose();
    return;
  }
  if (OnSessionClosed) OnSessionClosed(this);
  if (state_ != httpReady) SetReady();
}

void THttpCli::Abort() {
  if (state_ == httpReady) {
    state_ = httpAborting;
    if (socket_->State() != wsocket::wsClosed) {
      ignoreClose_ = true;
      socket_->Abort();
      ignoreClose_ = false;
    }
    v().StatusCode = 200;
    v().StatusText = "OK";
    requestDoneError_ = 0;
    state_ = httpReady;
    if (OnStateChange) OnStateChange(this);
    if (OnRequestDone) OnRequestDone(this, type_, requestDoneError_);
    return;
  }
  bool lookupRunning = state_ == httpDnsLookup;
  SetStateEvent(httpAborting);
  if (lookupRunning) {
    try {
      socket_->CancelDnsLookup();
    } catch (const std::exception&) {
    }
  }
  v().StatusCode = 404;
  v().StatusText = "Connection aborted on request";
  requestDoneError_ = httperrAborted;
  relocateOnClose_ = false;
  sendingBody_ = false;
  v().LocationFlag = false;
  parser_.Cancel();
  if (lookupRunning) {
    ConnectionClosed(0);
  } else {
    try {
      socket_->Close();
    } catch (const std::exception&) {
    }
  }
  // Ready at once: whatever was posted for this request is dropped.
  ++serial_;
  readyPosted_ = true;
  SetStateEvent(httpReady);
  platform::PostMessage(
      window_->Handle(), WM_HTTP_REQUEST_DONE, serial_,
      static_cast<std::intptr_t>(type_) | (static_cast<std::intptr_t>(requestDoneError_) << 8));
}

void THttpCli::SetReady() {
  readyPosted_ = true;
  platform::PostMessage(window_->Handle(), WM_HTTP_SET_READY, serial_);
}

void THttpCli::WndProc(platform::Message& msg) {
  if (msg.WParam != serial_) return;  // belongs to an earlier request
  switch (msg.Msg) {
    case WM_HTTP_SET_READY:
      if (state_ == httpReady) return;
      SetStateEvent(httpReady);
      platform::PostMessage(
          window_->Handle(), WM_HTTP_REQUEST_DONE, serial_,
          static_cast<std::intptr_t>(type_) | (static_cast<std::intptr_t>(requestDoneError_) << 8));
      break;
    case WM_HTTP_REQUEST_DONE:
      if (OnRequestDone) {
        OnRequestDone(this, static_cast<THttpRequest>(msg.LParam & 0xff),
                      static_cast<std::uint16_t>(msg.LParam >> 8));
      }
      break;
    case WM_HTTP_LOGIN:
      if (state_ != httpReady && state_ != httpAborting) Login();
      break;
    default:
      break;
  }
}

void THttpCli::CloseDelayed() {
  socket_->CloseDelayed();
}

void THttpCli::AbortConnection() {
  socket_->Abort();
}

// --- Response events ----------------------------------------------------------------------------

void THttpCli::HeaderBegin() {
  if (OnHeaderBegin) OnHeaderBegin(this);
}
void THttpCli::HeaderData() {
  if (OnHeaderData) OnHeaderData(this);
}
void THttpCli::HeaderEnd() {
  if (OnHeaderEnd) OnHeaderEnd(this);
}
void THttpCli::DocBegin() {
  if (OnDocBegin) OnDocBegin(this);
}
void THttpCli::DocData(const char* data, int len) {
  if (OnDocData) OnDocData(this, data, len);
}
void THttpCli::DocEnd() {
  if (OnDocEnd) OnDocEnd(this);
}
void THttpCli::CookieReceived(const std::string& data, bool& accept) {
  if (OnCookie) OnCookie(this, data, accept);
}
void THttpCli::DataPush(std::uint16_t errCode) {
  if (OnDataPush) OnDataPush(this, errCode);
}
void THttpCli::DataPush2() {
  if (OnDataPush2) OnDataPush2(this);
}

}  // namespace http
