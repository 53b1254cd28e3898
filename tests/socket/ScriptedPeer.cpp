#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace testing_support {
namespace {

sockaddr_in loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

std::uint16_t boundPort(int fd) {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0 || pipe2(wake_, O_CLOEXEC) != 0 || pipe2(go_, O_CLOEXEC) != 0)
    throw std::runtime_error("ScriptedPeer: no socket");
  const int on = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in a = loopback(0);
  if (bind(listener_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    throw std::runtime_error("ScriptedPeer: bind failed");
  }
  port_ = boundPort(listener_);
}

ScriptedPeer::~ScriptedPeer() {
  stop();
  if (listener_ >= 0) close(listener_);
  for (int fd : {wake_[0], wake_[1], go_[0], go_[1]}) {
    if (fd >= 0) close(fd);
  }
}

ScriptedPeer& ScriptedPeer::add(Step step) {
  scripts_.back().push_back(std::move(step));
  return *this;
}

ScriptedPeer& ScriptedPeer::send(std::string bytes) {
  return add({Kind::Send, std::move(bytes)});
}
ScriptedPeer& ScriptedPeer::delay(int ms) {
  return add({Kind::Delay, {}, static_cast<std::size_t>(ms)});
}
ScriptedPeer& ScriptedPeer::read(std::size_t count) {
  return add({Kind::Read, {}, count});
}
ScriptedPeer& ScriptedPeer::readUntil(std::string marker) {
  return add({Kind::ReadUntil, std::move(marker)});
}
ScriptedPeer& ScriptedPeer::readToEnd() {
  return add({Kind::ReadToEnd, {}, 0});
}
ScriptedPeer& ScriptedPeer::echo() {
  return add({Kind::Echo, {}, 0});
}
ScriptedPeer& ScriptedPeer::halfClose() {
  return add({Kind::HalfClose, {}, 0});
}
ScriptedPeer& ScriptedPeer::reset() {
  return add({Kind::Reset, {}, 0});
}
ScriptedPeer& ScriptedPeer::staySilent() {
  return add({Kind::StaySilent, {}, 0});
}

ScriptedPeer& ScriptedPeer::awaitGo() {
  return add({Kind::AwaitGo, {}, 0});
}

ScriptedPeer& ScriptedPeer::nextConnection() {
  scripts_.emplace_back();
  return *this;
}

ScriptedPeer& ScriptedPeer::smallReceiveBuffer(int bytes) {
  setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
  return *this;
}

void ScriptedPeer::start() {
  if (thread_.joinable()) return;
  if (listen(listener_, 64) != 0) throw std::runtime_error("ScriptedPeer: listen failed");
  thread_ = std::thread([this] { run(); });
}

void ScriptedPeer::stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) return;
    stopping_ = true;
  }
  const char byte = 0;
  if (write(wake_[1], &byte, 1) < 0) {
    // the thread also notices `stopping_` at its next time-out
  }
  if (thread_.joinable()) thread_.join();
}

void ScriptedPeer::go() {
  const char byte = 0;
  if (write(go_[1], &byte, 1) < 0) {
    // a pipe of the peer's own never fills with the few bytes a test writes
  }
}

bool ScriptedPeer::waitFinished(int count, int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= count; });
}

int ScriptedPeer::accepted() const {
  std::lock_guard<std::mutex> guard(lock_);
  return static_cast<int>(received_.size());
}

std::string ScriptedPeer::received(int connection) const {
  std::lock_guard<std::mutex> guard(lock_);
  return connection >= 0 && static_cast<std::size_t>(connection) < received_.size() ? received_[connection]
                                                                                    : "";
}

std::uint16_t ScriptedPeer::unusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in a = loopback(0);
  bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  const std::uint16_t port = boundPort(fd);
  close(fd);
  return port;
}

bool ScriptedPeer::waitReady(int fd, short events, int timeoutMs) {
  pollfd fds[2] = {{fd, events, 0}, {wake_[0], POLLIN, 0}};
  for (;;) {
    const int rc = poll(fds, 2, timeoutMs);
    if (rc < 0 && errno == EINTR) continue;
    if (rc <= 0 || (fds[1].revents & POLLIN) != 0) return false;
    return true;
  }
}

void ScriptedPeer::run() {
  for (std::size_t index = 0;; ++index) {
    if (!waitReady(listener_, POLLIN, -1)) return;
    const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    {
      std::lock_guard<std::mutex> guard(lock_);
      received_.emplace_back();
    }
    play(fd, index);
    {
      std::lock_guard<std::mutex> guard(lock_);
      ++finished_;
    }
    changed_.notify_all();
  }
}

void ScriptedPeer::play(int fd, std::size_t index) {
  const Script& script = scripts_[std::min(index, scripts_.size() - 1)];
  bool open = true;
  for (const Step& step : script) {
    switch (step.kind) {
      case Kind::Send:
        open = sendAll(fd, step.bytes);
        break;
      case Kind::Delay:
        if (waitReady(wake_[0], POLLIN, static_cast<int>(step.count))) open = false;  // stopping
        break;
      case Kind::Read: {
        std::size_t got = 0;
        while (got < step.count) {
          if (!waitReady(fd, POLLIN, -1)) break;
          char buf[4096];
          const ssize_t n = recv(fd, buf, std::min(sizeof buf, step.count - got), 0);
          if (n <= 0) break;
          record(index, buf, static_cast<std::size_t>(n));
          got += static_cast<std::size_t>(n);
        }
        break;
      }
      case Kind::ReadUntil:
        for (;;) {
          {
            std::lock_guard<std::mutex> guard(lock_);
            const std::string& r = received_[index];
            if (r.size() >= step.bytes.size() &&
                r.compare(r.size() - step.bytes.size(), step.bytes.size(), step.bytes) == 0)
              break;
          }
          if (readSome(fd, index, nullptr) <= 0) break;
        }
        break;
      case Kind::ReadToEnd:
        while (readSome(fd, index, nullptr) > 0) {
        }
        break;
      case Kind::Echo:
        for (;;) {
          std::string echo;
          if (readSome(fd, index, &echo) <= 0 || !sendAll(fd, echo)) break;
        }
        break;
      case Kind::HalfClose:
        shutdown(fd, SHUT_WR);
        break;
      case Kind::Reset: {
        const linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(fd);
        return;
      }
      case Kind::StaySilent:
        waitReady(wake_[0], POLLIN, -1);
        open = false;
        break;
      case Kind::AwaitGo: {
        char byte = 0;
        open = waitReady(go_[0], POLLIN, -1) && ::read(go_[0], &byte, 1) == 1;
        break;
      }
    }
    if (!open) break;
  }
  close(fd);
}

bool ScriptedPeer::sendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    if (!waitReady(fd, POLLOUT, -1)) return false;
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

long ScriptedPeer::readSome(int fd, std::size_t index, std::string* echo) {
  if (!waitReady(fd, POLLIN, -1)) return -1;
  char buf[16384];
  const ssize_t n = recv(fd, buf, sizeof buf, MSG_DONTWAIT);
  if (n < 0) return errno == EAGAIN || errno == EINTR ? 1 : -1;
  record(index, buf, static_cast<std::size_t>(n));
  if (echo != nullptr) echo->assign(buf, static_cast<std::size_t>(n));
  return n;
}

void ScriptedPeer::record(std::size_t index, const char* data, std::size_t len) {
  std::lock_guard<std::mutex> guard(lock_);
  received_[index].append(data, len);
}

}  // namespace testing_support
