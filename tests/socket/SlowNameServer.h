// A name server for tests, put in place of the system's lookups for its lifetime: each lookup of a
// listed name waits until open() (5 seconds at most), then answers that name's address; any other name
// is not found. What the lookup threads use is theirs (shared), so one abandoned and still running when
// the test ends touches nothing the test freed. It starts once the lookups of earlier tests have ended,
// so that HostLookup::running() counts the test's own; the destructor opens the gate and waits for every
// lookup thread to end, so none leaks into the next test.
#pragma once

#include "net/socket/HostLookup.h"
#include "net/socket/SocketErrors.h"

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace socket_tests {

class SlowNameServer {
 public:
  explicit SlowNameServer(std::initializer_list<std::pair<const std::string, std::string>> names)
      : state_(std::make_shared<State>()),
        override_([state = state_, addresses = std::map<std::string, std::string>(names)](
                      const std::string& name, std::vector<std::string>& out) {
          std::unique_lock<std::mutex> lock(state->lock);
          state->opened.wait_for(lock, std::chrono::seconds(5), [&] { return state->open; });
          const auto found = addresses.find(name);
          if (found == addresses.end()) return static_cast<int>(net::SocketError::HostNotFound);
          out.push_back(found->second);
          return 0;
        }) {
    net::HostLookup::waitUntilNoneRunning(10000);  // earlier lookups keep the function they started with
  }
  ~SlowNameServer() {
    open();
    net::HostLookup::waitUntilNoneRunning(10000);
  }
  SlowNameServer(const SlowNameServer&) = delete;
  SlowNameServer& operator=(const SlowNameServer&) = delete;

  // Lets every lookup waiting now or later answer at once.
  void open() {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->open = true;
    state_->opened.notify_all();
  }

 private:
  struct State {
    std::mutex lock;
    std::condition_variable opened;
    bool open = false;
  };
  std::shared_ptr<State> state_;
  net::ScopedHostLookupFunction override_;
};

}  // namespace socket_tests
