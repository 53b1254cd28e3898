#include "net/socket/HostLookup.h"

#include "net/socket/Resolvers.h"
#include "net/socket/SocketErrors.h"

#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace net {
namespace {

// The count of lookup threads. Created once and never destroyed: a detached thread may still update it
// while the process exits.
struct RunningCount {
  std::mutex lock;
  std::condition_variable noneRunning;
  int running = 0;
};

RunningCount& runningCount() {
  static RunningCount* const kCount = new RunningCount;
  return *kCount;
}

void lookupStarted() {
  RunningCount& count = runningCount();
  std::lock_guard<std::mutex> guard(count.lock);
  ++count.running;
}

void lookupEnded() {
  RunningCount& count = runningCount();
  std::lock_guard<std::mutex> guard(count.lock);
  if (--count.running == 0) count.noneRunning.notify_all();
}

// The lookup function that new lookups take; none: the system's.
struct FunctionSlot {
  std::mutex lock;
  std::shared_ptr<const HostLookupFunction> function;
};

FunctionSlot& functionSlot() {
  static FunctionSlot slot;
  return slot;
}

std::shared_ptr<const HostLookupFunction> currentFunction() {
  FunctionSlot& slot = functionSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  return slot.function;
}

std::shared_ptr<const HostLookupFunction> exchangeFunction(
    std::shared_ptr<const HostLookupFunction> function) {
  FunctionSlot& slot = functionSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  std::swap(slot.function, function);
  return function;
}

}  // namespace

struct HostLookup::Shared {
  std::atomic<bool> abandoned{false};
};

// The body of a lookup thread. Everything it was given is released before the thread counts as ended.
void HostLookup::run(std::shared_ptr<Shared> shared, std::shared_ptr<const HostLookupFunction> function,
                     platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName) {
  {
    LookupDone done{.lookup = handle};
    int error;
    try {
      error = function ? (*function)(hostName, done.addresses) : resolve(hostName, done.addresses);
    } catch (...) {
      error = SocketError::NoRecovery;
    }
    done.error = static_cast<std::uint16_t>(error);
    if (error != 0) done.addresses.clear();
    if (!shared->abandoned.load()) target.post(std::move(done));
    target = platform::MailboxRef<LookupDone>();
    function.reset();
    shared.reset();
    hostName.clear();
  }
  lookupEnded();
}

HostLookup::HostLookup(platform::MailboxRef<LookupDone> target, std::uint64_t handle, std::string hostName)
    : shared_(std::make_shared<Shared>()) {
  lookupStarted();
  try {
    std::thread(run, shared_, currentFunction(), std::move(target), handle, std::move(hostName)).detach();
  } catch (...) {
    lookupEnded();
    throw;
  }
}

HostLookup::~HostLookup() {
  shared_->abandoned = true;
}

int HostLookup::resolve(const std::string& hostName, Result& addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = getaddrinfo(hostName.c_str(), nullptr, &hints, &list);
  if (rc != 0) return socketErrorFromResolver(rc);
  for (addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
    const std::string text = ipv4ToText(reinterpret_cast<sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr);
    if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.push_back(text);
  }
  freeaddrinfo(list);
  return addresses.empty() ? SocketError::NoData : 0;
}

int HostLookup::running() {
  RunningCount& count = runningCount();
  std::lock_guard<std::mutex> guard(count.lock);
  return count.running;
}

bool HostLookup::waitUntilNoneRunning(int ms) {
  RunningCount& count = runningCount();
  std::unique_lock<std::mutex> guard(count.lock);
  return count.noneRunning.wait_for(guard, std::chrono::milliseconds(std::max(0, ms)),
                                    [&count] { return count.running == 0; });
}

void setHostLookupFunction(HostLookupFunction function) {
  exchangeFunction(function ? std::make_shared<const HostLookupFunction>(std::move(function)) : nullptr);
}

ScopedHostLookupFunction::ScopedHostLookupFunction(HostLookupFunction function)
    : previous_(exchangeFunction(function ? std::make_shared<const HostLookupFunction>(std::move(function))
                                          : nullptr)) {}

ScopedHostLookupFunction::~ScopedHostLookupFunction() {
  exchangeFunction(std::move(previous_));
}

}  // namespace net
