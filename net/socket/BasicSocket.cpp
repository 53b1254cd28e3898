#include "net/socket/BasicSocket.h"

#include "net/socket/HostLookup.h"
#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocketLibrary.h"
#include "net/socket/SocketNotifiers.h"
#include "net/socket/Text.h"

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

std::uint64_t NextHandle() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1);
}

// Connect failures that the platform reports through the connect notification, not from the call.
bool IsConnectOutcome(int err) {
  return err == ECONNREFUSED || err == ENETUNREACH || err == EHOSTUNREACH || err == ETIMEDOUT ||
         err == ECONNRESET;
}

}  // namespace

// The socket's hidden message target. Exceptions that escape a handler go to the background handler.
class BasicSocket::Window final : public platform::MessageTarget {
 public:
  explicit Window(BasicSocket* owner) : owner_(owner) {}

 protected:
  void handleMessage(platform::Message& msg) override {
    BasicSocket* owner = owner_;
    try {
      owner->handleMessage(msg);  // may destroy the owner and this window (Release): touch nothing after it
    } catch (const std::exception& e) {
      owner->HandleBackgroundException(e);
    }
  }

 private:
  BasicSocket* owner_;
};

// --- Construction ---------------------------------------------------------------------------------

BasicSocket::BasicSocket() {
  window_ = std::make_unique<Window>(this);
  threadId_ = std::this_thread::get_id();
  BasicSocket::AssignDefaultValue();
  library::AddSocket();
}

BasicSocket::~BasicSocket() {
  destroying_ = true;
  try {
    BasicSocket::CancelDnsLookup();
  } catch (...) {
  }
  if (state_ != SocketState::Closed) {
    try {
      BasicSocket::Close();
    } catch (...) {
    }
  }
  CloseSystemSocket();
  lookups_.clear();  // waits for lookups still running
  library::RemoveSocket();
  DeleteBufferedData();
  window_.reset();
}

platform::TargetHandle BasicSocket::Handle() const {
  return window_ ? window_->Handle() : platform::kNoTarget;
}

void BasicSocket::AssignDefaultValue() {
  if (fd_ != -1) CloseSystemSocket();
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

void BasicSocket::SetAddr(const std::string& value) {
  if (addrAssigned_ && value == addrStr_) return;
  if (state_ != SocketState::Closed) {
    RaiseException("Cannot change Addr if not closed");
    return;
  }
  addrStr_ = Trim(value);
  addrAssigned_ = !addrStr_.empty();
  addrResolved_ = false;
}

void BasicSocket::SetPort(const std::string& value) {
  if (portAssigned_ && value == portStr_) return;
  if (state_ != SocketState::Closed) {
    RaiseException("Cannot change Port if not closed");
    return;
  }
  portStr_ = Trim(value);
  portAssigned_ = !portStr_.empty();
  portResolved_ = false;
}

void BasicSocket::SetProto(const std::string& value) {
  if (protoAssigned_ && value == protoStr_) return;
  if (state_ != SocketState::Closed) {
    RaiseException("Cannot change Proto if not closed");
    return;
  }
  protoStr_ = Trim(value);
  protoAssigned_ = !protoStr_.empty();
  protoResolved_ = false;
}

void BasicSocket::SetLocalAddr(const std::string& value) {
  if (state_ != SocketState::Closed) {
    RaiseException("Cannot change LocalAddr if not closed");
    return;
  }
  localAddr_ = value.empty() ? "0.0.0.0" : value;
}

void BasicSocket::SetLocalPort(const std::string& value) {
  if (state_ != SocketState::Closed) {
    RaiseException("Cannot change LocalPort if not closed");
    return;
  }
  localPortStr_ = value;
  localPortResolved_ = false;
}

void BasicSocket::setSendFlags(SendFlags value) {
  if (value != SendFlags::Normal && value != SendFlags::Urgent) {
    RaiseException("Invalid SendFlags");
    return;
  }
  sendFlags_ = value;
}

std::uint8_t BasicSocket::ReqVerLow() const {
  return library::ReqVerLow();
}
std::uint8_t BasicSocket::ReqVerHigh() const {
  return library::ReqVerHigh();
}

void BasicSocket::SetReqVerLow(std::uint8_t value) {
  if (library::InUse()) {
    reportSocketError(SocketError::InvalidArgument, "SetReqVerLow: WinSock version can't be changed now");
    return;
  }
  library::SetReqVer(value, library::ReqVerHigh());
}

void BasicSocket::SetReqVerHigh(std::uint8_t value) {
  if (library::InUse()) {
    reportSocketError(SocketError::InvalidArgument, "SetReqVerHigh: WinSock version can't be changed now");
    return;
  }
  library::SetReqVer(library::ReqVerLow(), value);
}

std::string BasicSocket::PeerAddr() {
  return PeerText(false);
}
std::string BasicSocket::PeerPort() {
  return PeerText(true);
}

std::string BasicSocket::PeerText(bool wantPort) {
  if (state_ != SocketState::Connected || fd_ == -1) return "error";
  sockaddr_in peer{};
  socklen_t len = sizeof peer;
  if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &len) != 0) {
    reportErrno(wantPort ? "GetPeerPort" : "GetPeerAddr");
    return "error";
  }
  return wantPort ? std::to_string(ntohs(peer.sin_port)) : ipv4ToText(peer.sin_addr.s_addr);
}

