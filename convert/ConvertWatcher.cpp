#include "convert/ConvertWatcher.h"

#include "convert/ConvertProcess.h"
#include "platform/ChildProcess.h"

#include <pthread.h>

#include <algorithm>

namespace convert {

namespace {

constexpr int kIdleWaitMs = 100;               // wait on the process when no output is waiting
constexpr std::uint32_t kMaxRead = 64 * 1024;  // one read at most; a pipe holds 64 KiB by default
constexpr int kMaxDrainPasses = 64;  // once the converter has ended: at most 64 reads of each pipe more

}  // namespace

bool ConvertWatcher::Rendezvous::isStopped() {
  std::lock_guard<std::mutex> guard(mutex);
  return stopped;
}

void ConvertWatcher::Rendezvous::answer() {
  {
    std::lock_guard<std::mutex> guard(mutex);
    answered = asked;
  }
  changed.notify_all();
}

ConvertWatcher::ConvertWatcher(ConvertProcess& process)
    : target_(process.mainThread_.ref()),
      stdout_(process.stdoutRead_),
      stderr_(process.stderrRead_),
      child_(process.child_),
      thread_([this] { run(); }) {}

ConvertWatcher::~ConvertWatcher() {
  terminate();
  if (thread_.joinable()) thread_.join();
}

void ConvertWatcher::terminate() {
  {
    std::lock_guard<std::mutex> guard(rendezvous_->mutex);
    rendezvous_->stopped = true;
  }
  rendezvous_->changed.notify_all();
}

bool ConvertWatcher::call(Action action, std::uint32_t bytes) {
  std::unique_lock<std::mutex> lock(rendezvous_->mutex);
  if (rendezvous_->stopped) return false;
  const std::uint64_t call = ++rendezvous_->asked;
  lock.unlock();
  if (!target_.post(Call{action, bytes, rendezvous_})) {
    terminate();  // the conversion object's target is gone: nobody will answer
    return false;
  }
  lock.lock();
  rendezvous_->changed.wait(lock, [&] { return rendezvous_->stopped || rendezvous_->answered >= call; });
  return !rendezvous_->stopped;
}

// One pass over both pipes, standard output first; true when one of them held data.
bool ConvertWatcher::servePipes() {
  bool found = false;
  for (const auto& [fd, action] :
       {std::pair{stdout_, Action::ReadStdout}, std::pair{stderr_, Action::ReadStderr}}) {
    const int waiting = platform::bytesInPipe(fd);  // a failed peek counts as no data
    if (waiting <= 0) continue;
    found = true;
    if (!call(action, std::min(static_cast<std::uint32_t>(waiting), kMaxRead))) return true;
  }
  return found;
}

void ConvertWatcher::run() {
  pthread_setname_np(pthread_self(), "convert-watch");
  while (!rendezvous_->isStopped()) {
    if (servePipes()) continue;
    if (!child_.waitForExit(kIdleWaitMs)) continue;
    // The converter has ended: take what it left in the pipes, then finish the run.
    for (int pass = 0; pass < kMaxDrainPasses && !rendezvous_->isStopped(); ++pass) {
      if (!servePipes()) break;
    }
    call(Action::Finish, 0);
    return;
  }
}

}  // namespace convert
