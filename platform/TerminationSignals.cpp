#include "platform/TerminationSignals.h"

#include <QPointer>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

namespace platform {
namespace {

// The pipe's ends, and the handling each signal had before; one set for the whole process, as signal
// handlers are.
int pipeEnds[2] = {-1, -1};
std::array<struct sigaction, std::size(TerminationSignals::kSignals)> previous{};
volatile std::sig_atomic_t firstSignal = 0;

// Async-signal-safe: a flag and one write of one byte, errno kept. A full pipe drops the byte; the reader has
// bytes enough to wake it.
extern "C" void onTerminationSignal(int number) {
  const int savedErrno = errno;
  if (firstSignal == 0) firstSignal = number;
  const auto byte = static_cast<unsigned char>(number);
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, InterruptedCalls interrupted)
    : onSignal_(std::move(onSignal)) {
  if (pipeEnds[0] >= 0) throw std::logic_error("the termination signals are already caught");
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe for the signals");
  firstSignal = 0;
  notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { drain(); });
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = interrupted == InterruptedCalls::Restart ? SA_RESTART : 0;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

TerminationSignals::~TerminationSignals() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
  notifier_.reset();
  for (int& end : pipeEnds) {
    ::close(end);
    end = -1;
  }
}

int TerminationSignals::first() {
  return firstSignal;
}

void TerminationSignals::drain() {
  // The callback may end this object (a program that quits at once): nothing is touched after that.
  const QPointer<TerminationSignals> alive(this);
  const std::function<void(int)> callback = onSignal_;
  unsigned char numbers[64];
  ssize_t count;
  while (alive && (count = ::read(pipeEnds[0], numbers, sizeof numbers)) > 0) {
    for (ssize_t i = 0; i < count && alive; ++i)
      if (callback) callback(numbers[i]);
  }
}

}  // namespace platform
