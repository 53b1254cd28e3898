#include "net/socket/SocksSocket.h"

#include "common/Text.h"
#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocksRequest.h"

#include <arpa/inet.h>

namespace net {
SocksSocket::SocksSocket() = default;

// --- Settings -------------------------------------------------------------------------------------

void SocksSocket::setSocksLevel(const std::string& value) {
  if (state() != SocketState::Closed) {
    raiseException("Can't change socks level if not closed");
    return;
  }
  if (value != "4" && value != "5" && value != "4A" && value != "4a") {
    raiseException("Invalid socks level. Must be 4, 4A or 5.");
    return;
  }
  socksLevel_ = value == "4a" ? "4A" : value;
}

void SocksSocket::setSocksServer(const std::string& value) {
  if (state() != SocketState::Closed) {
    raiseException("Can't change socks server if not closed");
    return;
  }
  socksServer_ = common::trim(value);
}

void SocksSocket::setSocksPort(const std::string& value) {
  if (state() != SocketState::Closed) {
    raiseException("Can't change socks port if not closed");
    return;
  }
  socksPort_ = common::trim(value);
}

void SocksSocket::assignDefaultValue() {
  BasicSocket::assignDefaultValue();
  setSocksState(SocksState::Data);
  requestsUnreported_ = 0;
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
}

void SocksSocket::setSocksState(SocksState state) {
  socksState_ = state;
}

// --- Connect --------------------------------------------------------------------------------------

void SocksSocket::connect() {
  forgetRaisedMessage();
  // Without a proxy, and for the checks the base makes first (socket in use, no port, no address), the
  // ordinary connect runs and reports in its own words.
  if (socksServer_.empty() || (socketDescriptor() != -1 && state() != SocketState::Closed) ||
      !portAssigned() || !addrAssigned()) {
    BasicSocket::connect();
    return;
  }
  if (!common::equalsNoCase(proto(), "tcp") && common::trim(proto()) != "6") {
    raiseException("tcp is the only protocol supported thru socks server");
    return;
  }
  if (!checkSocksRequests()) return;
  try {
    targetPort_ = resolvePort(port(), proto());
    const std::uint16_t proxyPort = resolvePort(socksPort_, proto());
    setResolvedTarget(resolveHost(socksServer_), proxyPort);
  } catch (const SocketException& e) {
    raiseException(std::string("connect: ") + e.what());
    return;
  }
  boundAddr_.clear();
  boundPort_.clear();
  setSocksState(socksLevel_[0] == '4' ? SocksState::Socks4Connecting : SocksState::Socks5Connecting);
  BasicSocket::connect();
  if (socketDescriptor() == -1) setSocksState(SocksState::Data);  // the connect was refused and reported
}

// Each value that cannot go into its request is refused by name, before anything is sent.
bool SocksSocket::checkSocksRequests() {
  const std::string& host = addr();
  const std::string& user = socksUsercode_;
  const std::string& password = socksPassword_;
  auto refuse = [this](const std::string& what, std::size_t size, std::size_t most, const char* with) {
    raiseException("Connect: " + what + " too long (" + std::to_string(size) + " bytes, at most " +
                   std::to_string(most) + with + ")");
    return false;
  };
  if (socksLevel_[0] == '4') {
    const bool named = socksLevel_ == "4A";
    if (user.find('\0') != std::string::npos) {
      raiseException("Connect: socks user code holds a zero byte");
      return false;
    }
    if (named && host.find('\0') != std::string::npos) {
      raiseException("Connect: host name holds a zero byte");
      return false;
    }
    if (socks4ConnectFits(user, named ? host : std::string())) return true;
    // The request holds 8 fixed bytes, the user code and a 0, and for 4A the host name and a 0.
    const std::size_t userMost = kSocksRequestArea - 9 - (named ? 2 : 0);
    if (user.size() > userMost) return refuse("socks user code", user.size(), userMost, "");
    return refuse("host name", host.size(), kSocksRequestArea - 10 - user.size(),
                  " with this socks user code");
  }
  if (!socks5ConnectFits(host))
    return refuse("host name", host.size(), kSocks5MaxHostName, " for a socks server");
  if (socksAuthentication_ == SocksAuthentication::UserCode && !socks5AuthFits(user, password)) {
    // The user code and the password share the request with 3 framing bytes.
    const std::size_t most = kSocksRequestArea - 3;
    if (user.size() > most) return refuse("socks user code", user.size(), most, " with the password");
    return refuse("socks password", password.size(), most - user.size(), " with this socks user code");
  }
  return true;
}

// --- Negotiation ----------------------------------------------------------------------------------

void SocksSocket::triggerSessionConnected(std::uint16_t errCode) {
  if (socksState_ != SocksState::Socks4Connecting && socksState_ != SocksState::Socks5Connecting) {
    BasicSocket::triggerSessionConnected(errCode);
    return;
  }
  const std::uint64_t connection = connectionHandle();
  triggerSocksConnected(errCode);
  if (connectionHandle() != connection || !socksNegotiating()) return;  // the handler closed the socket
  if (errCode != 0) {
    setSocksState(SocksState::Data);
    BasicSocket::triggerSessionConnected(errCode);
    return;
  }
  if (socksState_ == SocksState::Socks4Connecting) {
    sendSocks4Connect();
  } else {
    sendSocks5Greeting();
  }
}

void SocksSocket::sendRequest(const std::string& bytes) {
  try {
    if (sendStr(bytes) > 0) ++requestsUnreported_;
  } catch (...) {
    // A failed send closes the connection, which ends the negotiation on its own.
  }
}

void SocksSocket::sendSocks5Greeting() {
  methodOffered_ = socksAuthentication_ == SocksAuthentication::UserCode ? 2 : 0;
  setSocksState(SocksState::Socks5MethodNegotiation);
  reply_.reset(SocksReplyKind::Socks5MethodReply);
  sendRequest(socks5Greeting(methodOffered_));
}

void SocksSocket::sendSocks5Auth() {
  setSocksState(SocksState::Socks5Authentication);
  reply_.reset(SocksReplyKind::Socks5AuthReply);
  sendRequest(socks5AuthRequest(socksUsercode_, socksPassword_));
  triggerSocksAuthState(SocksAuthState::Start);
}

void SocksSocket::sendSocks5Connect() {
  setSocksState(SocksState::Socks5ConnectRequest);
  reply_.reset(SocksReplyKind::Socks5ConnectReply);
  sendRequest(socks5ConnectRequest(addr(), targetPort_));
}

void SocksSocket::sendSocks4Connect() {
  std::uint32_t address = htonl(1);  // 0.0.0.1: version 4A, the proxy resolves the name
  if (socksLevel_ != "4A") {
    try {
      address = resolveHost(addr());
    } catch (const SocketException& e) {
      failNegotiation(SocksError::ResolveError, std::string("SocketException ") + e.what());
      return;
    }
  }
  setSocksState(SocksState::Socks4ConnectRequest);
  reply_.reset(SocksReplyKind::Socks4ConnectReply);
  sendRequest(socks4ConnectRequest(targetPort_, address, socksUsercode_, socksLevel_ == "4A" ? addr() : ""));
}

bool SocksSocket::triggerDataAvailable(std::uint16_t errCode) {
  if (socksState_ == SocksState::Data) return BasicSocket::triggerDataAvailable(errCode);
  if (errCode != 0) {
    failNegotiation(errCode, "data receive error");
  } else if (socksState_ == SocksState::Socks4Connecting || socksState_ == SocksState::Socks5Connecting) {
    failNegotiation(SocksError::LogicError,
                    "TWSocket logic error");  // the proxy spoke before it was connected
  } else {
    receiveReply();
  }
  return true;
}

// Reads exactly what the pending reply still needs until it is whole, fails, or nothing more waits.
void SocksSocket::receiveReply() {
  const std::uint64_t connection = connectionHandle();
  std::uint8_t buf[SocksReply::kMaxReply];
  while (socksNegotiating() && socketDescriptor() != -1 && connectionHandle() == connection) {
    const std::size_t wanted = reply_.wanted();
    if (wanted == 0) {
      failNegotiation(SocksError::InternalError, "internal error");
      return;
    }
    const std::int32_t n = BasicSocket::doRecv(buf, static_cast<std::int32_t>(wanted), 0);
    if (n < 0) {
      if (recvError() != SocketError::WouldBlock) failNegotiation(recvError(), "data receive error");
      return;
    }
    if (n == 0) return;  // the proxy closed: the close notification ends the negotiation
    reply_.take(buf, static_cast<std::size_t>(n));
    if (reply_.status() == SocksReply::Status::Failed) {
      if (socksState_ == SocksState::Socks5Authentication) triggerSocksAuthState(SocksAuthState::Failure);
      if (connectionHandle() == connection) failNegotiation(reply_.error(), reply_.errorText());
      return;
    }
    if (reply_.status() == SocksReply::Status::Complete) replyComplete();
  }
}

void SocksSocket::replyComplete() {
  const std::uint64_t connection = connectionHandle();
  switch (socksState_) {
    case SocksState::Socks5MethodNegotiation:
      if (reply_.method() == 2) {
        sendSocks5Auth();
        return;
      }
      if (methodOffered_ != 0) triggerSocksAuthState(SocksAuthState::NotRequired);
      if (connectionHandle() == connection) sendSocks5Connect();
      return;
    case SocksState::Socks5Authentication:
      triggerSocksAuthState(SocksAuthState::Success);
      if (connectionHandle() == connection) sendSocks5Connect();
      return;
    case SocksState::Socks5ConnectRequest:
      boundAddr_ = reply_.boundAddr();
      boundPort_ = reply_.boundPort();
      socksSucceeded();
      return;
    case SocksState::Socks4ConnectRequest:
      socksSucceeded();
      return;
    default:
      failNegotiation(SocksError::InternalError, "internal error");
      return;
  }
}

// The tunnel stands. Bytes that followed the reply are still with the system and arrive as ordinary data
// right after this event.
void SocksSocket::socksSucceeded() {
  setSocksState(SocksState::Data);
  triggerSessionConnected(0);
}

void SocksSocket::failNegotiation(std::int32_t code, const std::string& msg) {
  const std::uint64_t connection = connectionHandle();
  triggerSocksError(code, msg);
  setSocksState(SocksState::Data);
  if (connectionHandle() != connection) return;  // the handler has closed or replaced the connection
  triggerSessionConnected(static_cast<std::uint16_t>(code));
  if (connectionHandle() == connection) internalClose(true, static_cast<std::uint16_t>(code));
}

// --- Closing --------------------------------------------------------------------------------------

void SocksSocket::handleCloseEvent(std::uint16_t errCode) {
  if (socksNegotiating() && state() != SocketState::Connecting && socketDescriptor() != -1) {
    // What the proxy sent before closing is read first: it may finish or refuse the negotiation.
    asyncReceive(0, options() & ~SocketOption::NoReceiveLoop, true);
    if (socksNegotiating() && socketDescriptor() != -1) {
      // The proxy left in the middle: the connect fails, it does not just end.
      if (socksState_ == SocksState::Socks5Authentication) triggerSocksAuthState(SocksAuthState::Failure);
      if (socketDescriptor() != -1)
        failNegotiation(errCode != 0 ? std::int32_t{errCode} : std::int32_t{SocketError::ConnectionAborted},
                        "data receive error");
    }
  }
  BasicSocket::handleCloseEvent(errCode);
}

void SocksSocket::triggerSessionClosed(std::uint16_t errCode) {
  if (socksState_ == SocksState::Socks5Authentication) {
    setSocksState(SocksState::Data);
    triggerSocksAuthState(SocksAuthState::Failure);
  }
  BasicSocket::triggerSessionClosed(errCode);
}

// --- Events ---------------------------------------------------------------------------------------

// The requests of the negotiation are the layer's own: the application hears only of what it sent.
void SocksSocket::triggerDataSent(std::uint16_t errCode) {
  if (requestsUnreported_ > 0) {
    --requestsUnreported_;
    return;
  }
  if (!socksNegotiating()) BasicSocket::triggerDataSent(errCode);
}

void SocksSocket::triggerSocksConnected(std::uint16_t errCode) {
  if (onSocksConnected && !destroying()) onSocksConnected(this, errCode);
}

void SocksSocket::triggerSocksError(std::int32_t error, const std::string& msg) {
  if (onSocksError && !destroying()) onSocksError(this, error, msg);
}

void SocksSocket::triggerSocksAuthState(SocksAuthState state) {
  if (onSocksAuthState && !destroying()) onSocksAuthState(this, state);
}

}  // namespace net
