#include "net/socket/BasicSocket.h"

#include "common/Text.h"
#include "net/socket/HostLookup.h"
#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocketLibrary.h"
#include "net/socket/SocketNotifiers.h"
#include "platform/SynchronousWait.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

namespace net {
namespace {

std::uint64_t nextHandle() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1);
}

// Connect failures that the platform reports through the connect notification, not from the call.
bool isConnectOutcome(int err) {
  return err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT ||
         err == ECONNRESET;
}

}  // namespace

// --- Construction ---------------------------------------------------------------------------------

BasicSocket::BasicSocket() {
  mailbox_ = makeMailbox();
  threadId_ = std::this_thread::get_id();
  BasicSocket::assignDefaultValue();
  library::addSocket();
}

BasicSocket::~BasicSocket() {
  destroying_ = true;
  try {
    BasicSocket::cancelDnsLookup();
  } catch (...) {
  }
  if (state_ != SocketState::Closed) {
    try {
      BasicSocket::close();
    } catch (...) {
    }
  }
  closeSystemSocket();
  lookup_.reset();  // a lookup still running is abandoned, never waited for
  library::removeSocket();
  deleteBufferedData();
  mailbox_.reset();
}

platform::MailboxRef<SocketEvent> BasicSocket::mailbox() const {
  return mailbox_ ? mailbox_->ref() : platform::MailboxRef<SocketEvent>();
}

void BasicSocket::assignDefaultValue() {
  if (fd_ != -1) closeSystemSocket();
  sin_ = sockaddr_in{};
  sin_.sin_family = AF_INET;
  af_ = 2;
  portAssigned_ = addrAssigned_ = false;
  addrResolved_ = portResolved_ = protoResolved_ = localPortResolved_ = false;
  protoStr_ = "tcp";
  protoAssigned_ = true;
  protoNum_ = 6;
  sockType_ = 1;
  localPortStr_ = "0";
  localAddr_ = "0.0.0.0";
  lingerMode_ = LingerMode::On;
  lingerTimeout_ = 0;
  selectEvent_ = 0;
  state_ = SocketState::Closed;
  allSent_ = true;
  paused_ = false;
  readCount_ = 0;
  closeInvoked_ = false;
  flushTimeout_ = 60;
}

// --- Properties -----------------------------------------------------------------------------------

void BasicSocket::setAddr(const std::string& value) {
  if (addrAssigned_ && value == addrStr_) return;
  if (state_ != SocketState::Closed) {
    raiseException("Cannot change Addr if not closed");
    return;
  }
  addrStr_ = common::trim(value);
  addrAssigned_ = !addrStr_.empty();
  addrResolved_ = false;
}

void BasicSocket::setPort(const std::string& value) {
  if (portAssigned_ && value == portStr_) return;
  if (state_ != SocketState::Closed) {
    raiseException("Cannot change Port if not closed");
    return;
  }
  portStr_ = common::trim(value);
  portAssigned_ = !portStr_.empty();
  portResolved_ = false;
}

void BasicSocket::setProto(const std::string& value) {
  if (protoAssigned_ && value == protoStr_) return;
  if (state_ != SocketState::Closed) {
    raiseException("Cannot change Proto if not closed");
    return;
  }
  protoStr_ = common::trim(value);
  protoAssigned_ = !protoStr_.empty();
  protoResolved_ = false;
}

void BasicSocket::setLocalAddr(const std::string& value) {
  if (state_ != SocketState::Closed) {
    raiseException("Cannot change LocalAddr if not closed");
    return;
  }
  localAddr_ = value.empty() ? "0.0.0.0" : value;
}

void BasicSocket::setLocalPort(const std::string& value) {
  if (state_ != SocketState::Closed) {
    raiseException("Cannot change LocalPort if not closed");
    return;
  }
  localPortStr_ = value;
  localPortResolved_ = false;
}

void BasicSocket::setSendFlags(SendFlags value) {
  if (value != SendFlags::Normal && value != SendFlags::Urgent) {
    raiseException("Invalid SendFlags");
    return;
  }
  sendFlags_ = value;
}

