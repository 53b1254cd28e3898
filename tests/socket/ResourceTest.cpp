// No descriptor outlives its socket, and no thread outlives its work: a lookup thread, never waited for,
// ends on its own.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include "net/socket/HostLookup.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace net;
using socket_tests::target;
using socket_tests::waitFor;
using testing_support::ScriptedPeer;

namespace {

int entries(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return -1;
  int n = 0;
  while (readdir(dir) != nullptr) ++n;
  closedir(dir);
  return n;
}

int openDescriptors() {
  return entries("/proc/self/fd");
}
int countThreads() {
  return entries("/proc/self/task");
}

}  // namespace

TEST(Resources, ThousandConnectCloseCyclesLeaveNoDescriptor) {
  constexpr int kCycles = 1000;
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  const int before = openDescriptors();
  TcpSocket s;
  bool connected = false;
  s.onSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  for (int i = 0; i < kCycles; ++i) {
    target(s, peer.port());
    connected = false;
    s.connect();
    ASSERT_TRUE(waitFor([&] { return connected; })) << "cycle " << i;
    if (i % 2 == 0) {
      s.close();
    } else {
      s.abort();
    }
  }
  ASSERT_TRUE(peer.waitFinished(kCycles, 30000));
  EXPECT_EQ(openDescriptors(), before);
}

TEST(Resources, DestroyedSocketsLeaveNoDescriptorOrThread) {
  ScriptedPeer peer;
  peer.readToEnd();
  peer.start();
  const int fds = openDescriptors(), threads = countThreads();
  for (int i = 0; i < 20; ++i) {
    auto s = std::make_unique<TcpSocket>();
    target(*s, peer.port());
    s->connect();
    if (i % 2 == 0) {
      bool connected = false;
      s->onSessionConnected = [&](BasicSocket*, std::uint16_t) { connected = true; };
      ASSERT_TRUE(waitFor([&] { return connected; }));
    }
    auto lookup = std::make_unique<TcpSocket>();
    lookup->dnsLookup("localhost");  // destroyed with its lookup still running or just done
  }
  ASSERT_TRUE(peer.waitFinished(20, 10000));
  // A lookup still running holds its own descriptors (a name server's socket) until it ends; a
  // machine without "localhost" in its hosts file asks a name server, which may take seconds.
  ASSERT_TRUE(HostLookup::waitUntilNoneRunning(60000));
  EXPECT_EQ(openDescriptors(), fds);
  // A lookup thread that has counted itself out may still be on its way out of the system.
  for (int i = 0; i < 500 && countThreads() != threads; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(countThreads(), threads);
}

TEST(Resources, ReleaseDestroysTheSocketAfterTheEvent) {
  ScriptedPeer peer;
  peer.send("bye");
  peer.start();
  const int fds = openDescriptors();
  auto* s = new TcpSocket;
  target(*s, peer.port());
  s->onSessionClosed = [&](BasicSocket* sender, std::uint16_t) { sender->release(); };
  s->onDataAvailable = [](BasicSocket* sender, std::uint16_t) {
    static_cast<TcpSocket*>(sender)->receiveStr();
  };
  const platform::MailboxRef<SocketEvent> mailbox = s->mailbox();
  s->connect();
  ASSERT_TRUE(waitFor([&] { return !mailbox.alive(); }));
  ASSERT_TRUE(peer.waitFinished(1, 5000));
  EXPECT_EQ(openDescriptors(), fds);
}
