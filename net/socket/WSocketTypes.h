// Enumerations and event types shared by the layers of the socket.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace wsocket {

class TCustomWSocket;

enum TSocketState : int {
  wsInvalidState = 0,
  wsOpened = 1,
  wsBound = 2,
  wsConnecting = 3,
  wsSocksConnected = 4,
  wsConnected = 5,
  wsAccepting = 6,
  wsListening = 7,
  wsClosed = 8,
};

enum TSocketSendFlags : int { wsSendNormal = 0, wsSendUrgent = 1 };
enum TSocketLingerOnOff : int { wsLingerOff = 0, wsLingerOn = 1, wsLingerNoSet = 2 };
enum TSocketKeepAliveOnOff : int { wsKeepAliveOff = 0, wsKeepAliveOnCustom = 1, wsKeepAliveOnSystem = 2 };

// TWSocketOptions is a set of these bits.
enum TWSocketOption : unsigned {
  wsoNoReceiveLoop = 1u << 0,  // one data-available event per read notification
  wsoTcpNoDelay = 1u << 1,     // switch off the Nagle delay at connect
  wsoSIO_RCVALL = 1u << 2,     // raw listening only
};
using TWSocketOptions = unsigned;

enum TSocksAuthentication : int { socksNoAuthentication = 0, socksAuthenticateUsercode = 1 };
enum TSocksAuthState : int {
  socksAuthStart = 0,
  socksAuthSuccess = 1,
  socksAuthFailure = 2,
  socksAuthNotRequired = 3,
};

// Event bits of a socket notification (the low 16 bits of its lParam).
constexpr unsigned FD_READ = 0x01;
constexpr unsigned FD_WRITE = 0x02;
constexpr unsigned FD_ACCEPT = 0x08;
constexpr unsigned FD_CONNECT = 0x10;
constexpr unsigned FD_CLOSE = 0x20;

// Events. `Sender` is always the socket; an ErrCode is a socket error number, 0 for success.
using TSessionAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TSessionConnected = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TSessionClosed = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TChangeState =
    std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TDataAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TDataSent = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TSendData = std::function<void(TCustomWSocket* Sender, std::int32_t BytesSent)>;
using TDnsLookupDone = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
using TNotifyEvent = std::function<void(TCustomWSocket* Sender)>;
using TBgExceptionEvent =
    std::function<void(TCustomWSocket* Sender, const std::exception& E, bool& CanClose)>;
using TLineLimitEvent = std::function<void(TCustomWSocket* Sender, std::int32_t RcvdLength, bool& ClearData)>;
using TSocksErrorEvent =
    std::function<void(TCustomWSocket* Sender, std::int32_t Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

}  // namespace wsocket