void BasicSocket::SetResolvedTarget(std::uint32_t networkOrderAddr, std::uint16_t hostOrderPort) {
  sin_.sin_family = AF_INET;
  sin_.sin_addr.s_addr = networkOrderAddr;
  sin_.sin_port = htons(hostOrderPort);
  addrResolved_ = portResolved_ = true;
}

// --- Error reporting ------------------------------------------------------------------------------

void BasicSocket::RaiseException(const std::string& msg) {
  if (OnError) {
    TriggerError();
    return;
  }
  throw SocketException(msg);
}

void BasicSocket::reportErrno(const std::string& functionName) {
  reportSocketError(SocketErrorFromErrno(errno), functionName);
}

void BasicSocket::reportSocketError(int code, const std::string& functionName) {
  const std::string line =
      "Error " + std::to_string(code) + " in function " + functionName + "\r\n" + socketErrorText(code);
  if (code == SocketError::ConnectionReset || code == SocketError::NotConnected) {
    CloseSystemSocket();
    // Once per connection, like every other close path.
    if (state_ != SocketState::Closed && !closeInvoked_) {
      closeInvoked_ = true;
      TriggerSessionClosed(static_cast<std::uint16_t>(code));
    }
    ChangeState(SocketState::Closed);
  }
  lastError_ = code;
  RaiseException(line);
}

void BasicSocket::HandleBackgroundException(const std::exception& e) {
  bool canClose = true;
  if (OnBgException) {
    try {
      OnBgException(this, e, canClose);
    } catch (...) {
    }
  }
  if (canClose) {
    try {
      Abort();
    } catch (...) {
    }
  }
}

void BasicSocket::ChangeState(SocketState newState) {
  const SocketState oldState = state_;
  state_ = newState;
  if (oldState != newState) TriggerChangeState(oldState, newState);
}

// --- Events ---------------------------------------------------------------------------------------

bool BasicSocket::TriggerDataAvailable(std::uint16_t errCode) {
  if (!OnDataAvailable || destroying_) return false;
  OnDataAvailable(this, errCode);
  return true;
}

void BasicSocket::TriggerSessionAvailable(std::uint16_t errCode) {
  if (OnSessionAvailable && !destroying_) OnSessionAvailable(this, errCode);
}

void BasicSocket::TriggerSessionConnected(std::uint16_t errCode) {
  if (OnSessionConnected && !destroying_) OnSessionConnected(this, errCode);
}

void BasicSocket::TriggerSessionClosed(std::uint16_t errCode) {
  if (OnSessionClosed && !destroying_) OnSessionClosed(this, errCode);
}

void BasicSocket::TriggerDataSent(std::uint16_t errCode) {
  if (OnDataSent && !destroying_) OnDataSent(this, errCode);
}

void BasicSocket::TriggerChangeState(SocketState oldState, SocketState newState) {
  if (OnChangeState && !destroying_) OnChangeState(this, oldState, newState);
}

void BasicSocket::TriggerDnsLookupDone(std::uint16_t errCode) {
  if (OnDnsLookupDone && !destroying_) OnDnsLookupDone(this, errCode);
}