std::uint8_t BasicSocket::reqVerLow() const {
  return library::reqVerLow();
}
std::uint8_t BasicSocket::reqVerHigh() const {
  return library::reqVerHigh();
}

void BasicSocket::setReqVerLow(std::uint8_t value) {
  if (library::inUse()) {
    reportSocketError(SocketError::InvalidArgument, "SetReqVerLow: WinSock version can't be changed now");
    return;
  }
  library::setReqVer(value, library::reqVerHigh());
}

void BasicSocket::setReqVerHigh(std::uint8_t value) {
  if (library::inUse()) {
    reportSocketError(SocketError::InvalidArgument, "SetReqVerHigh: WinSock version can't be changed now");
    return;
  }
  library::setReqVer(library::reqVerLow(), value);
}

std::string BasicSocket::peerAddr() {
  return peerText(false);
}
std::string BasicSocket::peerPort() {
  return peerText(true);
}

std::string BasicSocket::peerText(bool wantPort) {
  if (state_ != SocketState::Connected || fd_ == -1) return "error";
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len) != 0) {
    reportErrno(wantPort ? "GetPeerPort" : "GetPeerAddr");
    return "error";
  }
  return wantPort ? std::to_string(ntohs(peer.sin_port)) : ipv4ToText(peer.sin_addr.s_addr);
}

void BasicSocket::setResolvedTarget(std::uint32_t networkOrderAddr, std::uint16_t hostOrderPort) {
  sin_.sin_family = AF_INET;
  sin_.sin_addr.s_addr = networkOrderAddr;
  sin_.sin_port = htons(hostOrderPort);
  addrResolved_ = portResolved_ = true;
}

// --- Error reporting ------------------------------------------------------------------------------

void BasicSocket::raiseException(const std::string& msg) {
  raisedMessage_ = msg;
  if (onError) {
    triggerError();
    return;
  }
  throw SocketException(msg);
}

void BasicSocket::reportErrno(const std::string& functionName) {
  reportSocketError(socketErrorFromErrno(errno), functionName);
}

void BasicSocket::reportSocketError(int code, const std::string& functionName) {
  const std::string line =
      "Error " + std::to_string(code) + " in function " + functionName + "\r\n" + socketErrorText(code);
  if (code == SocketError::ConnectionReset || code == SocketError::NotConnected) {
    closeSystemSocket();
    // Once per connection, like every other close path.
    if (state_ != SocketState::Closed && !closeInvoked_) {
      closeInvoked_ = true;
      triggerSessionClosed(static_cast<std::uint16_t>(code));
    }
    changeState(SocketState::Closed);
  }
  lastError_ = code;
  raiseException(line);
}

void BasicSocket::handleBackgroundException(const std::exception& e) {
  bool canClose = true;
  if (onBackgroundException) {
    try {
      onBackgroundException(this, e, canClose);
    } catch (...) {
    }
  }
  if (canClose) {
    try {
      abort();
    } catch (...) {
    }
  }
}

void BasicSocket::changeState(SocketState newState) {
  const SocketState oldState = state_;
  state_ = newState;
  if (oldState != newState) triggerChangeState(oldState, newState);
}

// --- Events ---------------------------------------------------------------------------------------

bool BasicSocket::triggerDataAvailable(std::uint16_t errCode) {
  if (!onDataAvailable || destroying_) return false;
  onDataAvailable(this, errCode);
  return true;
}

void BasicSocket::triggerSessionAvailable(std::uint16_t errCode) {
  if (onSessionAvailable && !destroying_) onSessionAvailable(this, errCode);
}

void BasicSocket::triggerSessionConnected(std::uint16_t errCode) {
  if (onSessionConnected && !destroying_) onSessionConnected(this, errCode);
}

void BasicSocket::triggerSessionClosed(std::uint16_t errCode) {
  if (onSessionClosed && !destroying_) onSessionClosed(this, errCode);
}

void BasicSocket::triggerDataSent(std::uint16_t errCode) {
  if (onDataSent && !destroying_) onDataSent(this, errCode);
}

void BasicSocket::triggerChangeState(SocketState oldState, SocketState newState) {
  if (onStateChange && !destroying_) onStateChange(this, oldState, newState);
}

