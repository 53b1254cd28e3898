// Name lookups: dotted text inside the call, names through the worker thread, cancel and bad names.
#include "SocketFixture.h"

#include <gtest/gtest.h>

using namespace net;
using socket_tests::EventLog;
using socket_tests::waitFor;

using Events = std::vector<std::string>;

TEST(DnsLookup, DottedAddressCompletesInsideTheCall) {
  TcpSocket s;
  EventLog log;
  log.attach(s);
  s.dnsLookup("001.002.003.004");
  EXPECT_EQ(log.events, (Events{"dns 0"}));
  EXPECT_EQ(s.dnsResult(), "1.2.3.4") << "re-formatted by the system";
  EXPECT_EQ(s.dnsResultList(), (Events{"1.2.3.4"}));
}

TEST(DnsLookup, NamesCompleteLaterFromTheWorker) {
  for (const char* name : {"localhost", "255.255.255.255"}) {
    TcpSocket s;
    EventLog log;
    log.attach(s);
    s.dnsLookup(name);
    EXPECT_TRUE(log.events.empty()) << name << ": completion must come from the message loop";
    ASSERT_TRUE(waitFor([&] { return !log.events.empty(); })) << name;
    EXPECT_EQ(log.events, (Events{"dns 0"})) << name;
    EXPECT_EQ(s.dnsResult(), name == std::string("localhost") ? "127.0.0.1" : name);
    ASSERT_FALSE(s.dnsResultList().empty());
    EXPECT_EQ(s.dnsResultList().front(), s.dnsResult());
  }
}

TEST(DnsLookup, CancelReportsAtOnceAndNothingLater) {
  TcpSocket s;
  EventLog log;
  log.attach(s);
  s.dnsLookup("localhost");
  s.cancelDnsLookup();
  EXPECT_EQ(log.events, (Events{"dns 10004"}));
  socket_tests::pump(200);
  EXPECT_EQ(log.events, (Events{"dns 10004"}));
  EXPECT_EQ(s.dnsResult(), "");
  s.cancelDnsLookup();
  EXPECT_EQ(log.events.size(), 1u) << "nothing to cancel";
}

TEST(DnsLookup, ANewLookupReplacesAPendingOne) {
  TcpSocket s;
  EventLog log;
  log.attach(s);
  s.dnsLookup("localhost");
  s.dnsLookup("127.0.0.9");
  EXPECT_EQ(log.events, (Events{"dns 0"}));
  socket_tests::pump(200);
  EXPECT_EQ(log.events, (Events{"dns 0"})) << "the abandoned lookup reports nothing";
  EXPECT_EQ(s.dnsResult(), "127.0.0.9");
}

TEST(DnsLookup, EmptyName) {
  TcpSocket s;
  int lookups = 0;
  s.onDnsLookupDone = [&](BasicSocket*, std::uint16_t) { ++lookups; };
  try {
    s.dnsLookup("");
    ADD_FAILURE() << "no exception";
  } catch (const SocketException& e) {
    EXPECT_STREQ(e.what(), "DNS lookup: invalid host name.");
  }
  EXPECT_EQ(lookups, 0);
  EventLog log;
  log.attach(s);
  s.dnsLookup("");
  EXPECT_EQ(log.events, (Events{"error 0", "dns 10022"}));
}

TEST(DnsLookup, UnknownAndAbsurdNamesReportAnError) {
  for (const std::string& name :
       {std::string("no-such-host.invalid"), std::string(100000, 'a'), std::string("bad\x01name\xff", 9)}) {
    TcpSocket s;
    EventLog log;
    log.attach(s);
    s.dnsLookup(name);
    ASSERT_TRUE(waitFor([&] { return !log.events.empty(); }, 30000));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_NE(log.events[0], "dns 0");
    EXPECT_EQ(s.dnsResult(), "");
  }
}