void BasicSocket::TriggerError() {
  if (OnError && !destroying_) OnError(this);
}

// --- Messages -------------------------------------------------------------------------------------

void BasicSocket::handleMessage(platform::Message& msg) {
  switch (msg.id) {
    case SocketMessage::Notification:
      HandleNotification(msg);
      break;
    case SocketMessage::LookupDone:
      HandleLookupDone(msg);
      break;
    case SocketMessage::CloseDelayed:
      Close();
      break;
    case SocketMessage::Release:
      delete this;
      return;
    case SocketMessage::TriggerException:
      throw SocketException("Test exception in WSocket");
    default:
      break;
  }
}

void BasicSocket::HandleNotification(platform::Message& msg) {
  if (connHandle_ == 0 || msg.WParam != connHandle_ || paused_) return;
  const unsigned bits = static_cast<unsigned>(msg.LParam) & 0xFFFF;
  const std::uint64_t handle = connHandle_;
  struct Step {
    unsigned bit;
    void (BasicSocket::*handler)(platform::Message&);
  };
  static constexpr Step kSteps[] = {{kConnectEvent, &BasicSocket::handleConnectEvent},
                                    {kReadEvent, &BasicSocket::handleReadEvent},
                                    {kWriteEvent, &BasicSocket::handleWriteEvent},
                                    {kAcceptEvent, &BasicSocket::handleAcceptEvent},
                                    {kCloseEvent, &BasicSocket::handleCloseEvent}};
  for (const Step& step : kSteps) {
    if ((bits & step.bit) == 0 || connHandle_ != handle) continue;
    curEvent_ = step.bit;
    try {
      (this->*step.handler)(msg);
    } catch (...) {
      curEvent_ = 0;
      throw;
    }
    curEvent_ = 0;
  }
}

void BasicSocket::handleConnectEvent(platform::Message& msg) {
  const auto errCode = static_cast<std::uint16_t>(msg.LParam >> 16);
  if (state_ == SocketState::Connected) return;
  ChangeState(SocketState::Connected);
  TriggerSessionConnected(errCode);
  if (errCode != 0 && state_ != SocketState::Closed) Close();
}

void BasicSocket::handleReadEvent(platform::Message& msg) {
  const auto errCode = static_cast<std::uint16_t>(msg.LParam >> 16);
  if (state_ != SocketState::Connected) {
    ChangeState(SocketState::Connected);
    TriggerSessionConnected(errCode);
  }
  AsyncReceive(errCode, options_);
}

void BasicSocket::handleWriteEvent(platform::Message& msg) {
  TryToSend();
  if (allSent_) TriggerDataSent(static_cast<std::uint16_t>(msg.LParam >> 16));
}

void BasicSocket::handleAcceptEvent(platform::Message& msg) {
  TriggerSessionAvailable(static_cast<std::uint16_t>(msg.LParam >> 16));
}

void BasicSocket::handleCloseEvent(platform::Message& msg) {
  if (state_ == SocketState::Connecting || fd_ == -1) return;
  AsyncReceive(0, options_ & ~SocketOption::NoReceiveLoop, true);
  if (!closeInvoked_) {
    closeInvoked_ = true;
    TriggerSessionClosed(static_cast<std::uint16_t>(msg.LParam >> 16));
  }
  if (state_ != SocketState::Closed) Close();
}

