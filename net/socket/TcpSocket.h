// The asynchronous TCP socket, its resolvers and its error texts: the header users of the socket include.
#pragma once

#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/SocketException.h"
#include "net/socket/SocketTypes.h"
#include "net/socket/SyncSocket.h"

namespace net {

// The socket with every layer: base, SOCKS, line mode and waiting.
class TcpSocket : public SyncSocket {
 public:
  TcpSocket() = default;
};

}  // namespace net
