// Enumerations and event types shared by the layers of the socket.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace net {

class BasicSocket;

enum class SocketState {
  Invalid = 0,
  Opened = 1,
  Bound = 2,
  Connecting = 3,
  SocksConnected = 4,
  Connected = 5,
  Accepting = 6,
  Listening = 7,
  Closed = 8,
};

enum class SendFlags { Normal = 0, Urgent = 1 };
enum class LingerMode { Off = 0, On = 1, NotSet = 2 };
enum class KeepAliveMode { Off = 0, OnCustom = 1, OnSystem = 2 };

// SocketOptions is a set of these bits.
enum SocketOption : unsigned {
  NoReceiveLoop = 1u << 0,  // one data-available event per read notification
  TcpNoDelay = 1u << 1,     // switch off the Nagle delay at connect
  ReceiveAll = 1u << 2,     // raw listening only
};
using SocketOptions = unsigned;

enum class SocksAuthentication { None = 0, UserCode = 1 };
enum class SocksAuthState {
  Start = 0,
  Success = 1,
  Failure = 2,
  NotRequired = 3,
};

// Event bits of a SocketNotification.
constexpr unsigned kReadEvent = 0x01;
constexpr unsigned kWriteEvent = 0x02;
constexpr unsigned kAcceptEvent = 0x08;
constexpr unsigned kConnectEvent = 0x10;
constexpr unsigned kCloseEvent = 0x20;

// Events. `socket` is always the socket that fires the event; an error code is a socket error number, 0
// for success.
using SessionAvailableEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using SessionConnectedEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using SessionClosedEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using StateChangeEvent = std::function<void(BasicSocket* socket, SocketState oldState, SocketState newState)>;
using DataAvailableEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using DataSentEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using SendDataEvent = std::function<void(BasicSocket* socket, std::int32_t bytesSent)>;
using DnsLookupDoneEvent = std::function<void(BasicSocket* socket, std::uint16_t errorCode)>;
using SocketNotifyEvent = std::function<void(BasicSocket* socket)>;
using BackgroundExceptionEvent =
    std::function<void(BasicSocket* socket, const std::exception& error, bool& canClose)>;
using LineLimitEvent = std::function<void(BasicSocket* socket, std::int32_t receivedLength, bool& clearData)>;
using SocksErrorEvent =
    std::function<void(BasicSocket* socket, std::int32_t error, const std::string& message)>;
using SocksAuthStateEvent = std::function<void(BasicSocket* socket, SocksAuthState authState)>;

}  // namespace net
