// Dotted-address test, host, port and protocol conversion, and the error texts.
#include "net/socket/WSocket.h"

#include <gtest/gtest.h>

using namespace wsocket;

TEST(Resolvers, ErrorDesc) {
  EXPECT_EQ(WSocketErrorDesc(10061), "Connection refused");
  EXPECT_EQ(WSocketErrorDesc(12345), "Not a WinSock error");
}
