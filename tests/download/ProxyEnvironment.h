// The proxy variables of the environment for one test: all cleared at the start (so that a proxy set
// where the tests run does not change them), set as the test says, and put back at the end.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace download_test {

class ProxyEnvironment {
 public:
  ProxyEnvironment() {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
      ::unsetenv(name);
    }
  }
  ~ProxyEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  ProxyEnvironment(const ProxyEnvironment&) = delete;
  ProxyEnvironment& operator=(const ProxyEnvironment&) = delete;

  // Sets the variable, or removes it for nullptr.
  void set(const char* name, const char* value) {
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }

 private:
  static constexpr const char* kNames[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "no_proxy",   "NO_PROXY",   "all_proxy",   "ALL_PROXY"};
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace download_test
