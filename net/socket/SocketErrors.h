// Socket error numbers and their texts. The numbers are the 10000-series and 11001-11004 codes that the
// HTTP client stores and shows; native errno values and resolver errors are mapped onto them here and
// nowhere else.
#pragma once

#include <string>

namespace net {

// The codes the socket layer itself reports.
struct SocketError {
  enum : int {
    Interrupted = 10004,
    BadDescriptor = 10009,
    AccessDenied = 10013,
    BadAddress = 10014,
    InvalidArgument = 10022,
    TooManyOpenFiles = 10024,
    WouldBlock = 10035,
    InProgress = 10036,
    AlreadyInProgress = 10037,
    NotSocket = 10038,
    MessageTooLong = 10040,
    AddressInUse = 10048,
    AddressNotAvailable = 10049,
    NetworkUnreachable = 10051,
    ConnectionAborted = 10053,
    ConnectionReset = 10054,
    NoBufferSpace = 10055,
    AlreadyConnected = 10056,
    NotConnected = 10057,
    ShutDown = 10058,
    TimedOut = 10060,
    ConnectionRefused = 10061,
    HostUnreachable = 10065,
    NotInitialised = 10093,
    HostNotFound = 11001,
    TryAgain = 11002,
    NoRecovery = 11003,
    NoData = 11004,
  };
};

// The English text of a socket error number; "Not a WinSock error" for numbers outside the table.
std::string socketErrorText(int errCode);

// The socket error number for a native errno value (0 stays 0).
int socketErrorFromErrno(int err);

// The socket error number for a getaddrinfo/getnameinfo result (EAI_SYSTEM reads errno).
int socketErrorFromResolver(int gaiError);

}  // namespace net
