#include "net/socket/CustomSocksWSocket.h"

#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocksRequest.h"
#include "net/socket/Text.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace wsocket {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

}  // namespace

TCustomSocksWSocket::TCustomSocksWSocket() = default;

// --- Settings -------------------------------------------------------------------------------------

void TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
  if (State() != wsClosed) {
    RaiseException("Can't change socks level if not closed");
    return;
  }
  if (value != "4" && value != "5" && value != "4A" && value != "4a") {
    RaiseException("Invalid socks level. Must be 4, 4A or 5.");
    return;
  }
  socksLevel_ = value == "4a" ? "4A" : value;
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
  if (State() != wsClosed) {
    RaiseException("Can't change socks server if not closed");
    return;
  }
  socksServer_ = Trim(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
  if (State() != wsClosed) {
    RaiseException("Can't change socks port if not closed");
    return;
  }
  socksPort_ = Trim(value);
}

void TCustomSocksWSocket::AssignDefaultValue() {
  TCustomWSocket::AssignDefaultValue();
  SetSocksState(TSocksState::socksData);
  requestsUnreported_ = 0;
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
}

void TCustomSocksWSocket::SetSocksState(TSocksState state) {
  socksState_ = state;
}

// --- Connect --------------------------------------------------------------------------------------

void TCustomSocksWSocket::Connect() {
  // Without a proxy, and for the checks the base makes first (socket in use, no port, no address), the
  // ordinary connect runs and reports in its own words.
  if (socksServer_.empty() || (HSocket() != -1 && State() != wsClosed) || !PortAssigned() ||
      !AddrAssigned()) {
    TCustomWSocket::Connect();
    return;
  }
  if (Lower(Proto()) != "tcp" && Trim(Proto()) != "6") {
    RaiseException("tcp is the only protocol supported thru socks server");
    return;
  }
  if (!CheckSocksRequests()) return;
  try {
    targetPort_ = WSocketResolvePort(Port(), Proto());
    const std::uint16_t proxyPort = WSocketResolvePort(socksPort_, Proto());
    SetResolvedTarget(WSocketResolveHost(socksServer_), proxyPort);
  } catch (const ESocketException& e) {
    RaiseException(std::string("connect: ") + e.what());
    return;
  }
  boundAddr_.clear();
  boundPort_.clear();
  SetSocksState(socksLevel_[0] == '4' ? TSocksState::socks4Connecting : TSocksState::socks5Connecting);
  TCustomWSocket::Connect();
  if (HSocket() == -1) SetSocksState(TSocksState::socksData);  // the connect was refused and reported
}

bool TCustomSocksWSocket::CheckSocksRequests() {
  if (socksLevel_[0] == '4') {
    if (Socks4ConnectFits(socksUsercode_, socksLevel_ == "4A" ? Addr() : std::string())) return true;
    RaiseException("Connect: socks user code or host name too long");
    return false;
  }
  if (!Socks5ConnectFits(Addr())) {
    RaiseException("Connect: host name too long for a socks server");
    return false;
  }
  if (socksAuthentication_ == socksAuthenticateUsercode && !Socks5AuthFits(socksUsercode_, socksPassword_)) {
    RaiseException("Connect: socks user code and password too long");
    return false;
  }
  return true;
}

// --- Negotiation ----------------------------------------------------------------------------------

void TCustomSocksWSocket::TriggerSessionConnected(std::uint16_t errCode) {
  if (socksState_ != TSocksState::socks4Connecting && socksState_ != TSocksState::socks5Connecting) {
    TCustomWSocket::TriggerSessionConnected(errCode);
    return;
  }
  const std::uint64_t connection = ConnectionHandle();
  TriggerSocksConnected(errCode);
  if (ConnectionHandle() != connection || !SocksNegotiating()) return;  // the handler closed the socket
  if (errCode != 0) {
    SetSocksState(TSocksState::socksData);
    TCustomWSocket::TriggerSessionConnected(errCode);
    return;
  }
  if (socksState_ == TSocksState::socks4Connecting) {
    SendSocks4Connect();
  } else {
    SendSocks5Greeting();
  }
}

