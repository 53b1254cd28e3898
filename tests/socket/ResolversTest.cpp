// Dotted-address test, host, port and protocol conversion, the error texts and the errno mapping.
#include "net/socket/TcpSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace net;

namespace {

// The message of the SocketException that `call` raises ("" when it raises none).
std::string messageOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const SocketException& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(Resolvers, DottedIPTable) {
  const struct {
    const char* text;
    bool dotted;
  } cases[] = {
      {"1.2.3.4", true},    {" 1.2.3.4 ", true},  {"255.255.255.255", true},
      {"0.0.0.0", true},    {"1.2.3", false},     {"1.2.3.4.5", false},
      {"1.2.3.256", false}, {"256.1.1.1", false}, {".1.2.3", false},
      {"1.2.3.", false},    {"1..2.3", false},    {"1.2.3.4a", false},
      {"1.2.3.4 x", false}, {"", false},          {"   ", false},
      {"a.b.c.d", false},   {"1.2. 3.4", false},  {"1.2.3.99999999999999999999999", false},
      {"localhost", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isDottedIp(c.text), c.dotted) << '"' << c.text << '"';
}

TEST(Resolvers, ProtoTable) {
  EXPECT_EQ(resolveProto("TCP"), 6);
  EXPECT_EQ(resolveProto(" tcp "), 6);
  EXPECT_EQ(resolveProto("udp"), 17);
  EXPECT_EQ(resolveProto("17"), 17);
  EXPECT_EQ(resolveProto("raw"), 255);
  EXPECT_EQ(messageOf([] { resolveProto(""); }), "WSocketResolveProto: Invalid Protocol.");
  EXPECT_EQ(messageOf([] { resolveProto(std::string(32, 'x')); }), "WSocketResolveProto: Invalid Protocol.");
  EXPECT_EQ(messageOf([] { resolveProto("99999999999999999999"); }),
            "WSocketResolveProto: Invalid Protocol.");
  EXPECT_EQ(messageOf([] { resolveProto("nosuchproto"); }),
            "WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(Resolvers, PortTable) {
  EXPECT_EQ(resolvePort("80", "tcp"), 80);
  EXPECT_EQ(resolvePort("8080abc", "tcp"), 8080);
  EXPECT_EQ(resolvePort("65535", "tcp"), 65535);
  const std::string invalid = "WSocketResolvePort: Invalid Port.";
  EXPECT_EQ(messageOf([] { resolvePort("", "tcp"); }), invalid);
  EXPECT_EQ(messageOf([] { resolvePort(std::string(32, '1'), "tcp"); }), invalid);
  // A number that does not fit a port is refused instead of being cut to 16 bits.
  EXPECT_EQ(messageOf([] { resolvePort("70000", "tcp"); }), invalid);
  EXPECT_EQ(messageOf([] { resolvePort("80", ""); }), "WSocketResolvePort: Invalid Proto.");
  EXPECT_EQ(messageOf([] { resolvePort("no-such-service", "tcp"); }),
            "WSocketResolvePort: Cannot convert port 'no-such-service', Error #11004");
  if (getservbyname("http", "tcp") != nullptr) {
    EXPECT_EQ(resolvePort(" http ", "tcp"), 80);
  }
}

TEST(Resolvers, HostTable) {
  EXPECT_EQ(resolveHost("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(resolveHost(" 127.0.0.1 "), htonl(0x7F000001));
  EXPECT_EQ(resolveHost("localhost"), htonl(0x7F000001));
  const std::string long257(257, 'a');
  EXPECT_EQ(messageOf([&] { resolveHost(long257); }),
            "WSocketResolveHost: '" + long257 + "' Invalid Hostname.");
  EXPECT_EQ(messageOf([] { resolveHost(""); }), "WSocketResolveHost: '' Invalid Hostname.");
  EXPECT_EQ(messageOf([] { resolveHost("1.2.3.09"); }), "WSocketResolveHost: '1.2.3.09' Invalid IP address.");
  EXPECT_EQ(messageOf([] {
              resolveHost("no-such-host.invalid");
            }).rfind("WSocketResolveHost: Cannot convert host address 'no-such-host.invalid', Error #110", 0),
            0u);
}

TEST(Resolvers, LocalHostName) {
  char name[256] = {};
  ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
  EXPECT_EQ(localHostName(), std::string(name).substr(0, 63));
}

TEST(Resolvers, ErrorTextTable) {
  const std::pair<int, const char*> table[] = {
      {0, "No Error"},
      {10004, "Interrupted system call"},
      {10009, "Bad file number"},
      {10013, "Permission denied"},
      {10014, "Bad address"},
      {10022, "Invalid argument"},
      {10024, "Too many open files"},
      {10035, "Operation would block"},
      {10036, "Operation now in progress"},
      {10037, "Operation already in progress"},
      {10038, "Socket operation on non-socket"},
      {10039, "Destination address required"},
      {10040, "Message too long"},
      {10041, "Protocol wrong type for socket"},
      {10042, "Protocol not available"},
      {10043, "Protocol not supported"},
      {10044, "Socket type not supported"},
      {10045, "Operation not supported on socket"},
      {10046, "Protocol family not supported"},
      {10047, "Address family not supported by protocol family"},
      {10048, "Address already in use"},
      {10049, "Address not available"},
      {10050, "Network is down"},
      {10051, "Network is unreachable"},
      {10052, "Network dropped connection on reset"},
      {10053, "Connection aborted"},
      {10054, "Connection reset by peer"},
      {10055, "No buffer space available"},
      {10056, "Socket is already connected"},
      {10057, "Socket is not connected"},
      {10058, "Can't send after socket shutdown"},
      {10059, "Too many references: can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10062, "Too many levels of symbolic links"},
      {10063, "File name too long"},
      {10064, "Host is down"},
      {10065, "No route to host"},
      {10066, "Directory not empty"},
      {10067, "Too many processes"},
      {10068, "Too many users"},
      {10069, "Disc quota exceeded"},
      {10070, "Stale NFS file handle"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network sub-system is unusable"},
      {10092, "WinSock DLL cannot support this application"},
      {10093, "WinSock not initialized"},
      {11001, "Host not found"},
      {11002, "Non-authoritative host not found"},
      {11003, "Non-recoverable error"},
      {11004, "No Data"},
  };
  for (const auto& [code, text] : table) EXPECT_EQ(socketErrorText(code), text) << code;
  for (int unlisted : {-1, 1, 10000, 10072, 10090, 11000, 11005, 12345}) {
    EXPECT_EQ(socketErrorText(unlisted), "Not a WinSock error") << unlisted;
  }
}

TEST(Resolvers, NativeErrorsMapOntoTheTable) {
  const std::pair<int, int> errnos[] = {
      {0, 0},
      {ECONNREFUSED, 10061},
      {EWOULDBLOCK, 10035},
      {EAGAIN, 10035},
      {EINPROGRESS, 10036},
      {ECONNRESET, 10054},
      {EPIPE, 10054},
      {ENOTCONN, 10057},
      {ETIMEDOUT, 10060},
      {EADDRINUSE, 10048},
      {ENETUNREACH, 10051},
      {EHOSTUNREACH, 10065},
      {EBADF, 10009},
      {EINVAL, 10022},
      {EMFILE, 10024},
  };
  for (const auto& [err, code] : errnos) EXPECT_EQ(socketErrorFromErrno(err), code) << err;
  EXPECT_EQ(socketErrorFromResolver(0), 0);
  EXPECT_EQ(socketErrorFromResolver(EAI_NONAME), 11001);
  EXPECT_EQ(socketErrorFromResolver(EAI_AGAIN), 11002);
  EXPECT_EQ(socketErrorFromResolver(EAI_FAIL), 11003);
}
