// Socket error numbers and their texts. The numbers are the 10000-series and 11001-11004 codes that the
// HTTP client stores and shows; native errno values and resolver errors are mapped onto them here and
// nowhere else.
#pragma once

#include <string>

namespace wsocket {

// The codes the socket layer itself reports.
enum SocketErrorCode : int {
  WSAEINTR = 10004,
  WSAEBADF = 10009,
  WSAEACCES = 10013,
  WSAEFAULT = 10014,
  WSAEINVAL = 10022,
  WSAEMFILE = 10024,
  WSAEWOULDBLOCK = 10035,
  WSAEINPROGRESS = 10036,
  WSAEALREADY = 10037,
  WSAENOTSOCK = 10038,
  WSAEMSGSIZE = 10040,
  WSAEADDRINUSE = 10048,
  WSAEADDRNOTAVAIL = 10049,
  WSAENETUNREACH = 10051,
  WSAECONNABORTED = 10053,
  WSAECONNRESET = 10054,
  WSAENOBUFS = 10055,
  WSAEISCONN = 10056,
  WSAENOTCONN = 10057,
  WSAESHUTDOWN = 10058,
  WSAETIMEDOUT = 10060,
  WSAECONNREFUSED = 10061,
  WSAEHOSTUNREACH = 10065,
  WSANOTINITIALISED = 10093,
  WSAHOST_NOT_FOUND = 11001,
  WSATRY_AGAIN = 11002,
  WSANO_RECOVERY = 11003,
  WSANO_DATA = 11004,
};

// The English text of a socket error number; "Not a WinSock error" for numbers outside the table.
std::string WSocketErrorDesc(int errCode);

// The socket error number for a native errno value (0 stays 0).
int SocketErrorFromErrno(int err);

// The socket error number for a getaddrinfo/getnameinfo result (EAI_SYSTEM reads errno).
int SocketErrorFromResolver(int gaiError);

}  // namespace wsocket
