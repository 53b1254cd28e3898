#include "platform/SingleInstance.h"

#include <QSocketNotifier>
#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

constexpr char kShowRequest[] = "show\n";
constexpr std::size_t kShowRequestSize = sizeof kShowRequest - 1;

std::string runtimeFolder() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::TempLocation).toStdString()
                           : runtime.toStdString();
}

// False when the path does not fit a socket address.
bool socketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// A connected socket to `path`, or -1 when nobody listens there (within `timeoutMs`).
int connectTo(const std::string& path, int timeoutMs) {
  sockaddr_un address;
  if (!socketAddress(path, address)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  if (errno == EAGAIN || errno == EINPROGRESS) {  // the listener's queue is full: wait for room
    pollfd wait{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (::poll(&wait, 1, timeoutMs) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
        error == 0)
      return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace

// One copy that connected: what it sent so far, until the request is whole or it leaves.
struct SingleInstance::Caller {
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  std::string received;
};

SingleInstance::SingleInstance(const std::string& name)
    : socketPath_(runtimeFolder() + "/" + name + "-" + std::to_string(::getuid())) {}

SingleInstance::~SingleInstance() {
  for (const auto& caller : callers_) ::close(caller->fd);
  if (listener_ >= 0) {
    listenerNotifier_.reset();
    ::close(listener_);
    ::unlink(socketPath_.c_str());
  }
}

bool SingleInstance::notifyRunningInstance(int timeoutMs) {
  const int fd = connectTo(socketPath_, timeoutMs);
  if (fd < 0) return false;  // nobody listens: a stale socket at most
  pollfd wait{fd, POLLOUT, 0};
  if (::poll(&wait, 1, timeoutMs) == 1) {
    [[maybe_unused]] const ssize_t sent = ::send(fd, kShowRequest, kShowRequestSize, MSG_NOSIGNAL);
  }
  ::close(fd);
  return true;
}

bool SingleInstance::listen(std::function<void()> onShow) {
  onShow_ = std::move(onShow);
  sockaddr_un address;
  if (!socketAddress(socketPath_, address)) return false;
  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listener_ < 0) return false;
  const auto bindSocket = [&] {
    return ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  };
  bool bound = bindSocket();
  if (!bound && errno == EADDRINUSE) {
    // A socket file is there: removed only when nobody answers on it (a copy that was killed).
    const int other = connectTo(socketPath_, 0);
    if (other >= 0) {
      ::close(other);
    } else {
      ::unlink(socketPath_.c_str());
      bound = bindSocket();
    }
  }
  if (!bound || ::listen(listener_, 8) != 0) {
    ::close(listener_);
    listener_ = -1;
    return false;
  }
  ::chmod(socketPath_.c_str(), 0600);  // this user's copies only
  listenerNotifier_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
  connect(listenerNotifier_.get(), &QSocketNotifier::activated, this, [this] { acceptCallers(); });
  return true;
}

void SingleInstance::acceptCallers() {
  int fd;
  while ((fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
    auto caller = std::make_unique<Caller>();
    caller->fd = fd;
    caller->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Caller* raw = caller.get();
    connect(caller->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { readCaller(*raw); });
    callers_.push_back(std::move(caller));
  }
}

void SingleInstance::readCaller(Caller& caller) {
  char bytes[kShowRequestSize];
  const ssize_t got = ::recv(caller.fd, bytes, kShowRequestSize - caller.received.size(), 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got > 0) caller.received.append(bytes, static_cast<std::size_t>(got));
  const bool whole = caller.received.size() == kShowRequestSize;
  if (!whole && got > 0) return;
  // The request is whole (the caller is answered by the close), or the caller left or failed.
  const bool show = whole && caller.received == kShowRequest;
  dropCaller(caller);
  if (show && onShow_) onShow_();
}

void SingleInstance::dropCaller(const Caller& caller) {
  const auto found = std::find_if(callers_.begin(), callers_.end(),
                                  [&](const std::unique_ptr<Caller>& c) { return c.get() == &caller; });
  if (found == callers_.end()) return;
  (*found)->notifier->setEnabled(false);
  (*found)->notifier.release()->deleteLater();  // it is signalling right now
  ::close((*found)->fd);
  callers_.erase(found);
}

}  // namespace platform