void BasicSocket::triggerDnsLookupDone(std::uint16_t errCode) {
  if (onDnsLookupDone && !destroying_) onDnsLookupDone(this, errCode);
}

void BasicSocket::triggerError() {
  if (onError && !destroying_) onError(this);
}

// --- Messages -------------------------------------------------------------------------------------

// The socket's hidden mailbox; an exception that escapes a handler goes to the background handler.
std::unique_ptr<platform::Mailbox<SocketEvent>> BasicSocket::makeMailbox() {
  return std::make_unique<platform::Mailbox<SocketEvent>>([this](SocketEvent& event) { dispatch(event); });
}

void BasicSocket::dispatch(SocketEvent& event) {
  BasicSocket* owner = this;
  try {
    owner->handleEvent(event);  // may destroy the socket and its mailbox (release()): touch nothing after it
  } catch (const std::exception& e) {
    owner->handleBackgroundException(e);
  }
}

void BasicSocket::handleEvent(SocketEvent& event) {
  std::visit(platform::Overloaded{
                 [this](SocketNotification& notification) { handleNotification(notification); },
                 [this](LookupDone& done) { handleLookupDone(done); },
                 [this](CloseRequest&) { close(); },        // closeDelayed()
                 [this](ReleaseRequest&) { delete this; },  // release()
                 [](TestException&) { throw SocketException("Test exception in WSocket"); },
                 [](HeldDataWaiting&) {},  // the line layer's
             },
             event);
}

void BasicSocket::handleNotification(const SocketNotification& notification) {
  if (connHandle_ == 0 || notification.connection != connHandle_ || paused_) return;
  const std::uint64_t handle = connHandle_;
  struct Step {
    unsigned bit;
    void (BasicSocket::*handler)(std::uint16_t);
  };
  static constexpr Step kSteps[] = {{kConnectEvent, &BasicSocket::handleConnectEvent},
                                    {kReadEvent, &BasicSocket::handleReadEvent},
                                    {kWriteEvent, &BasicSocket::handleWriteEvent},
                                    {kAcceptEvent, &BasicSocket::handleAcceptEvent},
                                    {kCloseEvent, &BasicSocket::handleCloseEvent}};
  for (const Step& step : kSteps) {
    if ((notification.events & step.bit) == 0 || connHandle_ != handle) continue;
    curEvent_ = step.bit;
    try {
      (this->*step.handler)(notification.error);
    } catch (...) {
      curEvent_ = 0;
      throw;
    }
    curEvent_ = 0;
  }
}

void BasicSocket::handleConnectEvent(std::uint16_t errCode) {
  if (state_ == SocketState::Connected) return;
  changeState(SocketState::Connected);
  triggerSessionConnected(errCode);
  if (errCode != 0 && state_ != SocketState::Closed) close();
}

void BasicSocket::handleReadEvent(std::uint16_t errCode) {
  if (state_ != SocketState::Connected) {
    changeState(SocketState::Connected);
    triggerSessionConnected(errCode);
  }
  asyncReceive(errCode, options_);
}

void BasicSocket::handleWriteEvent(std::uint16_t errCode) {
  tryToSend();
  if (allSent_) triggerDataSent(errCode);
}

void BasicSocket::handleAcceptEvent(std::uint16_t errCode) {
  triggerSessionAvailable(errCode);
}

void BasicSocket::handleCloseEvent(std::uint16_t errCode) {
  if (state_ == SocketState::Connecting || fd_ == -1) return;
  asyncReceive(0, options_ & ~SocketOption::NoReceiveLoop, true);
  if (errCode == 0) errCode = static_cast<std::uint16_t>(receiveFailure_);
  if (!closeInvoked_) {
    closeInvoked_ = true;
    triggerSessionClosed(errCode);
  }
  if (state_ != SocketState::Closed) close();
}