void BasicSocket::AsyncReceive(std::uint16_t errCode, SocketOptions options, bool draining) {
  // Bytes still waiting after the last pass are reported again by the next read notification.
  constexpr int kPassesPerNotification = 64;
  for (int pass = 1;; ++pass) {
    try {
      lastError_ = 0;
      const std::uint64_t receivesBefore = receiveCalls_;
      if (!TriggerDataAvailable(errCode)) {
        char scratch[1024];
        if (DoRecv(scratch, sizeof scratch, 0) < 0 && recvError_ == SocketError::WouldBlock) {
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
        lastError_ = SocketErrorFromErrno(errno);
        return;
      }
      if (waiting == 0 || (!draining && pass >= kPassesPerNotification)) return;
    } catch (...) {
      return;  // an exception of the data handler ends the loop and goes no further
    }
  }
}

// --- Name lookup ----------------------------------------------------------------------------------

void BasicSocket::DnsLookup(const std::string& hostName) {
  if (hostName.empty()) {
    RaiseException("DNS lookup: invalid host name.");
    TriggerDnsLookupDone(SocketError::InvalidArgument);
    return;
  }
  ForgetLookup();
  dnsResult_.clear();
  dnsResultList_.clear();
  library::Use();
  if (isDottedIp(hostName)) {
    const in_addr_t addr = inet_addr(Trim(hostName).c_str());
    if (addr != INADDR_NONE) {
      dnsResult_ = ipv4ToText(addr);
      dnsResultList_.push_back(dnsResult_);
      TriggerDnsLookupDone(0);
      return;
    }
  }
  if (!window_) {
    RaiseException("DnsLookup: Window not assigned");
    return;
  }
  StartLookup(hostName);
}

void BasicSocket::StartLookup(const std::string& hostName) {
  dnsEarly_ = false;
  lookups_.erase(std::remove_if(lookups_.begin(), lookups_.end(), [](const auto& l) { return l->Done(); }),
                 lookups_.end());
  const std::uint64_t handle = NextHandle();
  try {
    lookups_.push_back(
        std::make_unique<HostLookup>(window_->Handle(), SocketMessage::LookupDone, handle, hostName));
  } catch (const std::system_error& e) {
    char text[64];
    std::snprintf(text, sizeof text, ": can't start DNS lookup, error #%d", e.code().value());
    RaiseException(hostName + text);
    return;
  }
  dnsLookupHandle_ = handle;
  if (dnsEarly_) {
    dnsEarly_ = false;
    HandleLookupDone(dnsEarlyMsg_);
  }
}

void BasicSocket::HandleLookupDone(platform::Message& msg) {
  if (dnsLookupHandle_ == 0) {
    // Completion dispatched by a nested pump before the handle was stored: processed once it is.
    dnsEarlyMsg_ = msg;
    dnsEarly_ = true;
    return;
  }
  if (msg.WParam != dnsLookupHandle_) return;
  dnsLookupHandle_ = 0;
  const auto errCode = static_cast<std::uint16_t>(msg.LParam >> 16);
  if (errCode == 0 && msg.Payload) {
    dnsResultList_ = *std::static_pointer_cast<HostLookup::Result>(msg.Payload);
    dnsResult_ = dnsResultList_.empty() ? std::string() : dnsResultList_.front();
  }
  TriggerDnsLookupDone(errCode);
}

void BasicSocket::ForgetLookup() {
  dnsLookupHandle_ = 0;
}

void BasicSocket::CancelDnsLookup() {
  if (dnsLookupHandle_ == 0) return;
  // getaddrinfo cannot be interrupted: the worker finishes on its own and its completion is ignored.
  dnsLookupHandle_ = 0;
  if (!destroying_) TriggerDnsLookupDone(SocketError::Interrupted);
}

// --- Connect --------------------------------------------------------------------------------------

void BasicSocket::Connect() {
  if (fd_ != -1 && state_ != SocketState::Closed) {
    RaiseException("Connect: Socket already in use");
    return;
  }
  if (!portAssigned_) {
    RaiseException("Connect: No Port Specified");
    return;
  }
  if (!addrAssigned_) {
    RaiseException("Connect: No IP Address Specified");
    return;
  }
  if (!protoAssigned_) {
    RaiseException("Connect: No Protocol Specified");
    return;
  }
  library::Use();
  try {
    ResolveTargetForConnect();
  } catch (const SocketException& e) {
    RaiseException(std::string("connect: ") + e.what());
    return;
  }
  DeleteBufferedData();
  if (!OpenAndConfigure()) return;
  if (sockType_ == 2) {
    ChangeState(SocketState::Connected);
    TriggerSessionConnected(0);
    return;
  }
  StartSystemConnect();
}

void BasicSocket::ResolveTargetForConnect() {
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
bool BasicSocket::OpenAndConfigure() {
  const int type = sockType_ == 1 ? SOCK_STREAM : sockType_ == 2 ? SOCK_DGRAM : SOCK_RAW;
  const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protoNum_);
  if (fd < 0) {
    reportErrno("Connect (socket)");
    return false;
  }
  fd_ = fd;
  connHandle_ = NextHandle();
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
  ChangeState(SocketState::Opened);
  if (state_ != SocketState::Opened) {
    reportSocketError(SocketError::InvalidArgument, "Connect (Invalid operation in OnChangeState)");
    return false;
  }
  const int before = fd_;
  const bool configured = sockType_ == 1 ? SetStreamOptions() : SetDatagramOptions();
  if (!configured || fd_ != before || state_ != SocketState::Opened) return false;  // a failure was reported
  notifiers_ = std::make_unique<SocketNotifiers>(fd_, window_ ? window_->Handle() : platform::kNoTarget,
                                                 connHandle_, sockType_ == 1);
  selectEvent_ = kReadEvent | kWriteEvent | kAcceptEvent | kConnectEvent | kCloseEvent;
  notifiers_->Select(paused_ ? 0 : selectEvent_);
  return true;
}

bool BasicSocket::SetStreamOptions() {
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
  if (!SetLingerOption() || !SetKeepAliveOption()) return false;
  if (localPortNum_ != 0 || localAddr_ != "0.0.0.0") return BindSocket();
  return true;
}

bool BasicSocket::SetDatagramOptions() {
  if (!BindSocket()) return false;
  if (multiCast_ && multiCastIpTTL_ != 1) {
    const unsigned char ttl = static_cast<unsigned char>(multiCastIpTTL_);
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

void BasicSocket::StartSystemConnect() {
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_) == 0 || errno == EINPROGRESS ||
      errno == EAGAIN) {
    ChangeState(SocketState::Connecting);
    if (notifiers_) notifiers_->ConnectStarted();
    return;
  }
  const int err = errno;
  if (IsConnectOutcome(err)) {
    // The platform reports these through the connect notification; keep that order here too.
    ChangeState(SocketState::Connecting);
    if (notifiers_) notifiers_->Stop();
    PostNotification(kConnectEvent, SocketErrorFromErrno(err));
    return;
  }
  lastError_ = SocketErrorFromErrno(err);
  reportSocketError(lastError_, "Connect");
}

void BasicSocket::PostNotification(unsigned bits, int errCode) {
  if (!window_ || connHandle_ == 0) return;
  platform::PostMessage(window_->Handle(), SocketMessage::Notification, connHandle_,
                        static_cast<std::intptr_t>(bits | (static_cast<unsigned>(errCode & 0xFFFF) << 16)));
}

bool BasicSocket::BindSocket() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(localPortNum_);
  try {
    local.sin_addr.s_addr = resolveHost(localAddr_);
  } catch (const SocketException& e) {
    RaiseException(std::string("connect: ") + e.what());
    return false;
  }
  char text[64];
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::snprintf(text, sizeof text, "winsock.bind failed, error #%d", SocketErrorFromErrno(errno));
    RaiseException(text);
    return false;
  }
  socklen_t len = sizeof local;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len) != 0) {
    std::snprintf(text, sizeof text, "winsock.getsockname failed, error #%d", SocketErrorFromErrno(errno));
    RaiseException(text);
    return false;
  }
  localPortNum_ = ntohs(local.sin_port);
  localPortStr_ = std::to_string(localPortNum_);
  return true;
}