void TCustomSocksWSocket::SendRequest(const std::string& bytes) {
  try {
    if (SendStr(bytes) > 0) ++requestsUnreported_;
  } catch (...) {
    // A failed send closes the connection, which ends the negotiation on its own.
  }
}

void TCustomSocksWSocket::SendSocks5Greeting() {
  methodOffered_ = socksAuthentication_ == socksAuthenticateUsercode ? 2 : 0;
  SetSocksState(TSocksState::socks5MethodNegotiation);
  reply_.Reset(SocksReplyKind::socks5MethodReply);
  SendRequest(Socks5Greeting(methodOffered_));
}

void TCustomSocksWSocket::SendSocks5Auth() {
  SetSocksState(TSocksState::socks5Authentication);
  reply_.Reset(SocksReplyKind::socks5AuthReply);
  SendRequest(Socks5AuthRequest(socksUsercode_, socksPassword_));
  TriggerSocksAuthState(socksAuthStart);
}

void TCustomSocksWSocket::SendSocks5Connect() {
  SetSocksState(TSocksState::socks5ConnectRequest);
  reply_.Reset(SocksReplyKind::socks5ConnectReply);
  SendRequest(Socks5ConnectRequest(Addr(), targetPort_));
}

void TCustomSocksWSocket::SendSocks4Connect() {
  std::uint32_t addr = htonl(1);  // 0.0.0.1: version 4A, the proxy resolves the name
  if (socksLevel_ != "4A") {
    try {
      addr = WSocketResolveHost(Addr());
    } catch (const ESocketException& e) {
      SocksError(socksResolveError, std::string("ESocketException ") + e.what());
      return;
    }
  }
  SetSocksState(TSocksState::socks4ConnectRequest);
  reply_.Reset(SocksReplyKind::socks4ConnectReply);
  SendRequest(Socks4ConnectRequest(targetPort_, addr, socksUsercode_, socksLevel_ == "4A" ? Addr() : ""));
}

bool TCustomSocksWSocket::TriggerDataAvailable(std::uint16_t errCode) {
  if (socksState_ == TSocksState::socksData) return TCustomWSocket::TriggerDataAvailable(errCode);
  if (errCode != 0) {
    SocksError(errCode, "data receive error");
  } else if (socksState_ == TSocksState::socks4Connecting || socksState_ == TSocksState::socks5Connecting) {
    SocksError(socksLogicError, "TWSocket logic error");  // the proxy spoke before it was connected
  } else {
    ReceiveReply();
  }
  return true;
}

// Reads exactly what the pending reply still needs until it is whole, fails, or nothing more waits.
void TCustomSocksWSocket::ReceiveReply() {
  const std::uint64_t connection = ConnectionHandle();
  std::uint8_t buf[SocksReply::kMaxReply];
  while (SocksNegotiating() && HSocket() != -1 && ConnectionHandle() == connection) {
    const std::size_t wanted = reply_.Wanted();
    if (wanted == 0) {
      SocksError(socksInternalError, "internal error");
      return;
    }
    const std::int32_t n = TCustomWSocket::DoRecv(buf, static_cast<std::int32_t>(wanted), 0);
    if (n < 0) {
      if (RecvError() != WSAEWOULDBLOCK) SocksError(RecvError(), "data receive error");
      return;
    }
    if (n == 0) return;  // the proxy closed: the close notification ends the negotiation
    reply_.Take(buf, static_cast<std::size_t>(n));
    if (reply_.GetStatus() == SocksReply::Status::failed) {
      if (socksState_ == TSocksState::socks5Authentication) TriggerSocksAuthState(socksAuthFailure);
      if (ConnectionHandle() == connection) SocksError(reply_.Error(), reply_.ErrorText());
      return;
    }
    if (reply_.GetStatus() == SocksReply::Status::complete) ReplyComplete();
  }
}

