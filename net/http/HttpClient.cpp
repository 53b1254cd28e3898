#include "net/http/HttpClient.h"

#include "common/Text.h"
#include "net/http/UrlParts.h"
#include "platform/SynchronousWait.h"

#include <QTimer>

#include <algorithm>
#include <cctype>

namespace http {
namespace {

using net::BasicSocket;

// "scheme://" at the start of a relocation value, the scheme made of letters, digits, "+", "-", ".".
bool hasScheme(const std::string& value) {
  std::size_t sep = value.find("://");
  if (sep == std::string::npos || sep == 0 || !std::isalpha(static_cast<unsigned char>(value[0])))
    return false;
  return std::all_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(sep), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

// A fragment ("#" and what follows) names a part of a document and never goes to a server.
std::string withoutFragment(const std::string& address) {
  return address.substr(0, address.find('#'));
}

// The path up to and including its last "/" or ":" before any "?".
std::string pathBase(const std::string& path) {
  std::string p = path.substr(0, path.find('?'));
  std::size_t last = p.find_last_of("/:");
  return last == std::string::npos ? "/" : p.substr(0, last + 1);
}

std::string httpDate(std::time_t t) {
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

// The port a scheme uses when the address names none.
std::string defaultPort(const std::string& protocol) {
  return protocol == "https" ? "443" : "80";
}

// A time limit as the messages give it: "60 s", or "250 ms" for the short ones of tests.
std::string durationText(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

bool isTransferFailure(std::uint16_t error) {
  return error == HttpError::CutShort || error == HttpError::BadChunk || error == HttpError::HeaderTooLarge ||
         error == HttpError::BadStatusLine || error == HttpError::WriteFailed ||
         error == HttpError::NoResponse || error == HttpError::BadAddress ||
         error == HttpError::HeaderLineTooLong || error == HttpError::BadLength ||
         error == HttpError::ConnectFailed || error == HttpError::TlsFailed ||
         error == HttpError::TunnelRefused || error == HttpError::TimedOut;
}

}  // namespace

// The socket as the response side's byte source.
class HttpClient::SocketSource final : public ByteSource {
 public:
  explicit SocketSource(net::TcpSocket& socket) : socket_(socket) {}
  int receive(void* buffer, int size) override {
    int n = socket_.receive(buffer, size);
    lastReadFilled_ = n > 0 && n == size;
    return n;
  }
  // True when the last read took all it asked for, so more bytes are probably waiting.
  bool lastReadFilled() const { return lastReadFilled_; }
  void forgetLastRead() { lastReadFilled_ = false; }

 private:
  net::TcpSocket& socket_;
  bool lastReadFilled_ = false;
};

// The TLS session as the response side's byte source: plaintext out of the ciphertext the socket holds.
// It reads the socket only when the session needs more, and only as much as the session will take.
class HttpClient::TlsSource final : public ByteSource {
 public:
  TlsSource(HttpClient& client) : client_(client), cipher_(tls::kMaxPendingInput) {}
  int receive(void* buffer, int size) override {
    gotData_ = false;
    tls::TlsSession* session = client_.tls_.get();
    if (session == nullptr) return -1;
    for (;;) {
      const int n = session->read(static_cast<char*>(buffer), size);
      client_.flushTls();  // a session message (a new key, a ticket) may want an answer
      if (n > 0) {
        gotData_ = true;
        return n;
      }
      if (n < 0) return session->state() == tls::TlsState::Closed ? 0 : -1;
      if (pullCipher() <= 0) return -1;
    }
  }
  // Reads what the socket holds, as much as the session takes; the count, 0 or below when nothing came.
  int pullCipher() {
    tls::TlsSession* session = client_.tls_.get();
    if (session == nullptr) return -1;
    const std::size_t room =
        tls::kMaxPendingInput - std::min(tls::kMaxPendingInput, session->bufferedInput());
    if (room == 0) return 0;
    const int n = client_.socket_->receive(cipher_.data(), static_cast<int>(room));
    if (n > 0) session->feed(cipher_.data(), static_cast<std::size_t>(n));
    return n;
  }
  // True when the last receive brought plaintext, so more may be waiting in the session.
  bool gotData() const { return gotData_; }
  void forget() { gotData_ = false; }

 private:
  HttpClient& client_;
  std::vector<char> cipher_;
  bool gotData_ = false;
};

HttpClient::HttpClient(std::string name)
    : name_(std::move(name)),
      parser_(*this),
      mailbox_(std::make_unique<platform::Mailbox<Step>>([this](Step& step) { handleStep(step); })),
      socket_(std::make_unique<net::TcpSocket>()),
      limitTimer_(std::make_unique<QTimer>()) {
  limitTimer_->setSingleShot(true);
  QObject::connect(limitTimer_.get(), &QTimer::timeout, [this] { limitReached(); });
  source_ = std::make_unique<SocketSource>(*socket_);
  tlsSource_ = std::make_unique<TlsSource>(*this);
  socket_->onSessionConnected = [this](BasicSocket*, std::uint16_t e) { socketSessionConnected(e); };
  socket_->onSessionClosed = [this](BasicSocket*, std::uint16_t e) { socketSessionClosed(e); };
  socket_->onDataAvailable = [this](BasicSocket*, std::uint16_t e) { socketDataAvailable(e); };
  socket_->onDataSent = [this](BasicSocket*, std::uint16_t e) { socketDataSent(e); };
  socket_->onDnsLookupDone = [this](BasicSocket*, std::uint16_t e) { socketDnsLookupDone(e); };
  socket_->onError = [this](BasicSocket*) {
    if (onSocketError) onSocketError(this);
  };
  socket_->onSocksConnected = [this](BasicSocket*, std::uint16_t e) {
    if (e != 0) socksFailure_ = "can't reach the SOCKS proxy: ";
    if (onSocksConnected) onSocksConnected(this, e);
  };
  socket_->onSocksError = [this](BasicSocket*, std::int32_t e, const std::string& msg) {
    socksFailure_ = "SOCKS proxy: " + msg;
    if (onSocksError) onSocksError(this, e, msg);
  };
}

HttpClient::~HttpClient() {
  limitTimer_.reset();
  socket_->onSessionConnected = nullptr;
  socket_->onSessionClosed = nullptr;
  socket_->onDataAvailable = nullptr;
  socket_->onDataSent = nullptr;
  socket_->onDnsLookupDone = nullptr;
  socket_->onError = nullptr;
  socket_->onSocksConnected = nullptr;
  socket_->onSocksError = nullptr;
  socket_.reset();
}

// --- Properties ---------------------------------------------------------------------------------

void HttpClient::setRequestVer(const std::string& value) {
  if (value == requestVer_) return;
  if (value != "1.0" && value != "1.1") throw HttpException("Insupported HTTP version", 5);
  requestVer_ = value;
}

void HttpClient::setOptions(HttpClientOptions value) {
  options_ = value;
  parser_.contentCoding().setEnabled((value & HttpClientOption::EnableContentCoding) != 0);
  parser_.contentCoding().setUseQuality((value & HttpClientOption::UseQuality) != 0);
}

void HttpClient::setStateEvent(HttpState state) {
  state_ = state;
  if (state == HttpState::Ready || state == HttpState::Aborting) stopLimit();
  // The response side reads a response only between these two moments.
  if (state == HttpState::WaitingHeader) parser_.expectResponse();
  if (state == HttpState::Ready) parser_.requestEnded();
  if (onStateChange) onStateChange(this);
}

// --- Synchronous requests -----------------------------------------------------------------------

void HttpClient::get() {
  locationChangeCurCount_ = 0;
  requestSync(RequestType::Get);
}

void HttpClient::head() {
  locationChangeCurCount_ = 0;
  requestSync(RequestType::Head);
}

void HttpClient::post() {
  locationChangeCurCount_ = 0;
  requestSync(RequestType::Post);
}

void HttpClient::put() {
  locationChangeCurCount_ = 0;
  requestSync(RequestType::Put);
}

void HttpClient::close() {
  requestSync(RequestType::Close);
}

// The one synchronous wait of the client, for its blocking callers only: the asynchronous start and
// onRequestDone never come here. Either setting of multiThreaded dispatches the calling thread's events.
void HttpClient::requestSync(RequestType type) {
  startRequest(type);
  const auto ready = [this] { return state_ == HttpState::Ready; };
  if (platform::waitSynchronously(ready, -1) == platform::WaitOutcome::Closing && !ready()) abort();
  int code = v().statusCode;
  if ((code > 399 && code != 401 && code != 407) || isTransferFailure(requestDoneError_)) {
    throw HttpException(v().statusText, code);
  }
}

// --- Request start ------------------------------------------------------------------------------

void HttpClient::getAsync() {
  locationChangeCurCount_ = 0;
  startRequest(RequestType::Get);
}

void HttpClient::startRequest(RequestType type) {
  if (type == RequestType::Close) {
    ++serial_;
    readyPosted_ = false;
    type_ = type;
    v().statusCode = 200;
    v().statusText = "OK";
    setStateEvent(HttpState::Closing);
    if (socket_->state() == net::SocketState::Closed) {
      setReady();
    } else {
      socket_->closeDelayed();
    }
    return;
  }
  if (state_ != HttpState::Ready) throw HttpException("HTTP component " + name_ + " is busy", 1);
  if ((type == RequestType::Post || type == RequestType::Put) && sendStream == nullptr) {
    throw HttpException("HTTP component has nothing to post or put", 2);
  }
  ++serial_;
  readyPosted_ = false;
  relocateOnClose_ = false;
  sendingBody_ = false;
  type_ = type;
  parser_.beginRequest(type, requestVer_);
  requestDoneError_ = 0;
  location_ = url;
  curUsername_ = username;
  curPassword_ = password;
  curConnection_ = connection;
  curProxyConnection_ = proxyConnection;
  if (sendStream != nullptr) sendStart_ = sendStream->position();
  setTargets();

  if (socket_->state() == net::SocketState::Connected &&
      (connectHost_ != openHost_ || connectPort_ != openPort_ || protocol_ != openProto_ ||
       (tunnelled() && targetHost_ + ":" + targetPort_ != openTarget_))) {
    ignoreClose_ = true;
    socket_->abort();
    ignoreClose_ = false;
  }
  setStateEvent(HttpState::NotConnected);
  login();
}

// Protocol, hosts, ports, request path and document name from url and proxy.
void HttpClient::setTargets() {
  UrlParts u = splitAddress(withoutFragment(url));
  if (!u.user.empty() || !u.pass.empty()) {
    curUsername_ = u.user;
    curPassword_ = u.pass;
  }
  protocol_ = u.proto.empty() ? "http" : u.proto;
  targetHost_ = u.host;
  targetPort_ = u.port.empty() ? defaultPort(protocol_) : u.port;
  if (!proxy.empty()) {
    requestPath_ =
        protocol_ + "://" + u.host + (u.port.empty() ? "" : ":" + u.port) + (u.path.empty() ? "/" : u.path);
    UrlParts p = splitAddress(proxy.find("://") == std::string::npos ? "http://" + proxy : proxy);
    connectHost_ = p.host;
    connectPort_ = p.port.empty() ? proxyPort : p.port;
  } else {
    requestPath_ = u.path;
    connectHost_ = targetHost_;
    connectPort_ = targetPort_;
  }
  if (requestPath_.empty()) requestPath_ = "/";
  v().documentName = documentNameFromPath(u.path);
}

void HttpClient::failBeforeConnect(int status, const std::string& text, std::uint16_t error) {
  v().statusCode = status;
  v().statusText = text;
  requestDoneError_ = error;
  setReady();
}

void HttpClient::login() {
  // A host name from the address or a relocation goes into the Host field: never raw line breaks.
  if (!isValidHostText(targetHost_) || !isValidHostText(connectHost_)) {
    failBeforeConnect(400, "Invalid host name in address", HttpError::BadAddress);
    return;
  }
  if (socket_->state() == net::SocketState::Connected) {
    socketSessionConnected(0);
    return;
  }
  startLimit(Limit::Connect);
  setStateEvent(HttpState::DnsLookup);
  socksAddress_.clear();
  lookUpNext();
}

// The names are looked up one after the other, each without blocking: a SOCKS proxy's name first (the
// socket is given its address), then the target's. SOCKS 4A and 5 proxies take the target's name and
// look it up themselves: no lookup here, so that a name only the proxy's side knows still works and
// nothing about the target leaks to local DNS.
void HttpClient::lookUpNext() {
  const std::string socks = common::trim(socksServer);
  lookingUpSocks_ = !socks.empty() && socksAddress_.empty();
  if (!lookingUpSocks_ && !socks.empty() && socksLevel != "4") {
    connectTo(connectHost_);
    return;
  }
  try {
    socket_->setLocalAddr(localAddr);
    socket_->dnsLookup(lookingUpSocks_ ? socks : connectHost_);
  } catch (const std::exception& e) {
    failBeforeConnect(404, e.what(), requestDoneError_);
  }
}

void HttpClient::socketDnsLookupDone(std::uint16_t error) {
  if (state_ != HttpState::DnsLookup) return;  // cancelled by abort(), or a late answer
  if (error != 0) {
    requestDoneError_ = error;
    v().statusCode = 404;
    v().statusText = lookingUpSocks_ ? "can't resolve the SOCKS proxy's hostname to IP address"
                                     : "can't resolve hostname to IP address";
    connectionClosed(0);
    return;
  }
  if (lookingUpSocks_) {
    socksAddress_ = socket_->dnsResult();
    lookUpNext();
    return;
  }
  connectTo(socket_->dnsResult());
}

void HttpClient::connectTo(const std::string& address) {
  setStateEvent(HttpState::DnsLookupDone);
  socksFailure_.clear();
  try {
    socket_->setAddr(address);
    socket_->setLocalAddr(localAddr);
    socket_->setPort(connectPort_);
    socket_->setProto("tcp");
    socket_->setSocksServer(socksAddress_);  // empty without a SOCKS proxy
    socket_->setSocksLevel(socksLevel);
    socket_->setSocksPort(socksPort);
    socket_->setSocksUsercode(socksUsercode);
    socket_->setSocksPassword(socksPassword);
    socket_->setSocksAuthentication(socksAuthentication);
  } catch (const std::exception& e) {
    connectFailed(std::string("can't connect: ") + e.what());
    return;
  }
  openHost_ = connectHost_;
  openPort_ = connectPort_;
  openProto_ = protocol_;
  openTarget_ = targetHost_ + ":" + targetPort_;
  link_ = Link::Plain;
  tls_.reset();
  if (protocol_ != "http" && protocol_ != "https") {
    requestDoneError_ = static_cast<std::uint16_t>(socket_->lastError());
    v().statusCode = 501;
    v().statusText = "Protocol \"" + protocol_ + "\" not implemented";
    socket_->close();
    connectionClosed(0);
    return;
  }
  socket_->setLastError(0);
  try {
    socket_->connect();
  } catch (const std::exception&) {
  }
  // With onError assigned, a failing connect() reports through lastError and leaves the socket closed.
  if (socket_->state() == net::SocketState::Closed) connectFailed("can't connect: ");
}

// A socket error has a number and its text; a refusal of the settings (a SOCKS user code too long,
// say) has only its own words, which are what the user needs to see.
void HttpClient::connectFailed(const std::string& prefix) {
  int error = socket_->lastError();
  const std::string& refusal = socket_->lastRaisedMessage();
  v().statusCode = 404;
  if (error == 0 && !refusal.empty()) {
    requestDoneError_ = HttpError::ConnectFailed;
    v().statusText = prefix + refusal;
  } else {
    requestDoneError_ = static_cast<std::uint16_t>(error);
    v().statusText = prefix + net::socketErrorText(error) + " (Error #" + std::to_string(error) + ")";
  }
  socket_->close();
  connectionClosed(0);
}

void HttpClient::socketSessionConnected(std::uint16_t error) {
  if (state_ == HttpState::Aborting || state_ == HttpState::Ready) return;
  if (error != 0) {
    requestDoneError_ = error;
    v().statusCode = 404;
    // A SOCKS proxy's refusal is told in its own words ("connection refused" by the proxy is not the
    // same as a refused connection to the proxy).
    const bool socksReason = socksFailure_.rfind("SOCKS proxy: ", 0) == 0;
    v().statusText = (socksReason ? socksFailure_ : socksFailure_ + net::socketErrorText(error)) +
                     " (Error #" + std::to_string(error) + ")";
    if (onSessionConnected) onSessionConnected(this);
    return;  // the socket reports the close next, which ends the request
  }
  v().locationFlag = false;
  setStateEvent(HttpState::Connected);
  if (onSessionConnected) onSessionConnected(this);
  if (state_ != HttpState::Connected) return;  // aborted from the event
  if (protocol_ != "https" || (link_ == Link::Tls && tls_ && tls_->state() == tls::TlsState::Open)) {
    sendFirstRequest();
    return;
  }
  if (tunnelled()) {
    // The proxy is asked for a tunnel to the target; TLS runs inside it once it stands.
    setStateEvent(HttpState::WaitingProxyConnect);
    link_ = Link::ProxyConnect;
    connectReply_.reset();
    if (requestVer_ == "1.0" || v().responseVer == "1.0" || v().responseVer.empty())
      curProxyConnection_ = "Keep-Alive";
    try {
      sendRequest("CONNECT", requestVer_);
    } catch (const std::exception&) {
      socket_->close();
    }
    return;
  }
  startTls();
}

void HttpClient::sendFirstRequest() {
  startLimit(Limit::Idle);
  setStateEvent(HttpState::WaitingHeader);
  static const char* kMethods[] = {"", "GET", "POST", "PUT", "HEAD", ""};
  try {
    sendRequest(kMethods[static_cast<int>(type_)], requestVer_);
  } catch (const std::exception&) {
    socket_->close();
  }
}

// The connection stands (directly, through SOCKS or through the proxy's tunnel): the TLS handshake with
// the target begins.
void HttpClient::startTls() {
  startLimit(Limit::Handshake);
  link_ = Link::TlsHandshake;
  tls_ = std::make_unique<tls::TlsSession>();
  const tls::TlsResult result = tls_->start(targetHost_);
  flushTls();
  if (result == tls::TlsResult::Failed) {
    failLink(HttpError::TlsFailed, tls_->errorText());
    return;
  }
  // Bytes that came after the proxy's answer belong to the handshake.
  if (tls_->hasPendingInput()) advanceHandshake();
}

void HttpClient::advanceHandshake() {
  for (;;) {
    const tls::TlsResult result = tls_->handshake();
    flushTls();
    if (result == tls::TlsResult::Failed) {
      failLink(HttpError::TlsFailed, tls_->errorText());
      return;
    }
    if (result == tls::TlsResult::Done) break;
    if (tlsSource_->pullCipher() <= 0) return;  // the next read notification goes on
  }
  link_ = Link::Tls;
  sendFirstRequest();
}

// The answer to CONNECT: a 2xx opens the tunnel, anything else ends the request with the proxy's words.
void HttpClient::readProxyReply() {
  char piece[1024];
  while (connectReply_.status() == ConnectReply::Status::Incomplete) {
    const int n = socket_->receive(piece, sizeof piece);
    if (n <= 0) return;
    const std::size_t taken = connectReply_.take(piece, static_cast<std::size_t>(n));
    if (connectReply_.status() == ConnectReply::Status::Failed) {
      failLink(HttpError::TunnelRefused, "HTTP proxy: " + connectReply_.errorText());
      return;
    }
    if (connectReply_.status() != ConnectReply::Status::Complete) continue;
    const int code = connectReply_.statusCode();
    if (code < 200 || code > 299) {
      failLink(HttpError::TunnelRefused, "HTTP proxy refused the tunnel to " + targetHost_ + ":" +
                                             targetPort_ + ": " + std::to_string(code) + " " +
                                             connectReply_.statusText());
      v().statusCode = code;
      return;
    }
    startTls();
    if (tls_ && taken < static_cast<std::size_t>(n)) {
      tls_->feed(piece + taken, static_cast<std::size_t>(n) - taken);
      if (link_ == Link::TlsHandshake) advanceHandshake();
    }
    return;
  }
}

// Ends the request before any HTTP answer: the connection is dropped and the request is over with `text`.
void HttpClient::failLink(std::uint16_t error, const std::string& text) {
  v().statusCode = 404;
  v().statusText = text;
  requestDoneError_ = error;
  link_ = Link::Plain;
  if (socket_->state() != net::SocketState::Closed) {
    ignoreClose_ = true;
    socket_->abort();
    ignoreClose_ = false;
  }
  connectionClosed(0);
}

void HttpClient::flushTls() {
  if (!tls_ || !tls_->hasOutput()) return;
  const std::string out = tls_->takeOutput();
  socket_->send(out.data(), static_cast<std::int32_t>(out.size()));
}

void HttpClient::sendBytes(const char* data, std::size_t size) {
  if (link_ != Link::Tls) {
    socket_->send(data, static_cast<std::int32_t>(size));
    return;
  }
  if (!tls_->write(data, size)) {
    failLink(HttpError::TlsFailed, tls_->errorText());
    return;
  }
  flushTls();
}

// --- The request header -------------------------------------------------------------------------

std::vector<std::string> HttpClient::requestLines(const std::string& method, const std::string& version) {
  std::vector<std::string> lines;
  bool connect = method == "CONNECT";
  auto add = [&](const std::string& name, const std::string& value) {
    if (!value.empty()) lines.push_back(name + value);
  };
  if (connect) {
    lines.push_back(method + " " + targetHost_ + ":" + targetPort_ + " HTTP/" + version);
  } else {
    // Inside a proxy's tunnel the target server gets the path alone, as without a proxy.
    const std::string target = tunnelled() ? splitAddress(requestPath_).path : requestPath_;
    lines.push_back(method + " " + encodeRequestTarget(target.empty() ? "/" : target) + " HTTP/" + version);
    add("From: ", sender);
    add("Accept: ", accept);
    add("Referer: ", reference);
    add("Connection: ", curConnection_);
    add("Accept-Language: ", acceptLanguage);
    if (type_ != RequestType::Head) add("Accept-Encoding: ", parser_.contentCoding().headerText());
    if (type_ == RequestType::Post || type_ == RequestType::Put) add("Content-Type: ", contentTypePost);
  }
  add("User-Agent: ", agent);
  lines.push_back(
      "Host: " + targetHost_ +
      (!connect && (targetPort_ == defaultPort(protocol_) || targetPort_.empty()) ? "" : ":" + targetPort_));
  if (noCache && !connect) lines.push_back("Pragma: no-cache");
  if (!tunnelled() || connect) add("Proxy-Connection: ", curProxyConnection_);
  if (connect) {
    lines.push_back("Content-Length: 0");
  } else if ((type_ == RequestType::Post || type_ == RequestType::Put) && sendStream != nullptr) {
    lines.push_back("Content-Length: " + std::to_string(sendStream->size() - sendStream->position()));
  }
  if (connect) return lines;  // the request's own fields go to the target only, inside the tunnel
  if (modifiedSince != 0) lines.push_back("If-Modified-Since: " + httpDate(modifiedSince));
  add("Cookie: ", cookie);
  std::string& rangeBegin = v().contentRangeBegin;
  std::string& rangeEnd = v().contentRangeEnd;
  if (!rangeBegin.empty() || !rangeEnd.empty()) {
    lines.push_back("Range: bytes=" + rangeBegin + "-" + rangeEnd);
    rangeBegin.clear();
    rangeEnd.clear();
  }
  return lines;
}

void HttpClient::sendRequest(const std::string& method, const std::string& version) {
  if (onRequestHeaderBegin) onRequestHeaderBegin(this);
  std::vector<std::string> lines = requestLines(method, version);
  if (onBeforeHeaderSend) onBeforeHeaderSend(this, method, lines);
  std::string buffer;
  for (std::string& line : lines) {
    if (onCommand) onCommand(this, line);
    buffer += line + "\r\n";
  }
  if (onRequestHeaderEnd) onRequestHeaderEnd(this);
  buffer += "\r\n";
  sendBytes(buffer.data(), buffer.size());
  if ((type_ == RequestType::Post || type_ == RequestType::Put) && method != "CONNECT") {
    sendingBody_ = true;
    if (onSendBegin) onSendBegin(this);
  }
}

// Reads on while each read fills what it asked for: one notification then drains the socket without
// asking the system how much is waiting between reads.
void HttpClient::socketDataAvailable(std::uint16_t error) {
  if (limit_ == Limit::Idle) startLimit(Limit::Idle);  // a byte came: the idle time starts again
  switch (link_) {
    case Link::ProxyConnect:
      readProxyReply();
      return;
    case Link::TlsHandshake:
      advanceHandshake();
      if (link_ != Link::Tls) return;
      break;  // the answer may have come with the last handshake bytes
    case Link::Tls:
      break;
    case Link::Plain:
      do {
        source_->forgetLastRead();
        parser_.dataAvailable(*source_, error);
      } while (source_->lastReadFilled() && socket_->state() == net::SocketState::Connected);
      return;
  }
  // Plaintext may wait inside the session with the socket empty: read until the session needs more.
  do {
    tlsSource_->forget();
    parser_.dataAvailable(*tlsSource_, error);
  } while (tlsSource_->gotData() && link_ == Link::Tls && socket_->state() == net::SocketState::Connected);
  if (link_ == Link::Tls && tls_ && tls_->state() == tls::TlsState::Closed) endAtTlsClose();
}

// The peer ended the TLS session in order (close_notify): a response that runs until the connection's end
// ends here, whether or not the TCP close follows.
void HttpClient::endAtTlsClose() {
  link_ = Link::Plain;
  if (state_ == HttpState::Ready || state_ == HttpState::Aborting || readyPosted_) return;
  ignoreClose_ = true;
  socket_->abort();
  ignoreClose_ = false;
  connectionClosed(0);
}

void HttpClient::socketDataSent(std::uint16_t error) {
  if (limit_ == Limit::Idle) startLimit(Limit::Idle);
  if (sendingBody_ && error == 0) sendBodyPiece();
}

void HttpClient::sendBodyPiece() {
  char piece[8192];
  std::size_t n = sendStream != nullptr ? sendStream->read(piece, sizeof piece) : 0;
  if (n == 0) {
    sendingBody_ = false;
    if (onSendEnd) onSendEnd(this);
    return;
  }
  sendBytes(piece, n);
  if (onSendData) onSendData(this, piece, static_cast<int>(n));
}

// --- Relocation ---------------------------------------------------------------------------------

bool HttpClient::locationHeader(const std::string& value) {
  if (type_ == RequestType::Put || !followRelocation) {
    location_ = value;
    return false;
  }
  if (proxy.empty()) {
    nextTarget(withoutFragment(value));
  } else {
    proxyTarget(withoutFragment(value));
  }
  return true;
}

// The next target without proxy: a path, a relative value or a full address.
void HttpClient::nextTarget(const std::string& given) {
  // "//host/path" names another server with the current scheme.
  const std::string value =
      given.compare(0, 2, "//") == 0 ? (protocol_.empty() ? "http" : protocol_) + ":" + given : given;
  if (value.compare(0, 1, "/") == 0) {
    requestPath_ = value;
  } else if (!hasScheme(value)) {
    requestPath_ = pathBase(requestPath_) + value;
  } else {
    UrlParts u = splitAddress(value);
    std::string port = u.port.empty() ? defaultPort(u.proto) : u.port;
    if (u.host != targetHost_ || port != targetPort_) {
      curUsername_.clear();  // credentials of one host are never sent to another
      curPassword_.clear();
    }
    if (!u.user.empty() || !u.pass.empty()) {
      curUsername_ = u.user;
      curPassword_ = u.pass;
    }
    targetHost_ = connectHost_ = u.host;
    targetPort_ = connectPort_ = port;
    protocol_ = u.proto;
    requestPath_ = u.path.empty() ? "/" : u.path;
  }
  if (protocol_.empty()) protocol_ = "http";
  location_ = protocol_ + "://" + targetHost_ +
              (targetPort_ == defaultPort(protocol_) || targetPort_.empty() ? "" : ":" + targetPort_) +
              requestPath_;
}

// The next target through a proxy: the full address sent to the proxy.
void HttpClient::proxyTarget(const std::string& given) {
  UrlParts current = splitAddress(requestPath_);
  const std::string value = given.compare(0, 2, "//") == 0 ? current.proto + ":" + given : given;
  std::string origin =
      current.proto + "://" + current.host + (current.port.empty() ? "" : ":" + current.port);
  std::string full;
  if (value.compare(0, 1, "/") == 0) {
    full = origin + value;
  } else if (!hasScheme(value)) {
    full = origin + pathBase(current.path.empty() ? "/" : current.path) + value;
  } else {
    UrlParts u = splitAddress(value);
    if (u.host != targetHost_) {
      curUsername_.clear();
      curPassword_.clear();
    }
    targetHost_ = u.host;
    targetPort_ = u.port.empty() ? defaultPort(u.proto) : u.port;
    protocol_ = u.proto;
    // The user name and password never go to the proxy inside the address.
    full = u.proto + "://" + u.host + (u.port.empty() ? "" : ":" + u.port) + (u.path.empty() ? "/" : u.path);
  }
  location_ = requestPath_ = full;
}

bool HttpClient::relocationBudgetLeft() {
  ++locationChangeCurCount_;
  if (locationChangeCurCount_ <= locationChangeMaxCount) return true;
  bool allowMore = false;
  if (onLocationChangeExceeded) onLocationChangeExceeded(this, locationChangeCurCount_, allowMore);
  return allowMore;
}

void HttpClient::startRelocation() {
  parser_.resetForRelocation();
  if (!relocationBudgetLeft()) {
    v().locationFlag = false;
    setReady();
    socket_->closeDelayed();
    return;
  }
  relocateOnClose_ = true;
  socket_->closeDelayed();
}

void HttpClient::relocationAfterClose() {
  relocateOnClose_ = false;
  std::size_t hash = location_.find('#');
  if (hash != std::string::npos) location_.erase(hash);
  v().documentName = documentNameFromPath(splitAddress(location_).path);
  v().locationFlag = false;
  if (type_ == RequestType::Post) type_ = RequestType::Get;
  if (!relocationBudgetLeft()) {
    setReady();
    return;
  }
  if (onLocationChange) onLocationChange(this);
  if (state_ == HttpState::Ready || state_ == HttpState::Aborting) return;  // aborted from the event
  parser_.resetResponse();
  parser_.setRequestType(type_);
  if (!proxy.empty()) {
    UrlParts p = splitAddress(proxy.find("://") == std::string::npos ? "http://" + proxy : proxy);
    connectPort_ = p.port.empty() ? proxyPort : p.port;
  }
  try {
    parser_.cutBackStream();
    if (sendStream != nullptr) sendStream->seek(sendStart_);
  } catch (const StreamError& e) {
    failBeforeConnect(v().statusCode, e.what(), HttpError::WriteFailed);
    return;
  }
  parser_.resetForRelocation();
  mailbox_->post(LoginStep{serial_});
}

// --- Connection closed, abort, ready ------------------------------------------------------------

void HttpClient::socketSessionClosed(std::uint16_t error) {
  if (ignoreClose_) return;
  const Link link = link_;
  link_ = Link::Plain;
  if (!relocateOnClose_ && state_ != HttpState::Ready && state_ != HttpState::Aborting && !readyPosted_) {
    // A connection that ends before the tunnel or the TLS session stands ends the request with that.
    if (link == Link::ProxyConnect) {
      failLink(HttpError::TunnelRefused, "HTTP proxy closed the connection before it answered CONNECT");
      return;
    }
    if (link == Link::TlsHandshake && tls_) {
      tls_->peerClosed();
      failLink(HttpError::TlsFailed, tls_->errorText());
      return;
    }
  }
  if (relocateOnClose_) {
    relocationAfterClose();
    return;
  }
  // Inside TLS only the session's own close (close_notify) ends a body in order: a bare TCP close may be
  // anyone's, and cuts a body that runs until the end.
  const bool withoutTlsClose =
      link == Link::Tls && tls_ && tls_->state() == tls::TlsState::Open && error == 0;
  connectionClosed(error, withoutTlsClose ? "closed without the TLS close" : "");
}

void HttpClient::connectionClosed(std::uint16_t error, const std::string& given) {
  if (error != 0) requestDoneError_ = error;
  bool checkComplete = state_ != HttpState::Aborting && state_ != HttpState::Ready && !readyPosted_;
  std::string failure = given;  // how a connection that did not close in order ended
  if (failure.empty() && error == net::SocketError::ConnectionReset) {
    failure = "was reset";
  } else if (failure.empty() && error != 0) {
    failure = "failed: " + net::socketErrorText(error) + " (Error #" + std::to_string(error) + ")";
  }
  parser_.connectionClosed(checkComplete, failure);
  if (v().locationFlag && checkComplete) {
    relocationAfterClose();
    return;
  }
  if (onSessionClosed) onSessionClosed(this);
  if (state_ != HttpState::Ready) setReady();
}

void HttpClient::abort() {
  if (state_ == HttpState::Ready) {
    state_ = HttpState::Aborting;
    if (socket_->state() != net::SocketState::Closed) {
      ignoreClose_ = true;
      socket_->abort();
      ignoreClose_ = false;
    }
    v().statusCode = 200;
    v().statusText = "OK";
    requestDoneError_ = 0;
    state_ = HttpState::Ready;
    if (onStateChange) onStateChange(this);
    if (onRequestDone) onRequestDone(this, type_, requestDoneError_);
    return;
  }
  bool lookupRunning = state_ == HttpState::DnsLookup;
  setStateEvent(HttpState::Aborting);
  if (lookupRunning) {
    try {
      socket_->cancelDnsLookup();
    } catch (const std::exception&) {
    }
  }
  v().statusCode = 404;
  v().statusText = "Connection aborted on request";
  requestDoneError_ = HttpError::Aborted;
  relocateOnClose_ = false;
  sendingBody_ = false;
  v().locationFlag = false;
  parser_.cancel();
  if (lookupRunning) {
    connectionClosed(0);
  } else {
    try {
      socket_->close();
    } catch (const std::exception&) {
    }
  }
  // Ready at once: whatever was posted for this request is dropped.
  ++serial_;
  readyPosted_ = true;
  setStateEvent(HttpState::Ready);
  postRequestDone();
}

void HttpClient::setReady() {
  readyPosted_ = true;
  stopLimit();
  mailbox_->post(ReadyStep{serial_});
}

// --- Time limits --------------------------------------------------------------------------------

void HttpClient::startLimit(Limit limit) {
  const int ms = limit == Limit::Connect     ? connectTimeLimitMs
                 : limit == Limit::Handshake ? handshakeTimeLimitMs
                 : limit == Limit::Idle      ? idleTimeLimitMs
                                             : 0;
  limit_ = ms > 0 ? limit : Limit::None;
  if (limit_ == Limit::None) {
    limitTimer_->stop();
    return;
  }
  limitTimer_->start(ms);
}

void HttpClient::stopLimit() {
  limit_ = Limit::None;
  limitTimer_->stop();
}

// The time limit that runs was reached: the request ends with the limit named, the connection dropped.
void HttpClient::limitReached() {
  const Limit limit = limit_;
  limit_ = Limit::None;
  if (state_ == HttpState::Ready || state_ == HttpState::Aborting || readyPosted_) return;
  switch (limit) {
    case Limit::None:
      return;
    case Limit::Connect:
      if (state_ == HttpState::DnsLookup) {
        try {
          socket_->cancelDnsLookup();
        } catch (const std::exception&) {
        }
      }
      failLink(HttpError::TimedOut,
               "no connection to " + connectHost_ + " within " + durationText(connectTimeLimitMs));
      return;
    case Limit::Handshake:
      failLink(HttpError::TimedOut,
               "no TLS handshake with " + targetHost_ + " within " + durationText(handshakeTimeLimitMs));
      return;
    case Limit::Idle:
      // As a connection that stopped there: a body cut short is a cut the caller may continue.
      link_ = Link::Plain;
      ignoreClose_ = true;
      socket_->abort();
      ignoreClose_ = false;
      connectionClosed(0, "had no data for " + durationText(idleTimeLimitMs) + " from " + targetHost_);
      return;
  }
}

void HttpClient::postRequestDone() {
  mailbox_->post(RequestDoneStep{serial_, type_, requestDoneError_});
}

void HttpClient::handleStep(Step& step) {
  const std::uint64_t request = std::visit([](const auto& s) { return s.request; }, step);
  if (request != serial_) return;  // belongs to an earlier request
  std::visit(platform::Overloaded{
                 [this](ReadyStep&) {
                   if (state_ == HttpState::Ready) return;
                   setStateEvent(HttpState::Ready);
                   postRequestDone();
                 },
                 [this](RequestDoneStep& done) {
                   if (onRequestDone) onRequestDone(this, done.type, done.error);
                 },
                 [this](LoginStep&) {
                   if (state_ != HttpState::Ready && state_ != HttpState::Aborting) login();
                 },
             },
             step);
}

void HttpClient::closeDelayed() {
  socket_->closeDelayed();
}

void HttpClient::abortConnection() {
  socket_->abort();
}

// --- Response events ----------------------------------------------------------------------------

void HttpClient::headerBegin() {
  if (onHeaderBegin) onHeaderBegin(this);
}
void HttpClient::headerData() {
  if (onHeaderData) onHeaderData(this);
}
void HttpClient::headerEnd() {
  if (onHeaderEnd) onHeaderEnd(this);
}
void HttpClient::docBegin() {
  if (onDocBegin) onDocBegin(this);
}
void HttpClient::docData(const char* data, int len) {
  if (onDocData) onDocData(this, data, len);
}
void HttpClient::docEnd() {
  if (onDocEnd) onDocEnd(this);
}
void HttpClient::cookieReceived(const std::string& data, bool& acceptCookie) {
  if (onCookie) onCookie(this, data, acceptCookie);
}
void HttpClient::unexpectedData(std::uint16_t errCode) {
  if (onUnexpectedData) onUnexpectedData(this, errCode);
}
void HttpClient::nonHttpStatusLine() {
  if (onNonHttpStatusLine) onNonHttpStatusLine(this);
}

}  // namespace http
