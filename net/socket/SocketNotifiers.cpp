#include "net/socket/SocketNotifiers.h"

#include "net/socket/BasicSocket.h"
#include "net/socket/SocketErrors.h"

#include <sys/socket.h>

#include <cerrno>

namespace net {

SocketNotifiers::SocketNotifiers(int fd, platform::MailboxRef<SocketNotification> target,
                                 std::uint64_t connection, bool stream)
    : fd_(fd),
      target_(std::move(target)),
      connection_(connection),
      stream_(stream),
      read_(fd, QSocketNotifier::Read),
      write_(fd, QSocketNotifier::Write) {
  read_.setEnabled(false);
  write_.setEnabled(false);
  QObject::connect(&read_, &QSocketNotifier::activated, [this] { onReadable(); });
  QObject::connect(&write_, &QSocketNotifier::activated, [this] { onWritable(); });
}

SocketNotifiers::~SocketNotifiers() {
  read_.setEnabled(false);
  write_.setEnabled(false);
}

void SocketNotifiers::select(unsigned mask) {
  mask_ = mask;
  if (mask != 0) {
    readArmed_ = true;
    closePosted_ = false;
  }
  update();
}

void SocketNotifiers::connectStarted() {
  connectPending_ = true;
  update();
}

void SocketNotifiers::stop() {
  connectPending_ = false;
  closePosted_ = true;
  writeArmed_ = false;
  update();
}

void SocketNotifiers::armRead() {
  readArmed_ = true;
  update();
}

void SocketNotifiers::armWrite() {
  writeArmed_ = true;
  update();
}

void SocketNotifiers::update() {
  const bool wantRead =
      (mask_ & (kReadEvent | kCloseEvent)) != 0 && readArmed_ && !connectPending_ && !closePosted_;
  const bool wantWrite =
      (connectPending_ && (mask_ & kConnectEvent) != 0) || (writeArmed_ && (mask_ & kWriteEvent) != 0);
  if (read_.isEnabled() != wantRead) read_.setEnabled(wantRead);
  if (write_.isEnabled() != wantWrite) write_.setEnabled(wantWrite);
}

void SocketNotifiers::post(unsigned bits, int errCode) {
  target_.post(SocketNotification{connection_, bits, static_cast<std::uint16_t>(errCode)});
}

void SocketNotifiers::onReadable() {
  readArmed_ = false;
  char probe = 0;
  const ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n > 0 || (n == 0 && !stream_)) {
    post(kReadEvent, 0);
  } else if (n == 0) {
    closePosted_ = true;
    post(kCloseEvent, 0);
  } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
    readArmed_ = true;
  } else if (!stream_) {
    post(kReadEvent, 0);  // a datagram error (an unreachable port) is the receiver's to read, not a close
  } else {
    closePosted_ = true;
    post(kCloseEvent, socketErrorFromErrno(errno));
  }
  update();
}

void SocketNotifiers::onWritable() {
  if (connectPending_) {
    connectPending_ = false;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    if (err == ECONNRESET || err == EPIPE || err == ECONNABORTED) {
      // Connected, then reset before this report: the connect succeeded and the close follows.
      closePosted_ = true;
      post(kConnectEvent, 0);
      post(kCloseEvent, socketErrorFromErrno(err));
    } else {
      if (err != 0) closePosted_ = true;  // the connect handler closes the socket
      post(kConnectEvent, socketErrorFromErrno(err));
    }
  } else {
    writeArmed_ = false;
    post(kWriteEvent, 0);
  }
  update();
}

}  // namespace net
