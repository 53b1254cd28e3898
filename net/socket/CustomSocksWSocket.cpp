#include "net/socket/CustomSocksWSocket.h"

#include "net/socket/Text.h"

namespace wsocket {

TCustomSocksWSocket::TCustomSocksWSocket() = default;

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

void TCustomSocksWSocket::Connect() {
  if (socksServer_.empty()) {
    TCustomWSocket::Connect();
    return;
  }
  // Connecting straight to the target would bypass the proxy the caller asked for.
  RaiseException("Connect: SOCKS proxy negotiation is not available");
}

void TCustomSocksWSocket::AssignDefaultValue() {
  TCustomWSocket::AssignDefaultValue();
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
}

void TCustomSocksWSocket::TriggerSocksConnected(std::uint16_t errCode) {
  if (OnSocksConnected && !Destroying()) OnSocksConnected(this, errCode);
}

void TCustomSocksWSocket::TriggerSocksError(std::int32_t error, const std::string& msg) {
  if (OnSocksError && !Destroying()) OnSocksError(this, error, msg);
}

}  // namespace wsocket