void BasicSocket::asyncReceive(std::uint16_t errCode, SocketOptions options, bool draining) {
  // Bytes still waiting after the last pass are reported again by the next read notification.
  constexpr int kPassesPerNotification = 64;
  for (int pass = 1;; ++pass) {
    try {
      lastError_ = 0;
      const std::uint64_t receivesBefore = receiveCalls_;
      if (!triggerDataAvailable(errCode)) {
        char scratch[1024];
        if (doRecv(scratch, sizeof scratch, 0) < 0 && recvError_ == SocketError::WouldBlock) {
          lastError_ = 0;
          return;
        }
      }
      if ((options & SocketOption::NoReceiveLoop) != 0) return;
      if (lastError_ != 0) {
        if (lastError_ == -1) lastError_ = 0;
        return;
      }
      // A handler that read nothing would see the same bytes forever: wait for its next receive instead.
      if (receiveCalls_ == receivesBefore || fd_ == -1) return;
      int waiting = 0;
      if (::ioctl(fd_, FIONREAD, &waiting) != 0) {
        lastError_ = socketErrorFromErrno(errno);
        return;
      }
      if (waiting == 0 || (!draining && pass >= kPassesPerNotification)) return;
    } catch (...) {
      return;  // an exception of the data handler ends the loop and goes no further
    }
  }
}

// --- Name lookup ----------------------------------------------------------------------------------

void BasicSocket::dnsLookup(const std::string& hostName) {
  if (hostName.empty()) {
    raiseException("DNS lookup: invalid host name.");
    triggerDnsLookupDone(SocketError::InvalidArgument);
    return;
  }
  forgetLookup();
  dnsResult_.clear();
  dnsResultList_.clear();
  library::use();
  if (isDottedIp(hostName)) {
    const in_addr_t addr = inet_addr(common::trim(hostName).c_str());
    if (addr != INADDR_NONE) {
      dnsResult_ = ipv4ToText(addr);
      dnsResultList_.push_back(dnsResult_);
      triggerDnsLookupDone(0);
      return;
    }
  }
  if (!mailbox_) {
    raiseException("DnsLookup: Window not assigned");
    return;
  }
  startLookup(hostName);
}

void BasicSocket::startLookup(const std::string& hostName) {
  const std::uint64_t handle = nextHandle();
  try {
    lookup_ = std::make_unique<HostLookup>(mailbox_->ref<LookupDone>(), handle, hostName);
  } catch (const std::system_error& e) {
    char text[64];
    std::snprintf(text, sizeof text, ": can't start DNS lookup, error #%d", e.code().value());
    raiseException(hostName + text);
    return;
  }
  dnsLookupHandle_ = handle;
}

// The completion is dispatched from the message loop, so the lookup's handle is always stored by then;
// that of a lookup cancelled or replaced meanwhile is dropped.
void BasicSocket::handleLookupDone(LookupDone& done) {
  if (dnsLookupHandle_ == 0 || done.lookup != dnsLookupHandle_) return;
  forgetLookup();
  if (done.error == 0) {
    dnsResultList_ = std::move(done.addresses);
    dnsResult_ = dnsResultList_.empty() ? std::string() : dnsResultList_.front();
  }
  triggerDnsLookupDone(done.error);
}

// A lookup still running is abandoned: its thread ends on its own and its result is never posted.
void BasicSocket::forgetLookup() {
  dnsLookupHandle_ = 0;
  lookup_.reset();
}

void BasicSocket::cancelDnsLookup() {
  if (dnsLookupHandle_ == 0) return;
  forgetLookup();  // returns at once, however long the lookup would still take
  if (!destroying_) triggerDnsLookupDone(SocketError::Interrupted);
}

// --- Connect --------------------------------------------------------------------------------------

void BasicSocket::connect() {
  raisedMessage_.clear();
  if (fd_ != -1 && state_ != SocketState::Closed) {
    raiseException("Connect: Socket already in use");
    return;
  }
  if (!portAssigned_) {
    raiseException("Connect: No Port Specified");
    return;
  }
  if (!addrAssigned_) {
    raiseException("Connect: No IP Address Specified");
    return;
  }
  if (!protoAssigned_) {
    raiseException("Connect: No Protocol Specified");
    return;
  }
  library::use();
  try {
    resolveTargetForConnect();
  } catch (const SocketException& e) {
    raiseException(std::string("connect: ") + e.what());
    return;
  }
  deleteBufferedData();
  if (!openAndConfigure()) return;
  if (sockType_ == 2) {
    changeState(SocketState::Connected);
    triggerSessionConnected(0);
    return;
  }
  startSystemConnect();
}

