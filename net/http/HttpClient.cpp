#include "net/http/HttpClient.h"

#include "net/http/UrlParts.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <thread>

namespace http {
namespace {

using net::BasicSocket;

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
  return error == HttpError::CutShort || error == HttpError::BadChunk || error == HttpError::HeaderTooLarge ||
         error == HttpError::BadStatusLine || error == HttpError::WriteFailed ||
         error == HttpError::NoResponse || error == HttpError::BadAddress;
}

}  // namespace

// The socket as the response side's byte source.
class HttpClient::SocketSource final : public ByteSource {
 public:
  explicit SocketSource(net::TcpSocket& socket) : socket_(socket) {}
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
  net::TcpSocket& socket_;
  bool lastReadFilled_ = false;
};

HttpClient::HttpClient(std::string name)
    : name_(std::move(name)),
      parser_(*this),
      window_(std::make_unique<platform::FunctionTarget>([this](platform::Message& m) { handleMessage(m); })),
      socket_(std::make_unique<net::TcpSocket>()) {
  source_ = std::make_unique<SocketSource>(*socket_);
  socket_->OnSessionConnected = [this](BasicSocket*, std::uint16_t e) { SocketSessionConnected(e); };
  socket_->OnSessionClosed = [this](BasicSocket*, std::uint16_t e) { SocketSessionClosed(e); };
  socket_->OnDataAvailable = [this](BasicSocket*, std::uint16_t e) { SocketDataAvailable(e); };
  socket_->OnDataSent = [this](BasicSocket*, std::uint16_t e) { SocketDataSent(e); };
  socket_->OnDnsLookupDone = [this](BasicSocket*, std::uint16_t e) { SocketDnsLookupDone(e); };
  socket_->OnError = [this](BasicSocket*) {
    if (OnSocketError) OnSocketError(this);
  };
  socket_->OnSocksConnected = [this](BasicSocket*, std::uint16_t e) {
    if (OnSocksConnected) OnSocksConnected(this, e);
  };
  socket_->OnSocksError = [this](BasicSocket*, std::int32_t e, const std::string& msg) {
    if (OnSocksError) OnSocksError(this, e, msg);
  };
}

