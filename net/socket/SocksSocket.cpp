#include "net/socket/SocksSocket.h"

#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocksRequest.h"
#include "net/socket/Text.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace net {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

SocksSocket::SocksSocket() = default;

// --- Settings -------------------------------------------------------------------------------------

void SocksSocket::SetSocksLevel(const std::string& value) {
  if (State() != SocketState::Closed) {
    RaiseException("Can't change socks level if not closed");
    return;
  }
  if (value != "4" && value != "5" && value != "4A" && value != "4a") {
    RaiseException("Invalid socks level. Must be 4, 4A or 5.");
    return;
  }
  socksLevel_ = value == "4a" ? "4A" : value;
}

void SocksSocket::SetSocksServer(const std::string& value) {
  if (State() != SocketState::Closed) {
    RaiseException("Can't change socks server if not closed");
    return;
  }
  socksServer_ = Trim(value);
}

void SocksSocket::SetSocksPort(const std::string& value) {
  if (State() != SocketState::Closed) {
    RaiseException("Can't change socks port if not closed");
    return;
  }
  socksPort_ = Trim(value);
}

void SocksSocket::AssignDefaultValue() {
  BasicSocket::AssignDefaultValue();
  SetSocksState(SocksState::Data);
  requestsUnreported_ = 0;
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
}

void SocksSocket::SetSocksState(SocksState state) {
  socksState_ = state;
}

// --- Connect --------------------------------------------------------------------------------------

void SocksSocket::Connect() {
  // Without a proxy, and for the checks the base makes first (socket in use, no port, no address), the
  // ordinary connect runs and reports in its own words.
  if (socksServer_.empty() || (socketDescriptor() != -1 && State() != SocketState::Closed) ||
      !PortAssigned() || !AddrAssigned()) {
    BasicSocket::Connect();
    return;
  }
  if (Lower(Proto()) != "tcp" && Trim(Proto()) != "6") {
    RaiseException("tcp is the only protocol supported thru socks server");
    return;
  }
  if (!CheckSocksRequests()) return;
  try {
    targetPort_ = resolvePort(Port(), Proto());
    const std::uint16_t proxyPort = resolvePort(socksPort_, Proto());
    SetResolvedTarget(resolveHost(socksServer_), proxyPort);
  } catch (const SocketException& e) {
    RaiseException(std::string("connect: ") + e.what());
    return;
  }
  boundAddr_.clear();
  boundPort_.clear();
  SetSocksState(socksLevel_[0] == '4' ? SocksState::Socks4Connecting : SocksState::Socks5Connecting);
  BasicSocket::Connect();
  if (socketDescriptor() == -1) SetSocksState(SocksState::Data);  // the connect was refused and reported
}

bool SocksSocket::CheckSocksRequests() {
  if (socksLevel_[0] == '4') {
    if (Socks4ConnectFits(socksUsercode_, socksLevel_ == "4A" ? Addr() : std::string())) return true;
    RaiseException("Connect: socks user code or host name too long");
    return false;
  }
  if (!Socks5ConnectFits(Addr())) {
    RaiseException("Connect: host name too long for a socks server");
    return false;
  }
  if (socksAuthentication_ == SocksAuthentication::UserCode &&
      !Socks5AuthFits(socksUsercode_, socksPassword_)) {
    RaiseException("Connect: socks user code and password too long");
    return false;
  }
  return true;
}

// --- Negotiation ----------------------------------------------------------------------------------

void SocksSocket::TriggerSessionConnected(std::uint16_t errCode) {
  if (socksState_ != SocksState::Socks4Connecting && socksState_ != SocksState::Socks5Connecting) {
    BasicSocket::TriggerSessionConnected(errCode);
    return;
  }
  const std::uint64_t connection = ConnectionHandle();
  TriggerSocksConnected(errCode);
  if (ConnectionHandle() != connection || !SocksNegotiating()) return;  // the handler closed the socket
  if (errCode != 0) {
    SetSocksState(SocksState::Data);
    BasicSocket::TriggerSessionConnected(errCode);
    return;
  }
  if (socksState_ == SocksState::Socks4Connecting) {
    SendSocks4Connect();
  } else {
    SendSocks5Greeting();
  }
}