void BasicSocket::resolveTargetForConnect() {
  if (!protoResolved_) {
    protoNum_ = resolveProto(protoStr_);
    sockType_ = protoNum_ == 6 ? 1 : protoNum_ == 17 ? 2 : 3;
    protoResolved_ = true;
  }
  if (!portResolved_) {
    sin_.sin_port = htons(resolvePort(portStr_, protoStr_));
    portResolved_ = true;
  }
  if (!localPortResolved_) {
    localPortNum_ = resolvePort(localPortStr_, protoStr_);
    localPortResolved_ = true;
  }
  if (!addrResolved_) {
    sin_.sin_addr.s_addr = resolveHost(addrStr_);
    addrResolved_ = true;
  }
  sin_.sin_family = AF_INET;
}

// Opens the system socket and applies the options; false when a failure was reported.
bool BasicSocket::openAndConfigure() {
  const int type = sockType_ == 1 ? SOCK_STREAM : sockType_ == 2 ? SOCK_DGRAM : SOCK_RAW;
  const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protoNum_);
  if (fd < 0) {
    reportErrno("Connect (socket)");
    return false;
  }
  fd_ = fd;
  connHandle_ = nextHandle();
  receiveFailure_ = 0;
  int size = 0;
  socklen_t len = sizeof size;
  if (::getsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &size, &len) != 0) {
    reportErrno("getsockopt(SO_SNDBUF)");
    return false;
  }
  len = sizeof size;
  if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) {
    reportErrno("getsockopt(SO_RCVBUF)");
    return false;
  }
  changeState(SocketState::Opened);
  if (state_ != SocketState::Opened) {
    reportSocketError(SocketError::InvalidArgument, "Connect (Invalid operation in OnChangeState)");
    return false;
  }
  const int before = fd_;
  const bool configured = sockType_ == 1 ? setStreamOptions() : setDatagramOptions();
  if (!configured || fd_ != before || state_ != SocketState::Opened) return false;  // a failure was reported
  notifiers_ = std::make_unique<SocketNotifiers>(fd_, notificationTarget(), connHandle_, sockType_ == 1);
  selectEvent_ = kReadEvent | kWriteEvent | kAcceptEvent | kConnectEvent | kCloseEvent;
  notifiers_->select(paused_ ? 0 : selectEvent_);
  return true;
}

bool BasicSocket::setStreamOptions() {
  const int on = 1;
  if (::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    reportErrno("setsockopt(SO_REUSEADDR)");
    return false;
  }
  if ((options_ & SocketOption::TcpNoDelay) != 0 &&
      ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
    reportErrno("setsockopt(IPPROTO_TCP, TCP_NODELAY)");
    return false;
  }
  if (!setLingerOption() || !setKeepAliveOption()) return false;
  if (localPortNum_ != 0 || localAddr_ != "0.0.0.0") return bindSocket();
  return true;
}

bool BasicSocket::setDatagramOptions() {
  if (!bindSocket()) return false;
  if (multiCast_ && multiCastIpTtl_ != 1) {
    const unsigned char ttl = static_cast<unsigned char>(multiCastIpTtl_);
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
      reportErrno("setsockopt(IP_MULTICAST_TTL)");
      return false;
    }
  }
  if (localAddr_ != "0.0.0.0") {
    in_addr local{};
    local.s_addr = inet_addr(localAddr_.c_str());
    if (::setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) != 0) {
      reportErrno("setsockopt(IP_MULTICAST_IF)");
      return false;
    }
  }
  if (sin_.sin_addr.s_addr == INADDR_BROADCAST) {
    const int on = 1;
    if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
      reportErrno("setsockopt(SO_BROADCAST)");
      return false;
    }
  }
  return true;
}

void BasicSocket::startSystemConnect() {
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_) == 0 || errno == EINPROGRESS ||
      errno == EAGAIN) {
    changeState(SocketState::Connecting);
    if (notifiers_) notifiers_->connectStarted();
    return;
  }
  const int err = errno;
  if (isConnectOutcome(err)) {
    // The platform reports these through the connect notification; keep that order here too.
    changeState(SocketState::Connecting);
    if (notifiers_) notifiers_->stop();
    postNotification(kConnectEvent, socketErrorFromErrno(err));
    return;
  }
  lastError_ = socketErrorFromErrno(err);
  reportSocketError(lastError_, "Connect");
}

