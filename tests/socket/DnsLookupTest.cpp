// Name lookups: dotted text inside the call, names through the worker thread, cancel and bad names, and
// lookups abandoned while a slow name server still works on them.
#include "SlowNameServer.h"
#include "SocketFixture.h"

#include "net/socket/HostLookup.h"
#include "platform/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

using namespace net;
using socket_tests::EventLog;
using socket_tests::waitFor;

using Events = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

namespace {

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

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

// Cancelling a lookup, replacing it or destroying its socket never waits for the name server: each
// returns at once while the lookup thread still runs, and the answer that comes later is dropped.
TEST(DnsLookup, ASlowLookupIsAbandonedAtOnce) {
  const struct {
    const char* name;
    Events eventsAfter;  // the events once the abandoning call has returned, and for good
  } cases[] = {{"cancel", {"dns 10004"}}, {"another lookup", {"dns 0"}}, {"destroy the socket", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    socket_tests::SlowNameServer names({{"slow.test", "127.0.0.7"}});
    auto s = std::make_unique<TcpSocket>();
    EventLog log;
    log.attach(*s);
    s->dnsLookup("slow.test");
    ASSERT_EQ(HostLookup::running(), 1);
    const Clock::time_point start = Clock::now();
    if (c.name == std::string("cancel")) {
      s->cancelDnsLookup();
    } else if (c.name == std::string("another lookup")) {
      s->dnsLookup("127.0.0.9");
    } else {
      s.reset();
    }
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(HostLookup::running(), 1) << "nobody waited for the lookup";
    EXPECT_EQ(log.events, c.eventsAfter);
    names.open();
    ASSERT_TRUE(HostLookup::waitUntilNoneRunning(5000));
    socket_tests::pump(100);
    EXPECT_EQ(log.events, c.eventsAfter) << "the abandoned lookup's answer arrived";
    if (s) {
      EXPECT_NE(s->dnsResult(), "127.0.0.7");
    }
  }
}

// A lookup thread still running when the program ends neither holds the exit back nor troubles it: this
// test runs itself as a child that ends with a 30-second lookup abandoned. The sanitizer build checks the
// child's exit for leaks and bad accesses as well.
TEST(DnsLookup, ALookupStillRunningAtExitDoesNotHoldTheProgram) {
  if (std::getenv("CLIPWAVE_LOOKUP_AT_EXIT") != nullptr) {
    setHostLookupFunction([](const std::string&, std::vector<std::string>&) {
      std::this_thread::sleep_for(std::chrono::seconds(30));
      return 0;
    });
    TcpSocket s;
    s.dnsLookup("slow.test");
    EXPECT_EQ(HostLookup::running(), 1);
    return;
  }
  testing_support::TempDir dir;
  const std::string output = dir.file("child.txt");
  const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(out, 0);
  ASSERT_GE(in, 0);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string filter =
      "--gtest_filter=" + std::string(testing::UnitTest::GetInstance()->current_test_suite()->name()) + "." +
      testing::UnitTest::GetInstance()->current_test_info()->name();
  ::setenv("CLIPWAVE_LOOKUP_AT_EXIT", "1", 1);
  platform::ChildProcess child;
  const int started = child.start(self, {self, filter}, in, out, out);
  ::unsetenv("CLIPWAVE_LOOKUP_AT_EXIT");
  ::close(in);
  ::close(out);
  ASSERT_EQ(started, 0);
  EXPECT_TRUE(child.waitForExit(15000)) << "the child is still there, long after its test ended";
  if (!child.waitForExit(0)) child.kill();
  const platform::ChildExit exit = child.reap();
  EXPECT_TRUE(exit.exited && exit.code == 0) << "exit " << exit.exited << " " << exit.code << "\n"
                                             << testing_support::readFile(output);
}
