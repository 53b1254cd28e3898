// No descriptor or thread outlives its socket.
#include "ScriptedPeer.h"
#include "SocketFixture.h"

#include <dirent.h>

#include <gtest/gtest.h>

#include <memory>

using namespace net;
using socket_tests::Target;
using socket_tests::WaitFor;
using testing_support::ScriptedPeer;

namespace {

int Entries(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return -1;
  int n = 0;
  while (readdir(dir) != nullptr) ++n;
  closedir(dir);
  return n;
}

int OpenDescriptors() {
  return Entries("/proc/self/fd");
}
int Threads() {
  return Entries("/proc/self/task");
}

}  // namespace

TEST(Resources, ThousandConnectCloseCyclesLeaveNoDescriptor) {
  constexpr int kCycles = 1000;
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  const int before = OpenDescriptors();
  TcpSocket s;
  bool connected = false;
  s.OnSessionConnected = [&](BasicSocket*, std::uint16_t e) { connected = e == 0; };
  for (int i = 0; i < kCycles; ++i) {
    Target(s, peer.Port());
    connected = false;
    s.Connect();
    ASSERT_TRUE(WaitFor([&] { return connected; })) << "cycle " << i;
    if (i % 2 == 0) {
      s.Close();
    } else {
      s.Abort();
    }
  }
  ASSERT_TRUE(peer.WaitFinished(kCycles, 30000));
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(Resources, DestroyedSocketsLeaveNoDescriptorOrThread) {
  ScriptedPeer peer;
  peer.ReadToEnd();
  peer.Start();
  const int fds = OpenDescriptors(), threads = Threads();
  for (int i = 0; i < 20; ++i) {
    auto s = std::make_unique<TcpSocket>();
    Target(*s, peer.Port());
    s->Connect();
    if (i % 2 == 0) {
      bool connected = false;
      s->OnSessionConnected = [&](BasicSocket*, std::uint16_t) { connected = true; };
      ASSERT_TRUE(WaitFor([&] { return connected; }));
    }
    auto lookup = std::make_unique<TcpSocket>();
    lookup->DnsLookup("localhost");  // destroyed with its lookup still running or just done
  }
  ASSERT_TRUE(peer.WaitFinished(20, 10000));
  EXPECT_EQ(OpenDescriptors(), fds);
  EXPECT_EQ(Threads(), threads);
}

TEST(Resources, ReleaseDestroysTheSocketAfterTheEvent) {
  ScriptedPeer peer;
  peer.Send("bye");
  peer.Start();
  const int fds = OpenDescriptors();
  auto* s = new TcpSocket;
  Target(*s, peer.Port());
  s->OnSessionClosed = [&](BasicSocket* sender, std::uint16_t) { sender->Release(); };
  s->OnDataAvailable = [](BasicSocket* sender, std::uint16_t) {
    static_cast<TcpSocket*>(sender)->ReceiveStr();
  };
  const platform::TargetHandle window = s->Handle();
  s->Connect();
  ASSERT_TRUE(WaitFor([&] { return !platform::isTargetAlive(window); }));
  ASSERT_TRUE(peer.WaitFinished(1, 5000));
  EXPECT_EQ(OpenDescriptors(), fds);
}