void TCustomSocksWSocket::ReplyComplete() {
  const std::uint64_t connection = ConnectionHandle();
  switch (socksState_) {
    case TSocksState::socks5MethodNegotiation:
      if (reply_.Method() == 2) {
        SendSocks5Auth();
        return;
      }
      if (methodOffered_ != 0) TriggerSocksAuthState(socksAuthNotRequired);
      if (ConnectionHandle() == connection) SendSocks5Connect();
      return;
    case TSocksState::socks5Authentication:
      TriggerSocksAuthState(socksAuthSuccess);
      if (ConnectionHandle() == connection) SendSocks5Connect();
      return;
    case TSocksState::socks5ConnectRequest:
      boundAddr_ = reply_.BoundAddr();
      boundPort_ = reply_.BoundPort();
      SocksSucceeded();
      return;
    case TSocksState::socks4ConnectRequest:
      SocksSucceeded();
      return;
    default:
      SocksError(socksInternalError, "internal error");
      return;
  }
}

// The tunnel stands. Bytes that followed the reply are still with the system and arrive as ordinary data
// right after this event.
void TCustomSocksWSocket::SocksSucceeded() {
  SetSocksState(TSocksState::socksData);
  TriggerSessionConnected(0);
}

void TCustomSocksWSocket::SocksError(std::int32_t code, const std::string& msg) {
  const std::uint64_t connection = ConnectionHandle();
  TriggerSocksError(code, msg);
  SetSocksState(TSocksState::socksData);
  if (ConnectionHandle() != connection) return;  // the handler has closed or replaced the connection
  TriggerSessionConnected(static_cast<std::uint16_t>(code));
  if (ConnectionHandle() == connection) InternalClose(true, static_cast<std::uint16_t>(code));
}

// --- Closing --------------------------------------------------------------------------------------

void TCustomSocksWSocket::DoFdClose(platform::Message& msg) {
  if (SocksNegotiating() && State() != wsConnecting && HSocket() != -1) {
    // What the proxy sent before closing is read first: it may finish or refuse the negotiation.
    AsyncReceive(0, ComponentOptions() & ~wsoNoReceiveLoop, true);
    if (SocksNegotiating() && HSocket() != -1) {
      // The proxy left in the middle: the connect fails, it does not just end.
      const auto errCode = static_cast<std::uint16_t>(msg.LParam >> 16);
      if (socksState_ == TSocksState::socks5Authentication) TriggerSocksAuthState(socksAuthFailure);
      if (HSocket() != -1)
        SocksError(errCode != 0 ? std::int32_t{errCode} : std::int32_t{WSAECONNABORTED},
                   "data receive error");
    }
  }
  TCustomWSocket::DoFdClose(msg);
}

void TCustomSocksWSocket::TriggerSessionClosed(std::uint16_t errCode) {
  if (socksState_ == TSocksState::socks5Authentication) {
    SetSocksState(TSocksState::socksData);
    TriggerSocksAuthState(socksAuthFailure);
  }
  TCustomWSocket::TriggerSessionClosed(errCode);
}

// --- Events ---------------------------------------------------------------------------------------

// The requests of the negotiation are the layer's own: the application hears only of what it sent.
void TCustomSocksWSocket::TriggerDataSent(std::uint16_t errCode) {
  if (requestsUnreported_ > 0) {
    --requestsUnreported_;
    return;
  }
  if (!SocksNegotiating()) TCustomWSocket::TriggerDataSent(errCode);
}

void TCustomSocksWSocket::TriggerSocksConnected(std::uint16_t errCode) {
  if (OnSocksConnected && !Destroying()) OnSocksConnected(this, errCode);
}

void TCustomSocksWSocket::TriggerSocksError(std::int32_t error, const std::string& msg) {
  if (OnSocksError && !Destroying()) OnSocksError(this, error, msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState state) {
  if (OnSocksAuthState && !Destroying()) OnSocksAuthState(this, state);
}

}  // namespace wsocket