HttpClient::~HttpClient() {
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

void HttpClient::SetRequestVer(const std::string& value) {
  if (value == requestVer_) return;
  if (value != "1.0" && value != "1.1") throw HttpException("Insupported HTTP version", 5);
  requestVer_ = value;
}

void HttpClient::SetOptions(HttpClientOptions value) {
  options_ = value;
  parser_.contentCoding().SetEnabled((value & HttpClientOption::EnableContentCoding) != 0);
  parser_.contentCoding().SetUseQuality((value & HttpClientOption::UseQuality) != 0);
}

void HttpClient::SetStateEvent(HttpState state) {
  state_ = state;
  if (OnStateChange) OnStateChange(this);
}

// --- Synchronous requests -----------------------------------------------------------------------

void HttpClient::Get() {
  locationChangeCurCount_ = 0;
  RequestSync(RequestType::Get);
}

void HttpClient::Head() {
  locationChangeCurCount_ = 0;
  RequestSync(RequestType::Head);
}

void HttpClient::Post() {
  locationChangeCurCount_ = 0;
  RequestSync(RequestType::Post);
}

void HttpClient::Put() {
  locationChangeCurCount_ = 0;
  RequestSync(RequestType::Put);
}

void HttpClient::Close() {
  RequestSync(RequestType::Close);
}

void HttpClient::RequestSync(RequestType type) {
  StartRequest(type);
  if (!MultiThreaded) {
    while (state_ != HttpState::Ready) {
      if (QCoreApplication::instance() == nullptr || QCoreApplication::closingDown()) {
        Abort();
        break;
      }
      platform::waitForMessage(1000);
    }
  } else {
    while (state_ != HttpState::Ready) {
      socket_->MessagePump();
      std::this_thread::yield();
    }
  }
  int code = v().StatusCode;
  if ((code > 399 && code != 401 && code != 407) || IsTransferFailure(requestDoneError_)) {
    throw HttpException(v().StatusText, code);
  }
}

// --- Request start ------------------------------------------------------------------------------

void HttpClient::StartRequest(RequestType type) {
  if (type == RequestType::Close) {
    ++serial_;
    readyPosted_ = false;
    type_ = type;
    v().StatusCode = 200;
    v().StatusText = "OK";
    SetStateEvent(HttpState::Closing);
    if (socket_->State() == net::SocketState::Closed) {
      SetReady();
    } else {
      socket_->CloseDelayed();
    }
    return;
  }
  if (state_ != HttpState::Ready) throw HttpException("HTTP component " + name_ + " is busy", 1);
  if ((type == RequestType::Post || type == RequestType::Put) && SendStream == nullptr) {
    throw HttpException("HTTP component has nothing to post or put", 2);
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

  if (socket_->State() == net::SocketState::Connected &&
      (connectHost_ != openHost_ || connectPort_ != openPort_ || protocol_ != openProto_)) {
    ignoreClose_ = true;
    socket_->Abort();
    ignoreClose_ = false;
  }
  SetStateEvent(HttpState::NotConnected);
  Login();
}

// Protocol, hosts, ports, request path and document name from URL and Proxy.
void HttpClient::SetTargets() {
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

void HttpClient::FailBeforeConnect(int status, const std::string& text, std::uint16_t error) {
  v().StatusCode = status;
  v().StatusText = text;
  requestDoneError_ = error;
  SetReady();
}

void HttpClient::Login() {
  // A host name from the address or a relocation goes into the Host field: never raw line breaks.
  if (!IsValidHostText(targetHost_) || !IsValidHostText(connectHost_)) {
    FailBeforeConnect(400, "Invalid host name in address", HttpError::BadAddress);
    return;
  }
  if (socket_->State() == net::SocketState::Connected) {
    SocketSessionConnected(0);
    return;
  }
  SetStateEvent(HttpState::DnsLookup);
  try {
    socket_->SetLocalAddr(LocalAddr);
    socket_->DnsLookup(connectHost_);
  } catch (const std::exception& e) {
    FailBeforeConnect(404, e.what(), requestDoneError_);
  }
}

void HttpClient::SocketDnsLookupDone(std::uint16_t error) {
  if (state_ != HttpState::DnsLookup) return;  // cancelled by Abort, or a late answer
  if (error != 0) {
    requestDoneError_ = error;
    v().StatusCode = 404;
    v().StatusText = "can't resolve hostname to IP address";
    ConnectionClosed(0);
    return;
  }
  SetStateEvent(HttpState::DnsLookupDone);
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
    socket_->setSocksAuthentication(socksAuthentication);
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
  if (socket_->State() == net::SocketState::Closed) ConnectFailed("can't connect: ");
}

void HttpClient::ConnectFailed(const std::string& prefix) {
  int error = socket_->LastError();
  requestDoneError_ = static_cast<std::uint16_t>(error);
  v().StatusCode = 404;
  v().StatusText = prefix + net::socketErrorText(error) + " (Error #" + std::to_string(error) + ")";
  socket_->Close();
  ConnectionClosed(0);
}

void HttpClient::SocketSessionConnected(std::uint16_t error) {
  if (state_ == HttpState::Aborting || state_ == HttpState::Ready) return;
  if (error != 0) {
    requestDoneError_ = error;
    v().StatusCode = 404;
    v().StatusText = net::socketErrorText(error) + " (Error #" + std::to_string(error) + ")";
    if (OnSessionConnected) OnSessionConnected(this);
    return;  // the socket reports the close next, which ends the request
  }
  v().LocationFlag = false;
  SetStateEvent(HttpState::Connected);
  if (OnSessionConnected) OnSessionConnected(this);
  if (state_ != HttpState::Connected) return;  // aborted from the event
  SetStateEvent(HttpState::WaitingHeader);
  static const char* kMethods[] = {"", "GET", "POST", "PUT", "HEAD", ""};
  try {
    SendRequest(kMethods[static_cast<int>(type_)], requestVer_);
  } catch (const std::exception&) {
    socket_->Close();
  }
}

// --- The request header -------------------------------------------------------------------------

std::vector<std::string> HttpClient::RequestLines(const std::string& method, const std::string& version) {
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
    if (type_ != RequestType::Head) add("Accept-Encoding: ", parser_.contentCoding().HeaderText());
    if (type_ == RequestType::Post || type_ == RequestType::Put) add("Content-Type: ", ContentTypePost);
  }
  add("User-Agent: ", Agent);
  lines.push_back("Host: " + targetHost_ +
                  (targetPort_ == "80" || targetPort_.empty() ? "" : ":" + targetPort_));
  if (NoCache) lines.push_back("Pragma: no-cache");
  add("Proxy-Connection: ", curProxyConnection_);
  if (connect) {
    lines.push_back("Content-Length: 0");
  } else if ((type_ == RequestType::Post || type_ == RequestType::Put) && SendStream != nullptr) {
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

void HttpClient::SendRequest(const std::string& method, const std::string& version) {
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
  if ((type_ == RequestType::Post || type_ == RequestType::Put) && method != "CONNECT") {
    sendingBody_ = true;
    if (OnSendBegin) OnSendBegin(this);
  }
}

// Reads on while each read fills what it asked for: one notification then drains the socket without
// asking the system how much is waiting between reads.
void HttpClient::SocketDataAvailable(std::uint16_t error) {
  do {
    source_->ForgetLastRead();
    parser_.DataAvailable(*source_, error);
  } while (source_->LastReadFilled() && socket_->State() == net::SocketState::Connected);
}

void HttpClient::SocketDataSent(std::uint16_t error) {
  if (sendingBody_ && error == 0) SendBodyPiece();
}

void HttpClient::SendBodyPiece() {
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

void HttpClient::LocationHeader(const std::string& value) {
  if (type_ == RequestType::Put || !FollowRelocation) {
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
void HttpClient::NextTarget(const std::string& value) {
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
void HttpClient::ProxyTarget(const std::string& value) {
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

bool HttpClient::RelocationBudgetLeft() {
  ++locationChangeCurCount_;
  if (locationChangeCurCount_ <= LocationChangeMaxCount) return true;
  bool allowMore = false;
  if (OnLocationChangeExceeded) OnLocationChangeExceeded(this, locationChangeCurCount_, allowMore);
  return allowMore;
}

void HttpClient::StartRelocation() {
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

void HttpClient::RelocationAfterClose() {
  relocateOnClose_ = false;
  std::size_t hash = location_.find('#');
  if (hash != std::string::npos) location_.erase(hash);
  v().DocumentName = DocumentNameFromPath(SplitAddress(location_).Path);
  v().LocationFlag = false;
  if (type_ == RequestType::Post) type_ = RequestType::Get;
  if (!RelocationBudgetLeft()) {
    SetReady();
    return;
  }
  if (OnLocationChange) OnLocationChange(this);
  if (state_ == HttpState::Ready || state_ == HttpState::Aborting) return;  // aborted from the event
  parser_.ResetResponse();
  parser_.SetRequestType(type_);
  if (!Proxy.empty()) {
    UrlParts p = SplitAddress(Proxy.find("://") == std::string::npos ? "http://" + Proxy : Proxy);
    connectPort_ = p.Port.empty() ? ProxyPort : p.Port;
  }
  try {
    parser_.CutBackStream();
    if (SendStream != nullptr) SendStream->Seek(sendStart_);
  } catch (const StreamError& e) {
    FailBeforeConnect(v().StatusCode, e.what(), HttpError::WriteFailed);
    return;
  }
  parser_.ResetForRelocation();
  platform::PostMessage(window_->Handle(), HttpClientMessage::Login, serial_);
}

// --- Connection closed, abort, ready ------------------------------------------------------------

void HttpClient::SocketSessionClosed(std::uint16_t error) {
  if (ignoreClose_) return;
  if (relocateOnClose_) {
    RelocationAfterClose();
    return;
  }
  ConnectionClosed(error);
}

void HttpClient::ConnectionClosed(std::uint16_t error) {
  if (error != 0) requestDoneError_ = error;
  bool checkComplete = state_ != HttpState::Aborting && state_ != HttpState::Ready && !readyPosted_;
  parser_.ConnectionClosed(checkComplete);
  if (v().LocationFlag && checkComplete) {
    RelocationAfterClose();
    return;
  }
  if (OnSessionClosed) OnSessionClosed(this);
  if (state_ != HttpState::Ready) SetReady();
}

void HttpClient::Abort() {
  if (state_ == HttpState::Ready) {
    state_ = HttpState::Aborting;
    if (socket_->State() != net::SocketState::Closed) {
      ignoreClose_ = true;
      socket_->Abort();
      ignoreClose_ = false;
    }
    v().StatusCode = 200;
    v().StatusText = "OK";
    requestDoneError_ = 0;
    state_ = HttpState::Ready;
    if (OnStateChange) OnStateChange(this);
    if (OnRequestDone) OnRequestDone(this, type_, requestDoneError_);
    return;
  }
  bool lookupRunning = state_ == HttpState::DnsLookup;
  SetStateEvent(HttpState::Aborting);
  if (lookupRunning) {
    try {
      socket_->CancelDnsLookup();
    } catch (const std::exception&) {
    }
  }
  v().StatusCode = 404;
  v().StatusText = "Connection aborted on request";
  requestDoneError_ = HttpError::Aborted;
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
  SetStateEvent(HttpState::Ready);
  platform::PostMessage(
      window_->Handle(), HttpClientMessage::RequestDone, serial_,
      static_cast<std::intptr_t>(type_) | (static_cast<std::intptr_t>(requestDoneError_) << 8));
}

void HttpClient::SetReady() {
  readyPosted_ = true;
  platform::PostMessage(window_->Handle(), HttpClientMessage::SetReady, serial_);
}

void HttpClient::handleMessage(platform::Message& msg) {
  if (msg.WParam != serial_) return;  // belongs to an earlier request
  switch (msg.id) {
    case HttpClientMessage::SetReady:
      if (state_ == HttpState::Ready) return;
      SetStateEvent(HttpState::Ready);
      platform::PostMessage(
          window_->Handle(), HttpClientMessage::RequestDone, serial_,
          static_cast<std::intptr_t>(type_) | (static_cast<std::intptr_t>(requestDoneError_) << 8));
      break;
    case HttpClientMessage::RequestDone:
      if (OnRequestDone) {
        OnRequestDone(this, static_cast<RequestType>(msg.LParam & 0xff),
                      static_cast<std::uint16_t>(msg.LParam >> 8));
      }
      break;
    case HttpClientMessage::Login:
      if (state_ != HttpState::Ready && state_ != HttpState::Aborting) Login();
      break;
    default:
      break;
  }
}

void HttpClient::CloseDelayed() {
  socket_->CloseDelayed();
}

void HttpClient::AbortConnection() {
  socket_->Abort();
}

// --- Response events ----------------------------------------------------------------------------

void HttpClient::HeaderBegin() {
  if (OnHeaderBegin) OnHeaderBegin(this);
}
void HttpClient::HeaderData() {
  if (OnHeaderData) OnHeaderData(this);
}
void HttpClient::HeaderEnd() {
  if (OnHeaderEnd) OnHeaderEnd(this);
}
void HttpClient::DocBegin() {
  if (OnDocBegin) OnDocBegin(this);
}
void HttpClient::DocData(const char* data, int len) {
  if (OnDocData) OnDocData(this, data, len);
}
void HttpClient::DocEnd() {
  if (OnDocEnd) OnDocEnd(this);
}
void HttpClient::CookieReceived(const std::string& data, bool& accept) {
  if (OnCookie) OnCookie(this, data, accept);
}
void HttpClient::DataPush(std::uint16_t errCode) {
  if (OnDataPush) OnDataPush(this, errCode);
}
void HttpClient::DataPush2() {
  if (OnDataPush2) OnDataPush2(this);
}

}  // namespace http