platform::MailboxRef<SocketNotification> BasicSocket::notificationTarget() const {
  return mailbox_ ? mailbox_->ref<SocketNotification>() : platform::MailboxRef<SocketNotification>();
}

void BasicSocket::postNotification(unsigned bits, int errCode) {
  if (!mailbox_ || connHandle_ == 0) return;
  mailbox_->post(SocketNotification{connHandle_, bits, static_cast<std::uint16_t>(errCode)});
}

bool BasicSocket::bindSocket() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(localPortNum_);
  try {
    local.sin_addr.s_addr = resolveHost(localAddr_);
  } catch (const SocketException& e) {
    raiseException(std::string("connect: ") + e.what());
    return false;
  }
  char text[64];
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::snprintf(text, sizeof text, "winsock.bind failed, error #%d", socketErrorFromErrno(errno));
    raiseException(text);
    return false;
  }
  socklen_t len = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
    std::snprintf(text, sizeof text, "winsock.getsockname failed, error #%d", socketErrorFromErrno(errno));
    raiseException(text);
    return false;
  }
  localPortNum_ = ntohs(local.sin_port);
  localPortStr_ = std::to_string(localPortNum_);
  return true;
}

bool BasicSocket::applyLinger(int onOff, int seconds) {
  linger value{};
  value.l_onoff = onOff;
  value.l_linger = seconds;
  if (::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0) return true;
  reportErrno("setsockopt(SO_LINGER)");
  return false;
}

bool BasicSocket::setLingerOption() {
  if (lingerMode_ == LingerMode::NotSet) return true;
  if (fd_ == -1) {
    raiseException("Cannot set linger option at this time");
    return false;
  }
  return applyLinger(lingerMode_ == LingerMode::On ? 1 : 0, lingerTimeout_);
}

bool BasicSocket::setKeepAliveOption() {
  if (keepAliveMode_ == KeepAliveMode::Off) return true;
  const int on = 1;
  if (::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
    reportErrno("setsockopt(SO_KEEPALIVE)");
    return false;
  }
  if (keepAliveMode_ != KeepAliveMode::OnCustom) return true;
  const int idle = std::max(1, keepAliveTime_ / 1000), interval = std::max(1, keepAliveInterval_ / 1000);
  if (::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0 &&
      ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0) {
    return true;
  }
  reportErrno("WSocket_WSAIoctl(SIO_KEEPALIVE_VALS)");
  return false;
}

// --- Sending --------------------------------------------------------------------------------------

std::int32_t BasicSocket::send(const void* data, std::int32_t len) {
  if (state_ != SocketState::Connected && state_ != SocketState::SocksConnected) {
    reportSocketError(SocketError::NotConnected, "Send");
    return -1;
  }
  if (len < 0 || data == nullptr) len = 0;
  allSent_ = false;
  if (len > 0) putDataInSendBuffer(data, len);
  tryToSend();
  // The data-sent event always comes from the message loop, never from inside send().
  if (bufferedByteCount_ == 0 && fd_ != -1) postNotification(kWriteEvent, 0);
  return len;
}

std::int32_t BasicSocket::sendStr(const std::string& s) {
  if (s.empty()) return 0;
  return send(s.data(), static_cast<std::int32_t>(std::min<std::size_t>(s.size(), INT32_MAX)));
}

void BasicSocket::putDataInSendBuffer(const void* data, std::int32_t len) {
  std::lock_guard<std::recursive_mutex> guard(library::sendLock());
  if (len <= 0) return;
  if (bufList_.empty()) bufList_.push_back(std::make_unique<SendBlock>(bufSize_));
  bufferedByteCount_ =
      static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{bufferedByteCount_} + len, INT32_MAX));
  const char* p = static_cast<const char*>(data);
  std::int32_t remaining = len;
  for (;;) {
    const std::int32_t n = bufList_.back()->write(p, remaining);
    p += n;
    remaining -= n;
    if (remaining <= 0) break;
    bufList_.push_back(std::make_unique<SendBlock>(bufSize_));
  }
  allSent_ = false;
}