bool BasicSocket::ApplyLinger(int onOff, int seconds) {
  linger value{};
  value.l_onoff = onOff;
  value.l_linger = seconds;
  if (::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0) return true;
  reportErrno("setsockopt(SO_LINGER)");
  return false;
}

bool BasicSocket::SetLingerOption() {
  if (lingerMode_ == LingerMode::NotSet) return true;
  if (fd_ == -1) {
    RaiseException("Cannot set linger option at this time");
    return false;
  }
  return ApplyLinger(lingerMode_ == LingerMode::On ? 1 : 0, lingerTimeout_);
}

bool BasicSocket::SetKeepAliveOption() {
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

std::int32_t BasicSocket::Send(const void* data, std::int32_t len) {
  if (state_ != SocketState::Connected && state_ != SocketState::SocksConnected) {
    reportSocketError(SocketError::NotConnected, "Send");
    return -1;
  }
  if (len < 0 || data == nullptr) len = 0;
  allSent_ = false;
  if (len > 0) PutDataInSendBuffer(data, len);
  TryToSend();
  // The data-sent event always comes from the message loop, never from inside Send.
  if (bufferedByteCount_ == 0 && fd_ != -1) PostNotification(kWriteEvent, 0);
  return len;
}

std::int32_t BasicSocket::SendStr(const std::string& s) {
  if (s.empty()) return 0;
  return Send(s.data(), static_cast<std::int32_t>(std::min<std::size_t>(s.size(), INT32_MAX)));
}

void BasicSocket::PutDataInSendBuffer(const void* data, std::int32_t len) {
  std::lock_guard<std::recursive_mutex> guard(library::SendLock());
  if (len <= 0) return;
  if (bufList_.empty()) bufList_.push_back(std::make_unique<SendBlock>(bufSize_));
  bufferedByteCount_ =
      static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{bufferedByteCount_} + len, INT32_MAX));
  const char* p = static_cast<const char*>(data);
  std::int32_t remaining = len;
  for (;;) {
    const std::int32_t n = bufList_.back()->Write(p, remaining);
    p += n;
    remaining -= n;
    if (remaining <= 0) break;
    bufList_.push_back(std::make_unique<SendBlock>(bufSize_));
  }
  allSent_ = false;
}

