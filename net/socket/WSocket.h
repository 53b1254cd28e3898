// The asynchronous TCP socket, its resolvers and its error texts: the header users of the socket include.
#pragma once

#include "net/socket/CustomSyncWSocket.h"
#include "net/socket/ESocketException.h"
#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"
#include "net/socket/WSocketTypes.h"

namespace wsocket {

// The socket with every layer: base, SOCKS, line mode and waiting.
class TWSocket : public TCustomSyncWSocket {
 public:
  TWSocket() = default;
};

}  // namespace wsocket
