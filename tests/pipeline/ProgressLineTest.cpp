// The command line's one line while a video is converted as it downloads: the download's bar and figures with
// the conversion's percentage, drawn on a real terminal (a pseudo-terminal of 80 columns); what remains of
// the conversion gets its own line once the download has ended.
#include "app/cli/ItemReport.h"
#include "app/cli/ProgressView.h"
#include "app/cli/Terminal.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

namespace {

// What the terminal shows (its raw bytes), read from the master side without waiting.
std::string drain(int master) {
  std::string screen;
  char buffer[4096];
  for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, got);
  return screen;
}

TEST(ProgressLineTest, DownloadAndConversionShareTheLineWhileBothRun) {
  int master = -1, slave = -1;
  winsize size{};
  size.ws_col = 80;
  size.ws_row = 24;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  std::string screen;
  {
    cli::Terminal terminal(slave, false);
    cli::ItemReport report(terminal);
    report.begin("https://videos.example/clip/1");
    bool ok = false;
    cli::ProgressView view(report, [&](bool done) { ok = done; });
    view.downloading("clip.flv");
    view.downloadProgress({.received = 4 * 1024 * 1024,
                           .total = 8 * 1024 * 1024,
                           .receivedText = "4,096 KB of 8,192 KB received",
                           .timeLeftText = "00:00:02",
                           .speedText = "2048.0 KB/S"});
    view.conversionAlongside({.percent = 37, .elapsed = "00:01", .estimated = "00:03"});
    testing_support::waitFor([] { return false; }, 150);  // a redraw held back by its interval comes
    screen += drain(master);
    view.converting("clip.mp3");
    view.conversionProgress({.percent = 100, .elapsed = {}, .estimated = {}});
    view.finished(download::JobOutcome::done({"/out/clip.mp3"}));
    EXPECT_TRUE(ok);
    screen += drain(master);
  }
  ::close(slave);
  ::close(master);
  EXPECT_NE(screen.find(" 50%  converted 37%  4,096 KB of 8,192 KB received"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Converting: clip.mp3 ..."), std::string::npos) << screen;
  std::string::size_type at = 0;
  for (std::string::size_type next; (next = screen.find('\r', at)) != std::string::npos; at = next + 1) {
    const std::string line = screen.substr(at, screen.find_first_of("\r\n", at) - at);
    EXPECT_LT(line.substr(0, line.find("\x1b[K")).size(), 80u) << line;
  }
}

}  // namespace