void BasicSocket::DeleteBufferedData() {
  std::lock_guard<std::recursive_mutex> guard(library::SendLock());
  bufList_.clear();
  bufferedByteCount_ = 0;
}

void BasicSocket::TryToSend() {
  std::unique_lock<std::recursive_mutex> guard(library::SendLock());
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
    const char* p = block.Peek(len);
    if (len <= 0) {
      if (bufList_.size() > 1) {
        bufList_.pop_front();
        continue;
      }
      allSent_ = true;  // the last block stays for reuse
      return;
    }
    const std::int32_t sent = RealSend(p, len);
    if (sent > 0) {
      bufferedByteCount_ = std::max(0, bufferedByteCount_ - sent);
      block.Remove(sent);
      if (sent < len) {
        if (notifiers_) notifiers_->ArmWrite();
        return;
      }
      continue;
    }
    if (sent == 0) {
      if (notifiers_) notifiers_->ArmWrite();
      return;
    }
    const int code = sendError_;
    if (code == SocketError::InvalidArgument || code == SocketError::NotSocket ||
        code == SocketError::ConnectionAborted || code == SocketError::ConnectionReset ||
        code == SocketError::NotConnected) {
      closeInvoked_ = true;
      Close();
      TriggerSessionClosed(static_cast<std::uint16_t>(code));
      return;
    }
    if (code == SocketError::WouldBlock) {
      if (notifiers_) notifiers_->ArmWrite();
      return;
    }
    guard.unlock();
    reportSocketError(code, "TryToSend failed");
    return;
  }
}

std::int32_t BasicSocket::RealSend(const char* data, std::int32_t len) {
  ssize_t n;
  if (sockType_ == 1) {
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT | (sendFlags_ == SendFlags::Urgent ? MSG_OOB : 0);
    n = ::send(fd_, data, static_cast<std::size_t>(len), flags);
  } else {
    n = ::sendto(fd_, data, static_cast<std::size_t>(len), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_);
  }
  if (n < 0) {
    sendError_ = SocketErrorFromErrno(errno);
    return -1;
  }
  if (n > 0 && OnSendData && !destroying_) OnSendData(this, static_cast<std::int32_t>(n));
  return static_cast<std::int32_t>(n);
}

void BasicSocket::Flush() {
  while (fd_ != -1 && bufferedByteCount_ > 0) {
    TryToSend();
    if (fd_ != -1 && bufferedByteCount_ > 0) platform::waitForMessage(100);
  }
}

// --- Receiving ------------------------------------------------------------------------------------

std::int32_t BasicSocket::Receive(void* buffer, std::int32_t bufferSize) {
  ++receiveCalls_;
  const std::int32_t n = DoRecv(buffer, bufferSize, 0);
  if (n < 0) {
    lastError_ = recvError_;
  } else {
    readCount_ += n;
  }
  return n;
}

