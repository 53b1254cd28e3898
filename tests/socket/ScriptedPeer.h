// A scripted TCP peer on 127.0.0.1 for tests: it listens on a free port, accepts connections and plays
// a script of steps on each one (send bytes, wait, read, echo, half-close, reset, stay silent), while
// recording everything it received. Runs on its own thread; the destructor stops it and closes every
// descriptor it opened.
//
//   testing_support::ScriptedPeer peer;
//   peer.read(5).send("hello").delay(50).halfClose();
//   peer.start();
//   ... connect to 127.0.0.1:peer.port() ...
//   peer.waitFinished(1, 5000);
//   EXPECT_EQ(peer.received(0), "hi!!!");
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

  // Steps of the script being built. The first script plays on the first connection; nextConnection()
  // starts the script of the next one. Connections beyond the last script play the last script again.
  ScriptedPeer& send(std::string bytes);
  ScriptedPeer& delay(int ms);
  ScriptedPeer& read(std::size_t count);        // reads exactly `count` bytes (or until closed)
  ScriptedPeer& readUntil(std::string marker);  // reads until the bytes received end in `marker`
  ScriptedPeer& readToEnd();                    // reads until the other side closes
  ScriptedPeer& echo();                         // sends back what arrives until the other side closes
  ScriptedPeer& halfClose();                    // shutdown for sending: the other side sees the end
  ScriptedPeer& reset();                        // SO_LINGER 0 and close: the other side sees a reset
  ScriptedPeer& staySilent();                   // keeps the connection open without a word until stopped
  ScriptedPeer& awaitGo();                      // waits until the test calls go()
  ScriptedPeer& nextConnection();
  // Makes the accepted sockets' receive buffer small (set on the listener before connections come).
  ScriptedPeer& smallReceiveBuffer(int bytes);

  void start();  // starts accepting; call after building the script
  void stop();   // stops the thread and closes every descriptor; the destructor calls it too
  void go();     // lets one awaitGo() step go on (a call before the step is kept for it)

  std::uint16_t port() const { return port_; }
  // Waits until `count` connections have finished their scripts; false on time-out.
  bool waitFinished(int count, int timeoutMs);
  int accepted() const;
  std::string received(int connection) const;

  // A port on 127.0.0.1 on which nothing listens (bound once to find it, then released).
  static std::uint16_t unusedPort();

 private:
  enum class Kind { Send, Delay, Read, ReadUntil, ReadToEnd, Echo, HalfClose, Reset, StaySilent, AwaitGo };
  struct Step {
    Kind kind;
    std::string bytes;
    std::size_t count = 0;
  };
  using Script = std::vector<Step>;

  ScriptedPeer& add(Step step);
  void run();
  void play(int fd, std::size_t index);
  bool waitReady(int fd, short events, int timeoutMs);  // false when stopping or timed out
  bool sendAll(int fd, const std::string& bytes);
  // Reads what is there into the record; 0 at the end, -1 on error or stop, else the count.
  long readSome(int fd, std::size_t index, std::string* echo);
  void record(std::size_t index, const char* data, std::size_t len);

  int listener_ = -1;
  int wake_[2] = {-1, -1};  // a pipe that wakes the thread when stopping
  int go_[2] = {-1, -1};    // a byte for each go()
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
