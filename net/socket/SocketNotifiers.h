// Turns the readiness of one system socket into notifications posted to its socket's mailbox: the connect bit
// when a connect ends, the read bit when bytes wait, the close bit when the peer has closed or reset, the
// write bit when a blocked send can go on. Like the platform the socket was designed for, each kind is
// reported once and re-armed only by the call that consumes it (a receive re-arms the read bit, a blocked
// send the write bit), so a notification sitting in the queue is never repeated.
#pragma once

#include "net/socket/SocketEvents.h"
#include "platform/Messages.h"

#include <QSocketNotifier>

#include <cstdint>

namespace net {

class SocketNotifiers {
 public:
  SocketNotifiers(int fd, platform::MailboxRef<SocketNotification> target, std::uint64_t connection,
                  bool stream);
  ~SocketNotifiers();
  SocketNotifiers(const SocketNotifiers&) = delete;
  SocketNotifiers& operator=(const SocketNotifiers&) = delete;

  // Reports the events of `mask` (FD_* bits) from now on; 0 stops every report. A non-zero mask also
  // re-arms the read and close reports, so what was dropped while paused is reported again.
  void select(unsigned mask);
  // A system connect is in progress: its outcome is reported as the connect bit.
  void connectStarted();
  // The outcome was already posted by the caller: report nothing more for this socket.
  void stop();
  // A receive ran: report waiting bytes (or the close) again.
  void armRead();
  // A send could not take everything: report the write bit when it can go on.
  void armWrite();

 private:
  void onReadable();
  void onWritable();
  void update();
  void post(unsigned bits, int errCode);

  int fd_;
  platform::MailboxRef<SocketNotification> target_;
  std::uint64_t connection_;
  bool stream_;
  QSocketNotifier read_;
  QSocketNotifier write_;
  unsigned mask_ = 0;
  bool connectPending_ = false;
  bool readArmed_ = true;
  bool writeArmed_ = false;
  bool closePosted_ = false;
};

}  // namespace net
