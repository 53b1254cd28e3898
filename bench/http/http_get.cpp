// Headless driver: one synchronous get() into a file, as the download window runs it.
//
//   http_get URL OUT [--proxy HOST:PORT]
//
// Prints the status code, the status text, the body bytes received and the seconds taken, one
// "name=value" per line. Exit code 0 when the request succeeded and the file was written, 1 when the
// request ended with an error status or a failed transfer, 2 for wrong arguments, 3 when the file could
// not be created or written.
#include "net/http/FileStream.h"
#include "net/http/HttpClient.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

int usage() {
  std::fprintf(stderr, "usage: http_get URL OUT [--proxy HOST:PORT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3 && argc != 5) return usage();
  std::string proxy;
  if (argc == 5) {
    if (std::string(argv[3]) != "--proxy") return usage();
    proxy = argv[4];
  }
  http::HttpClient cli;
  cli.agent = "Mozilla/3.0 (compatible)";
  cli.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  if (!proxy.empty()) {
    std::size_t colon = proxy.rfind(':');
    cli.proxy = proxy.substr(0, colon);
    if (colon != std::string::npos) cli.proxyPort = proxy.substr(colon + 1);
  }
  cli.url = argv[1];

  int rc = 0;
  auto start = std::chrono::steady_clock::now();
  try {
    http::FileStream file(argv[2]);
    cli.setReceiveStream(&file);
    try {
      cli.get();
    } catch (const http::HttpException&) {
      rc = 1;
    }
    cli.setReceiveStream(nullptr);
    file.close();
  } catch (const http::StreamError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    rc = 3;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (cli.requestDoneError() != 0 && rc == 0) rc = 1;
  std::printf("status=%d\ntext=%s\nbytes=%lld\nseconds=%.3f\n", cli.statusCode(), cli.statusText().c_str(),
              static_cast<long long>(cli.receivedCount()), seconds);
  return rc;
}
