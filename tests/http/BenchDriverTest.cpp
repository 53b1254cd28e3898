// The headless download driver (build/bench/http_get) against a scripted server: its exit code says
// whether the request ended with the whole body of a 2xx reply, and its time limit stops a stalled one.
#include "ScriptedPeer.h"

#include "platform/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using testing_support::ScriptedPeer;

// Runs the driver with `args` after its program name and returns its exit code (-1 when not started).
int runDriver(const std::vector<std::string>& args) {
  std::vector<std::string> argv{CLIPWAVE_HTTP_GET};
  argv.insert(argv.end(), args.begin(), args.end());
  const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC), out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  platform::ChildProcess child;
  const int error = child.start(argv.front(), argv, in, out, out);
  ::close(in);
  ::close(out);
  if (error != 0) return -1;
  const platform::ChildExit exit = child.reap();
  return exit.exited ? exit.code : -1;
}

TEST(HttpGetDriver, ExitCodeSaysWhetherTheWholeBodyOfA2xxReplyArrived) {
  const struct {
    const char* name;
    std::string response;
    bool reset;  // the server resets the connection after the response
    int code;
  } cases[] = {
      {"whole length", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", false, 0},
      {"until an orderly close", "HTTP/1.0 200 OK\r\n\r\nhello", false, 0},
      {"no content", "HTTP/1.0 204 No Content\r\n\r\n", false, 0},
      {"redirect not followed", "HTTP/1.0 302 Found\r\n\r\n", false, 1},
      {"not found", "HTTP/1.0 404 Not Found\r\nContent-Length: 2\r\n\r\nno", false, 1},
      {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nhello", false, 1},
      {"reset", "HTTP/1.0 200 OK\r\n\r\nhello", true, 1},
      {"not http", "<html>no header</html>\r\n", false, 1},
  };
  testing_support::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    peer.readUntil("\r\n\r\n").send(c.response);
    if (c.reset) peer.reset();
    peer.start();
    EXPECT_EQ(runDriver({"http://127.0.0.1:" + std::to_string(peer.port()) + "/v", dir.file("out")}), c.code);
  }
}

TEST(HttpGetDriver, TimeLimitStopsAStalledRequest) {
  ScriptedPeer peer;
  peer.readUntil("\r\n\r\n").send("HTTP/1.0 200 OK\r\nContent-Length: 99\r\n\r\nsome").staySilent();
  peer.start();
  testing_support::TempDir dir;
  const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/v";
  EXPECT_EQ(runDriver({url, dir.file("out"), "--timeout", "0.5"}), 4);
  EXPECT_EQ(runDriver({url, dir.file("out"), "--timeout", "soon"}), 2);
  EXPECT_EQ(runDriver({url}), 2);
}

}  // namespace
