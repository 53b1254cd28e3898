#include "net/socket/SocketLibrary.h"

namespace net::library {
namespace {

struct State {
  std::mutex lock;
  int live = 0;
  bool inUse = false;
  std::uint8_t low = 1, high = 1;
};

State& state() {
  static State s;
  return s;
}

}  // namespace

void AddSocket() {
  std::lock_guard<std::mutex> guard(state().lock);
  ++state().live;
}

void RemoveSocket() {
  std::lock_guard<std::mutex> guard(state().lock);
  if (--state().live < 1) state().inUse = false;
}

int LiveSockets() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().live;
}

void Use() {
  std::lock_guard<std::mutex> guard(state().lock);
  state().inUse = true;
}

bool InUse() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().inUse;
}

std::uint8_t ReqVerLow() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().low;
}

std::uint8_t ReqVerHigh() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().high;
}

void SetReqVer(std::uint8_t low, std::uint8_t high) {
  std::lock_guard<std::mutex> guard(state().lock);
  state().low = low;
  state().high = high;
}

std::recursive_mutex& SendLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace net::library