void BasicSocket::deleteBufferedData() {
  std::lock_guard<std::recursive_mutex> guard(library::sendLock());
  bufList_.clear();
  bufferedByteCount_ = 0;
}

void BasicSocket::tryToSend() {
  std::unique_lock<std::recursive_mutex> guard(library::sendLock());
  if (fd_ == -1 || bufList_.empty()) {
    allSent_ = true;
    return;
  }
  for (;;) {
    if (bufList_.empty()) {
      allSent_ = true;
      return;
    }
    SendBlock& block = *bufList_.front();
    std::int32_t len = 0;
    const char* p = block.peek(len);
    if (len <= 0) {
      if (bufList_.size() > 1) {
        bufList_.pop_front();
        continue;
      }
      allSent_ = true;  // the last block stays for reuse
      return;
    }
    const std::int32_t sent = realSend(p, len);
    if (sent > 0) {
      bufferedByteCount_ = std::max(0, bufferedByteCount_ - sent);
      block.remove(sent);
      if (sent < len) {
        if (notifiers_) notifiers_->armWrite();
        return;
      }
      continue;
    }
    if (sent == 0) {
      if (notifiers_) notifiers_->armWrite();
      return;
    }
    const int code = sendError_;
    if (code == SocketError::InvalidArgument || code == SocketError::NotSocket ||
        code == SocketError::ConnectionAborted || code == SocketError::ConnectionReset ||
        code == SocketError::NotConnected) {
      closeInvoked_ = true;
      close();
      triggerSessionClosed(static_cast<std::uint16_t>(code));
      return;
    }
    if (code == SocketError::WouldBlock) {
      if (notifiers_) notifiers_->armWrite();
      return;
    }
    guard.unlock();
    reportSocketError(code, "TryToSend failed");
    return;
  }
}

std::int32_t BasicSocket::realSend(const char* data, std::int32_t len) {
  ssize_t n;
  if (sockType_ == 1) {
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT | (sendFlags_ == SendFlags::Urgent ? MSG_OOB : 0);
    n = ::send(fd_, data, static_cast<std::size_t>(len), flags);
  } else {
    n = ::sendto(fd_, data, static_cast<std::size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_);
  }
  if (n < 0) {
    sendError_ = socketErrorFromErrno(errno);
    return -1;
  }
  if (n > 0 && onSendData && !destroying_) onSendData(this, static_cast<std::int32_t>(n));
  return static_cast<std::int32_t>(n);
}

// The socket's write notifications send the rest while the wait dispatches them. A paused socket gets
// none: it is given another try every 100 milliseconds.
void BasicSocket::flush() {
  const auto sent = [this] { return fd_ == -1 || bufferedByteCount_ == 0; };
  while (!sent()) {
    tryToSend();
    if (platform::waitSynchronously(sent, 100) == platform::WaitOutcome::Closing) return;
  }
}

// --- Receiving ------------------------------------------------------------------------------------

std::int32_t BasicSocket::receive(void* buffer, std::int32_t bufferSize) {
  ++receiveCalls_;
  const std::int32_t n = doRecv(buffer, bufferSize, 0);
  if (n < 0) {
    lastError_ = recvError_;
  } else {
    readCount_ += n;
  }
  return n;
}

std::int32_t BasicSocket::doRecv(void* buffer, std::int32_t bufferSize, int flags) {
  ++receiveCalls_;
  if (fd_ == -1) {
    recvError_ = SocketError::NotSocket;
    return -1;
  }
  const ssize_t n =
      ::recv(fd_, buffer, static_cast<std::size_t>(std::max(0, bufferSize)), flags | MSG_DONTWAIT);
  if (notifiers_) notifiers_->armRead();
  if (n < 0) {
    const int err = errno;
    recvError_ = socketErrorFromErrno(err);
    if (sockType_ == 1 && receiveFailure_ == 0 && err != EAGAIN && err != EWOULDBLOCK && err != EINTR)
      receiveFailure_ = recvError_;
    return -1;
  }
  return static_cast<std::int32_t>(n);
}

