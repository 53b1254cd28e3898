// The SOCKS proxy layer. It holds the SOCKS settings and stays transparent while SocksServer is empty;
// the negotiation itself is not built yet, so a Connect with a SOCKS server set is refused.
#pragma once

#include "net/socket/CustomWSocket.h"

namespace wsocket {

class TCustomSocksWSocket : public TCustomWSocket {
 public:
  TCustomSocksWSocket();

  const std::string& SocksLevel() const { return socksLevel_; }
  void SetSocksLevel(const std::string& value);
  const std::string& SocksServer() const { return socksServer_; }
  void SetSocksServer(const std::string& value);
  const std::string& SocksPort() const { return socksPort_; }
  void SetSocksPort(const std::string& value);
  const std::string& SocksUsercode() const { return socksUsercode_; }
  void SetSocksUsercode(const std::string& value) { socksUsercode_ = value; }
  const std::string& SocksPassword() const { return socksPassword_; }
  void SetSocksPassword(const std::string& value) { socksPassword_ = value; }
  TSocksAuthentication SocksAuthentication() const { return socksAuthentication_; }
  void SetSocksAuthentication(TSocksAuthentication value) { socksAuthentication_ = value; }

  TSessionConnected OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  void Connect() override;

 protected:
  void AssignDefaultValue() override;
  virtual void TriggerSocksConnected(std::uint16_t errCode);
  virtual void TriggerSocksError(std::int32_t error, const std::string& msg);

 private:
  std::string socksLevel_ = "5";
  std::string socksServer_;
  std::string socksPort_;
  std::string socksUsercode_;
  std::string socksPassword_;
  TSocksAuthentication socksAuthentication_ = socksNoAuthentication;
};

}  // namespace wsocket
