// Headless driver: one synchronous get() into a file, as the download window runs it.
//
//   http_get URL OUT [--proxy HOST:PORT] [--timeout SECONDS]
//
// Prints the status code, the status text, the body bytes received and the seconds taken, one
// "name=value" per line. Exit code 0 only when the request ended with the whole body of a 2xx reply
// (every byte of an announced length, or a body that ended with an orderly close) and the file was
// written; 1 for any other end (an error status, a redirect or other reply that is not 2xx, a
// transfer cut short or refused), 2 for wrong arguments, 3 when the file could not be created or
// written, 4 when the time limit (none by default) passed and the request was stopped.
#include "net/http/FileStream.h"
#include "net/http/HttpClient.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int usage() {
  std::fprintf(stderr, "usage: http_get URL OUT [--proxy HOST:PORT] [--timeout SECONDS]\n");
  return 2;
}

// True when the request delivered the whole body of a 2xx reply.
bool wholeSuccessfulBody(const http::HttpClient& cli) {
  const int status = cli.statusCode();
  if (status < 200 || status > 299) return false;
  // An announced length must be reached; a body without one ends well only with an orderly close.
  if (cli.bodyLength() >= 0) return cli.receivedCount() == cli.bodyLength();
  return cli.requestDoneError() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) return usage();
  std::string proxy;
  double limit = 0;
  for (int i = 3; i < argc; i += 2) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return usage();
    if (option == "--proxy") {
      proxy = argv[i + 1];
    } else if (option == "--timeout") {
      char* end = nullptr;
      limit = std::strtod(argv[i + 1], &end);
      if (end == argv[i + 1] || *end != '\0' || !(limit > 0)) return usage();
    } else {
      return usage();
    }
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

  bool timedOut = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [&] {
    timedOut = true;
    cli.abort();
  });
  if (limit > 0) deadline.start(static_cast<int>(limit * 1000));

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
  deadline.stop();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (timedOut) {
    rc = 4;
  } else if (rc == 0 && !wholeSuccessfulBody(cli)) {
    rc = 1;
  }
  std::printf("status=%d\ntext=%s\nbytes=%lld\nseconds=%.3f\n", cli.statusCode(), cli.statusText().c_str(),
              static_cast<long long>(cli.receivedCount()), seconds);
  if (rc == 4) std::printf("timeout=%g\n", limit);
  return rc;
}