std::int32_t BasicSocket::DoRecv(void* buffer, std::int32_t bufferSize, int flags) {
  ++receiveCalls_;
  if (fd_ == -1) {
    recvError_ = SocketError::NotSocket;
    return -1;
  }
  const ssize_t n =
      ::recv(fd_, buffer, static_cast<std::size_t>(std::max(0, bufferSize)), flags | MSG_DONTWAIT);
  if (notifiers_) notifiers_->ArmRead();
  if (n < 0) {
    recvError_ = SocketErrorFromErrno(errno);
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

std::string BasicSocket::ReceiveStr() {
  std::int32_t count = queryBytesWaiting();
  if (count < 0) return std::string();
  if (count == 0) count = 255;
  std::string s(static_cast<std::size_t>(count), '\0');
  const std::int32_t n = Receive(s.data(), count);
  if (n <= 0) return std::string();
  s.resize(static_cast<std::size_t>(n));
  return s;
}

// --- Closing --------------------------------------------------------------------------------------

void BasicSocket::Close() {
  InternalClose(true, 0);
}

void BasicSocket::InternalClose(bool shut, std::uint16_t errCode) {
  if (fd_ == -1) {
    if (state_ != SocketState::Closed) {
      ChangeState(SocketState::Closed);
      AssignDefaultValue();
    }
    return;
  }
  if (state_ == SocketState::Closed) return;
  if (shut) {
    Shutdown(1);
    // A zero linger time would turn the close into a reset and drop bytes the system accepted but has
    // not delivered yet; an orderly close lets them go out.
    if (sockType_ == 1 && lingerMode_ == LingerMode::On && lingerTimeout_ == 0) {
      const linger off{};
      ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
  }
  CloseSystemSocket();
  ChangeState(SocketState::Closed);
  if (!destroying_ && !closeInvoked_) {
    closeInvoked_ = true;
    TriggerSessionClosed(errCode);
  }
  // A handler may already have opened the next connection; its settings must stay.
  if (fd_ != -1) return;
  try {
    AssignDefaultValue();
  } catch (...) {
  }
}

void BasicSocket::CloseSystemSocket() {
  notifiers_.reset();  // before the descriptor goes, so no notifier watches a reused number
  if (fd_ != -1) ::close(fd_);
  fd_ = -1;
  connHandle_ = 0;
  selectEvent_ = 0;
}

void BasicSocket::Shutdown(int how) {
  if (fd_ != -1) ::shutdown(fd_, how);
}

void BasicSocket::Abort() {
  InternalAbort(0);
}

void BasicSocket::InternalAbort(std::uint16_t errCode) {
  CancelDnsLookup();
  DeleteBufferedData();
  if (state_ == SocketState::Connected && protoNum_ == 6) {
    lingerMode_ = LingerMode::Off;
    SetLingerOption();
  }
  InternalClose(false, errCode);
}

void BasicSocket::CloseDelayed() {
  if (window_) platform::PostMessage(window_->Handle(), SocketMessage::CloseDelayed);
}

void BasicSocket::Release() {
  if (window_) platform::PostMessage(window_->Handle(), SocketMessage::Release);
}

void BasicSocket::Pause() {
  paused_ = true;
  if (notifiers_) notifiers_->Select(0);
}

void BasicSocket::Resume() {
  paused_ = false;
  if (!notifiers_) return;
  notifiers_->Select(selectEvent_);
  if (bufferedByteCount_ > 0) notifiers_->ArmWrite();
}

void BasicSocket::WaitForClose() {
  while (fd_ != -1 && state_ != SocketState::Closed) {
    platform::waitForMessage(100);
    if (fd_ == -1 || state_ == SocketState::Closed) break;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0) break;
    if (waiting > 0) TriggerDataAvailable(0);
  }
}

void BasicSocket::MessagePump() {
  platform::ProcessMessages();
}

void BasicSocket::ThreadDetach() {
  if (std::this_thread::get_id() != threadId_) {
    RaiseException("Cannot detach from other thread");
    return;
  }
  notifiers_.reset();
  window_.reset();
}

void BasicSocket::ThreadAttach() {
  if (window_) {
    RaiseException("Cannot attach when not detached");
    return;
  }
  window_ = std::make_unique<Window>(this);
  threadId_ = std::this_thread::get_id();
  if (fd_ != -1) {
    notifiers_ = std::make_unique<SocketNotifiers>(fd_, window_->Handle(), connHandle_, sockType_ == 1);
    notifiers_->Select(paused_ ? 0 : selectEvent_);
    if (bufferedByteCount_ > 0) notifiers_->ArmWrite();
  }
}

}  // namespace net