void SocksSocket::SendRequest(const std::string& bytes) {
  try {
    if (SendStr(bytes) > 0) ++requestsUnreported_;
  } catch (...) {
    // A failed send closes the connection, which ends the negotiation on its own.
  }
}

void SocksSocket::SendSocks5Greeting() {
  methodOffered_ = socksAuthentication_ == SocksAuthentication::UserCode ? 2 : 0;
  SetSocksState(SocksState::Socks5MethodNegotiation);
  reply_.Reset(SocksReplyKind::Socks5MethodReply);
  SendRequest(Socks5Greeting(methodOffered_));
}

void SocksSocket::SendSocks5Auth() {
  SetSocksState(SocksState::Socks5Authentication);
  reply_.Reset(SocksReplyKind::Socks5AuthReply);
  SendRequest(Socks5AuthRequest(socksUsercode_, socksPassword_));
  TriggerSocksAuthState(SocksAuthState::Start);
}

void SocksSocket::SendSocks5Connect() {
  SetSocksState(SocksState::Socks5ConnectRequest);
  reply_.Reset(SocksReplyKind::Socks5ConnectReply);
  SendRequest(Socks5ConnectRequest(Addr(), targetPort_));
}

void SocksSocket::SendSocks4Connect() {
  std::uint32_t addr = htonl(1);  // 0.0.0.1: version 4A, the proxy resolves the name
  if (socksLevel_ != "4A") {
    try {
      addr = resolveHost(Addr());
    } catch (const SocketException& e) {
      failNegotiation(SocksError::ResolveError, std::string("ESocketException ") + e.what());
      return;
    }
  }
  SetSocksState(SocksState::Socks4ConnectRequest);
  reply_.Reset(SocksReplyKind::Socks4ConnectReply);
  SendRequest(Socks4ConnectRequest(targetPort_, addr, socksUsercode_, socksLevel_ == "4A" ? Addr() : ""));
}

bool SocksSocket::TriggerDataAvailable(std::uint16_t errCode) {
  if (socksState_ == SocksState::Data) return BasicSocket::TriggerDataAvailable(errCode);
  if (errCode != 0) {
    failNegotiation(errCode, "data receive error");
  } else if (socksState_ == SocksState::Socks4Connecting || socksState_ == SocksState::Socks5Connecting) {
    failNegotiation(SocksError::LogicError,
                    "TWSocket logic error");  // the proxy spoke before it was connected
  } else {
    ReceiveReply();
  }
  return true;
}

// Reads exactly what the pending reply still needs until it is whole, fails, or nothing more waits.
void SocksSocket::ReceiveReply() {
  const std::uint64_t connection = ConnectionHandle();
  std::uint8_t buf[SocksReply::kMaxReply];
  while (SocksNegotiating() && socketDescriptor() != -1 && ConnectionHandle() == connection) {
    const std::size_t wanted = reply_.Wanted();
    if (wanted == 0) {
      failNegotiation(SocksError::InternalError, "internal error");
      return;
    }
    const std::int32_t n = BasicSocket::DoRecv(buf, static_cast<std::int32_t>(wanted), 0);
    if (n < 0) {
      if (RecvError() != SocketError::WouldBlock) failNegotiation(RecvError(), "data receive error");
      return;
    }
    if (n == 0) return;  // the proxy closed: the close notification ends the negotiation
    reply_.Take(buf, static_cast<std::size_t>(n));
    if (reply_.status() == SocksReply::Status::Failed) {
      if (socksState_ == SocksState::Socks5Authentication) TriggerSocksAuthState(SocksAuthState::Failure);
      if (ConnectionHandle() == connection) failNegotiation(reply_.Error(), reply_.ErrorText());
      return;
    }
    if (reply_.status() == SocksReply::Status::Complete) ReplyComplete();
  }
}

