// Helpers for client tests: a client set up as the download window sets it up, a synchronous get() that
// reports instead of raising, and a recorder of the client's events.
#pragma once

#include "net/http/HttpClient.h"

#include <string>
#include <vector>

namespace httptest {

inline const char* kAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
inline const char* kAgent = "Mozilla/3.0 (compatible)";

inline void configureLikeDownload(http::HttpClient& cli) {
  cli.agent = kAgent;
  cli.accept = kAccept;
}

struct GetOutcome {
  bool raised = false;
  int code = 0;         // the exception's code when raised
  std::string message;  // the exception's message when raised
};

inline GetOutcome runGet(http::HttpClient& cli) {
  GetOutcome out;
  try {
    cli.get();
  } catch (const http::HttpException& e) {
    out.raised = true;
    out.code = e.errorCode();
    out.message = e.what();
  }
  return out;
}

inline std::string url(std::uint16_t port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

// The request header as the client sends it to 127.0.0.1:port without proxy.
inline std::string directRequest(const std::string& path, std::uint16_t port,
                                 const std::string& version = "1.0") {
  return "GET " + path + " HTTP/" + version + "\r\nAccept: " + kAccept + "\r\nUser-Agent: " + kAgent +
         "\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
}

}  // namespace httptest
