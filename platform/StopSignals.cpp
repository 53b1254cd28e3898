#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t firstSignal = 0;
struct sigaction previous[std::size(kSignals)];

// Only async-signal-safe work: a flag and one write. A full pipe drops the byte; the flag still holds.
extern "C" void onStopSignal(int signal) {
  const int savedErrno = errno;
  if (firstSignal == 0) firstSignal = signal;
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  if (pipeEnds[0] >= 0) throw std::logic_error("only one StopSignals at a time");
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe for the signals");
  firstSignal = 0;
  notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { onReadable(); });
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read, such as a question on the terminal, returns with EINTR.
  action.sa_flags = 0;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  notifier_.reset();
  for (int& fd : pipeEnds) {
    ::close(fd);
    fd = -1;
  }
}

int StopSignals::first() {
  return firstSignal;
}

void StopSignals::onReadable() {
  unsigned char bytes[16];
  ssize_t got;
  while ((got = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
    for (ssize_t i = 0; i < got; ++i) onSignal_(bytes[i]);
  }
}

}  // namespace platform
