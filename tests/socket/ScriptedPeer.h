// A scripted TCP peer on 127.0.0.1 for tests: it listens on a free port, accepts connections and plays
// a script of steps on each one (send bytes, wait, read, echo, half-close, reset, stay silent), while
// recording everything it received. Runs on its own thread; the destructor stops it and closes every
// descriptor it opened.
//
//   testing_support::ScriptedPeer peer;
//   peer.Read(5).Send("hello").Delay(50).HalfClose();
//   peer.Start();
//   ... connect to 127.0.0.1:peer.Port() ...
//   peer.WaitFinished(1, 5000);
//   EXPECT_EQ(peer.Received(0), "hi!!!");
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class ScriptedPeer {
 public:
  ScriptedPeer();
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  // Steps of the script being built. The first script plays on the first connection; NextConnection()
  // starts the script of the next one. Connections beyond the last script play the last script again.
  ScriptedPeer& Send(std::string bytes);
  ScriptedPeer& Delay(int ms);
  ScriptedPeer& Read(std::size_t count);        // reads exactly `count` bytes (or until closed)
  ScriptedPeer& ReadUntil(std::string marker);  // reads until the bytes received end in `marker`
  ScriptedPeer& ReadToEnd();                    // reads until the other side closes
  ScriptedPeer& Echo();                         // sends back what arrives until the other side closes
  ScriptedPeer& HalfClose();                    // shutdown for sending: the other side sees the end
  ScriptedPeer& Reset();                        // SO_LINGER 0 and close: the other side sees a reset
  ScriptedPeer& StaySilent();                   // keeps the connection open without a word until stopped
  ScriptedPeer& NextConnection();
  // Makes the accepted sockets' receive buffer small (set on the listener before connections come).
  ScriptedPeer& SmallReceiveBuffer(int bytes);

  void Start();  // starts accepting; call after building the script
  void Stop();   // stops the thread and closes every descriptor; the destructor calls it too

  std::uint16_t Port() const { return port_; }
  // Waits until `count` connections have finished their scripts; false on time-out.
  bool WaitFinished(int count, int timeoutMs);
  int Accepted() const;
  std::string Received(int connection) const;

  // A port on 127.0.0.1 on which nothing listens (bound once to find it, then released).
  static std::uint16_t UnusedPort();

 private:
  enum class Kind { Send, Delay, Read, ReadUntil, ReadToEnd, Echo, HalfClose, Reset, StaySilent };
  struct Step {
    Kind kind;
    std::string bytes;
    std::size_t count = 0;
  };
  using Script = std::vector<Step>;

  ScriptedPeer& Add(Step step);
  void Run();
  void Play(int fd, std::size_t index);
  bool WaitReady(int fd, short events, int timeoutMs);  // false when stopping or timed out
  bool SendAll(int fd, const std::string& bytes);
  // Reads what is there into the record; 0 at the end, -1 on error or stop, else the count.
  long ReadSome(int fd, std::size_t index, std::string* echo);
  void Record(std::size_t index, const char* data, std::size_t len);

  int listener_ = -1;
  int wake_[2] = {-1, -1};  // a pipe that wakes the thread when stopping
  std::uint16_t port_ = 0;
  std::vector<Script> scripts_{Script{}};
  std::thread thread_;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> received_;
  int finished_ = 0;
  bool stopping_ = false;
};

}  // namespace testing_support