std::int32_t BasicSocket::queryBytesWaiting() {
  int waiting = 0;
  if (fd_ == -1 || ::ioctl(fd_, FIONREAD, &waiting) != 0) {
    if (fd_ == -1) errno = ENOTSOCK;
    reportErrno("ioctlSocket");
    return -1;
  }
  return waiting;
}

std::string BasicSocket::receiveStr() {
  std::int32_t count = queryBytesWaiting();
  if (count < 0) return std::string();
  if (count == 0) count = 255;
  std::string s(static_cast<std::size_t>(count), '\0');
  const std::int32_t n = receive(s.data(), count);
  if (n <= 0) return std::string();
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// --- Closing --------------------------------------------------------------------------------------

void BasicSocket::close() {
  internalClose(true, 0);
}

void BasicSocket::internalClose(bool shut, std::uint16_t errCode) {
  if (fd_ == -1) {
    if (state_ != SocketState::Closed) {
      changeState(SocketState::Closed);
      assignDefaultValue();
    }
    return;
  }
  if (state_ == SocketState::Closed) return;
  if (shut) {
    shutdown(1);
    // A zero linger time would turn the close into a reset and drop bytes the system accepted but has
    // not delivered yet; an orderly close lets them go out.
    if (sockType_ == 1 && lingerMode_ == LingerMode::On && lingerTimeout_ == 0) {
      const linger off{};
      ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
  }
  closeSystemSocket();
  changeState(SocketState::Closed);
  if (!destroying_ && !closeInvoked_) {
    closeInvoked_ = true;
    triggerSessionClosed(errCode);
  }
  // A handler may already have opened the next connection; its settings must stay.
  if (fd_ != -1) return;
  try {
    assignDefaultValue();
  } catch (...) {
  }
}

void BasicSocket::closeSystemSocket() {
  notifiers_.reset();  // before the descriptor goes, so no notifier watches a reused number
  if (fd_ != -1) ::close(fd_);
  fd_ = -1;
  connHandle_ = 0;
  selectEvent_ = 0;
}

void BasicSocket::shutdown(int how) {
  if (fd_ != -1) ::shutdown(fd_, how);
}

void BasicSocket::abort() {
  internalAbort(0);
}

void BasicSocket::internalAbort(std::uint16_t errCode) {
  cancelDnsLookup();
  deleteBufferedData();
  if (state_ == SocketState::Connected && protoNum_ == 6) {
    lingerMode_ = LingerMode::Off;
    setLingerOption();
  }
  internalClose(false, errCode);
}

void BasicSocket::closeDelayed() {
  if (mailbox_) mailbox_->post(CloseRequest{});
}

void BasicSocket::release() {
  if (mailbox_) mailbox_->post(ReleaseRequest{});
}

void BasicSocket::pause() {
  paused_ = true;
  if (notifiers_) notifiers_->select(0);
}

void BasicSocket::resume() {
  paused_ = false;
  if (!notifiers_) return;
  notifiers_->select(selectEvent_);
  if (bufferedByteCount_ > 0) notifiers_->armWrite();
}

// The socket's own notifications deliver what arrives and the close while the wait dispatches them.
void BasicSocket::waitForClose() {
  platform::waitSynchronously([this] { return fd_ == -1 || state_ == SocketState::Closed; }, -1);
}

void BasicSocket::messagePump() {
  platform::waitSynchronously(nullptr, 0);
}

void BasicSocket::threadDetach() {
  if (std::this_thread::get_id() != threadId_) {
    raiseException("Cannot detach from other thread");
    return;
  }
  notifiers_.reset();
  mailbox_.reset();
}

void BasicSocket::threadAttach() {
  if (mailbox_) {
    raiseException("Cannot attach when not detached");
    return;
  }
  mailbox_ = makeMailbox();
  threadId_ = std::this_thread::get_id();
  if (fd_ != -1) {
    notifiers_ = std::make_unique<SocketNotifiers>(fd_, notificationTarget(), connHandle_, sockType_ == 1);
    notifiers_->select(paused_ ? 0 : selectEvent_);
    if (bufferedByteCount_ > 0) notifiers_->armWrite();
  }
}

}  // namespace net
