// The SOCKS proxy layer: reaches the remote host through a SOCKS 4, 4A or 5 proxy, with optional user name
// and password authentication for version 5. While socksServer is empty the layer is transparent.
//
// connect() connects to the proxy; once the proxy answers, the layer negotiates the tunnel to addr():port()
// and only then fires onSessionConnected (0, or the SOCKS error code). Each receive step of the negotiation
// asks the system for exactly the bytes the next reply still needs, so bytes of the tunnelled stream that
// follow a reply stay with the system and reach onDataAvailable as ordinary data.
#pragma once

#include "net/socket/BasicSocket.h"
#include "net/socket/SocksReply.h"

#include <cstdint>
#include <string>

namespace net {

class SocksSocket : public BasicSocket {
 public:
  SocksSocket();

  const std::string& socksLevel() const { return socksLevel_; }
  void setSocksLevel(const std::string& value);
  const std::string& socksServer() const { return socksServer_; }
  void setSocksServer(const std::string& value);
  const std::string& socksPort() const { return socksPort_; }
  void setSocksPort(const std::string& value);
  const std::string& socksUsercode() const { return socksUsercode_; }
  void setSocksUsercode(const std::string& value) { socksUsercode_ = value; }
  const std::string& socksPassword() const { return socksPassword_; }
  void setSocksPassword(const std::string& value) { socksPassword_ = value; }
  SocksAuthentication socksAuthentication() const { return socksAuthentication_; }
  void setSocksAuthentication(SocksAuthentication value) { socksAuthentication_ = value; }
  // The bound end a version 5 proxy reported in its connect reply (empty before one came).
  const std::string& socksBoundAddr() const { return boundAddr_; }
  const std::string& socksBoundPort() const { return boundPort_; }

  SessionConnectedEvent onSocksConnected;
  SocksErrorEvent onSocksError;
  SocksAuthStateEvent onSocksAuthState;

  void connect() override;

 protected:
  // Where the negotiation stands. The names carry the protocol version.
  enum class SocksState {
    Data,                     // no negotiation: bytes belong to the application
    Socks4Connecting,         // level 4/4A: connecting to the proxy
    Socks4ConnectRequest,     // level 4/4A: connect request sent, waiting for the 8-byte reply
    Socks5Connecting,         // level 5: connecting to the proxy
    Socks5MethodNegotiation,  // level 5: greeting sent, waiting for the chosen method
    Socks5Authentication,     // level 5: user name and password sent, waiting for the verdict
    Socks5ConnectRequest,     // level 5: connect request sent, waiting for the reply
  };

  bool socksNegotiating() const { return socksState_ != SocksState::Data; }

  void assignDefaultValue() override;
  void triggerSessionConnected(std::uint16_t errCode) override;
  bool triggerDataAvailable(std::uint16_t errCode) override;
  void triggerSessionClosed(std::uint16_t errCode) override;
  void triggerDataSent(std::uint16_t errCode) override;
  void handleCloseEvent(std::uint16_t errCode) override;
  virtual void triggerSocksConnected(std::uint16_t errCode);
  virtual void triggerSocksError(std::int32_t error, const std::string& msg);
  virtual void triggerSocksAuthState(SocksAuthState state);

 private:
  // The one place where the negotiation state changes.
  void setSocksState(SocksState state);
  // Refuses values that cannot be sent in the requests; false when refused.
  bool checkSocksRequests();
  void sendRequest(const std::string& bytes);
  void sendSocks5Greeting();
  void sendSocks5Auth();
  void sendSocks5Connect();
  void sendSocks4Connect();
  void receiveReply();
  void replyComplete();
  void socksSucceeded();
  void failNegotiation(std::int32_t code, const std::string& msg);

  std::string socksLevel_ = "5";
  std::string socksServer_;
  std::string socksPort_;
  std::string socksUsercode_;
  std::string socksPassword_;
  SocksAuthentication socksAuthentication_ = SocksAuthentication::None;

  SocksState socksState_ = SocksState::Data;
  std::uint8_t methodOffered_ = 0;  // 0 none, 2 user name and password
  std::uint16_t targetPort_ = 0;    // host order
  // Data-sent reports still to come for the layer's own requests. Each request leads to exactly one,
  // which may arrive after the tunnel stands: it is not the application's.
  int requestsUnreported_ = 0;
  SocksReply reply_;
  std::string boundAddr_;
  std::string boundPort_;
};

}  // namespace net
