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

void addSocket() {
  std::lock_guard<std::mutex> guard(state().lock);
  ++state().live;
}

void removeSocket() {
  std::lock_guard<std::mutex> guard(state().lock);
  if (--state().live < 1) state().inUse = false;
}

int liveSockets() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().live;
}

void use() {
  std::lock_guard<std::mutex> guard(state().lock);
  state().inUse = true;
}

bool inUse() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().inUse;
}

std::uint8_t reqVerLow() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().low;
}

std::uint8_t reqVerHigh() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().high;
}

void setReqVer(std::uint8_t low, std::uint8_t high) {
  std::lock_guard<std::mutex> guard(state().lock);
  state().low = low;
  state().high = high;
}

std::recursive_mutex& sendLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace net::library