void SocksSocket::ReplyComplete() {
  const std::uint64_t connection = ConnectionHandle();
  switch (socksState_) {
    case SocksState::Socks5MethodNegotiation:
      if (reply_.Method() == 2) {
        SendSocks5Auth();
        return;
      }
      if (methodOffered_ != 0) TriggerSocksAuthState(SocksAuthState::NotRequired);
      if (ConnectionHandle() == connection) SendSocks5Connect();
      return;
    case SocksState::Socks5Authentication:
      TriggerSocksAuthState(SocksAuthState::Success);
      if (ConnectionHandle() == connection) SendSocks5Connect();
      return;
    case SocksState::Socks5ConnectRequest:
      boundAddr_ = reply_.BoundAddr();
      boundPort_ = reply_.BoundPort();
      SocksSucceeded();
      return;
    case SocksState::Socks4ConnectRequest:
      SocksSucceeded();
      return;
    default:
      failNegotiation(SocksError::InternalError, "internal error");
      return;
  }
}

// The tunnel stands. Bytes that followed the reply are still with the system and arrive as ordinary data
// right after this event.
void SocksSocket::SocksSucceeded() {
  SetSocksState(SocksState::Data);
  TriggerSessionConnected(0);
}

void SocksSocket::failNegotiation(std::int32_t code, const std::string& msg) {
  const std::uint64_t connection = ConnectionHandle();
  TriggerSocksError(code, msg);
  SetSocksState(SocksState::Data);
  if (ConnectionHandle() != connection) return;  // the handler has closed or replaced the connection
  TriggerSessionConnected(static_cast<std::uint16_t>(code));
  if (ConnectionHandle() == connection) InternalClose(true, static_cast<std::uint16_t>(code));
}

// --- Closing --------------------------------------------------------------------------------------

void SocksSocket::handleCloseEvent(platform::Message& msg) {
  if (SocksNegotiating() && State() != SocketState::Connecting && socketDescriptor() != -1) {
    // What the proxy sent before closing is read first: it may finish or refuse the negotiation.
    AsyncReceive(0, options() & ~SocketOption::NoReceiveLoop, true);
    if (SocksNegotiating() && socketDescriptor() != -1) {
      // The proxy left in the middle: the connect fails, it does not just end.
      const auto errCode = static_cast<std::uint16_t>(msg.LParam >> 16);
      if (socksState_ == SocksState::Socks5Authentication) TriggerSocksAuthState(SocksAuthState::Failure);
      if (socketDescriptor() != -1)
        failNegotiation(errCode != 0 ? std::int32_t{errCode} : std::int32_t{SocketError::ConnectionAborted},
                        "data receive error");
    }
  }
  BasicSocket::handleCloseEvent(msg);
}

void SocksSocket::TriggerSessionClosed(std::uint16_t errCode) {
  if (socksState_ == SocksState::Socks5Authentication) {
    SetSocksState(SocksState::Data);
    TriggerSocksAuthState(SocksAuthState::Failure);
  }
  BasicSocket::TriggerSessionClosed(errCode);
}

// --- Events ---------------------------------------------------------------------------------------

// The requests of the negotiation are the layer's own: the application hears only of what it sent.
void SocksSocket::TriggerDataSent(std::uint16_t errCode) {
  if (requestsUnreported_ > 0) {
    --requestsUnreported_;
    return;
  }
  if (!SocksNegotiating()) BasicSocket::TriggerDataSent(errCode);
}

void SocksSocket::TriggerSocksConnected(std::uint16_t errCode) {
  if (OnSocksConnected && !Destroying()) OnSocksConnected(this, errCode);
}

void SocksSocket::TriggerSocksError(std::int32_t error, const std::string& msg) {
  if (OnSocksError && !Destroying()) OnSocksError(this, error, msg);
}

void SocksSocket::TriggerSocksAuthState(SocksAuthState state) {
  if (OnSocksAuthState && !Destroying()) OnSocksAuthState(this, state);
}

}  // namespace net
