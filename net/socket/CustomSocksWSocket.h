// The SOCKS proxy layer: reaches the remote host through a SOCKS 4, 4A or 5 proxy, with optional user name
// and password authentication for version 5. While SocksServer is empty the layer is transparent.
//
// Connect connects to the proxy; once the proxy answers, the layer negotiates the tunnel to Addr:Port and
// only then fires OnSessionConnected (0, or the SOCKS error code). Each receive step of the negotiation
// asks the system for exactly the bytes the next reply still needs, so bytes of the tunnelled stream that
// follow a reply stay with the system and reach OnDataAvailable as ordinary data.
#pragma once

#include "net/socket/CustomWSocket.h"
#include "net/socket/SocksReply.h"

#include <cstdint>
#include <string>

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
  // The bound end a version 5 proxy reported in its connect reply (empty before one came).
  const std::string& SocksBoundAddr() const { return boundAddr_; }
  const std::string& SocksBoundPort() const { return boundPort_; }

  TSessionConnected OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  void Connect() override;

 protected:
  // Where the negotiation stands. The names carry the protocol version.
  enum class TSocksState {
    socksData,                // no negotiation: bytes belong to the application
    socks4Connecting,         // level 4/4A: connecting to the proxy
    socks4ConnectRequest,     // level 4/4A: connect request sent, waiting for the 8-byte reply
    socks5Connecting,         // level 5: connecting to the proxy
    socks5MethodNegotiation,  // level 5: greeting sent, waiting for the chosen method
    socks5Authentication,     // level 5: user name and password sent, waiting for the verdict
    socks5ConnectRequest,     // level 5: connect request sent, waiting for the reply
  };

  bool SocksNegotiating() const { return socksState_ != TSocksState::socksData; }

  void AssignDefaultValue() override;
  void TriggerSessionConnected(std::uint16_t errCode) override;
  bool TriggerDataAvailable(std::uint16_t errCode) override;
  void TriggerSessionClosed(std::uint16_t errCode) override;
  void TriggerDataSent(std::uint16_t errCode) override;
  void DoFdClose(platform::Message& msg) override;
  virtual void TriggerSocksConnected(std::uint16_t errCode);
  virtual void TriggerSocksError(std::int32_t error, const std::string& msg);
  virtual void TriggerSocksAuthState(TSocksAuthState state);

 private:
  // The one place where the negotiation state changes.
  void SetSocksState(TSocksState state);
  // Refuses values that cannot be sent in the requests; false when refused.
  bool CheckSocksRequests();
  void SendRequest(const std::string& bytes);
  void SendSocks5Greeting();
  void SendSocks5Auth();
  void SendSocks5Connect();
  void SendSocks4Connect();
  void ReceiveReply();
  void ReplyComplete();
  void SocksSucceeded();
  void SocksError(std::int32_t code, const std::string& msg);

  std::string socksLevel_ = "5";
  std::string socksServer_;
  std::string socksPort_;
  std::string socksUsercode_;
  std::string socksPassword_;
  TSocksAuthentication socksAuthentication_ = socksNoAuthentication;

  TSocksState socksState_ = TSocksState::socksData;
  std::uint8_t methodOffered_ = 0;  // 0 none, 2 user name and password
  std::uint16_t targetPort_ = 0;    // host order
  // Data-sent reports still to come for the layer's own requests. Each request leads to exactly one,
  // which may arrive after the tunnel stands: it is not the application's.
  int requestsUnreported_ = 0;
  SocksReply reply_;
  std::string boundAddr_;
  std::string boundPort_;
};

}  // namespace wsocket
