// The download panel's bar in the real download window, against a scripted server on 127.0.0.1: busy
// (no caption, a moving fill) while the reply has announced no length, a percentage when it has.
#include "ScriptedPeer.h"

#include "app/DownloadWindow.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <filesystem>

namespace {

TEST(BusyDownload, TheBarIsBusyOnlyWhileNoLengthIsKnown) {
  // The download goes straight to the scripted server.
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) qunsetenv(name);
  const struct {
    const char* how;
    const char* lengthLine;
    bool busy;
  } cases[] = {
      {"no length", "", true},
      {"a length", "Content-Length: 60000\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    testing_support::TempDir dir;
    testing_support::ScriptedPeer server;
    server.readUntil("\r\n\r\n").send(std::string("HTTP/1.0 200 OK\r\n") + c.lengthLine + "\r\n");
    for (int i = 0; i < 3; ++i) server.send(std::string(20000, 'v')).delay(150);
    server.halfClose();
    server.start();
    testing_support::ScriptedDialogs dialogs;
    app::DownloadWindow window(
        nullptr,
        testing_support::jobInput("http://www.youtube.com/watch?v=abc", download::RequestMode::DownloadOnly,
                                  dir.path(), ".mp3"),
        testing_support::knownStreamParts("http://127.0.0.1:" + std::to_string(server.port()) + "/v.flv",
                                          "v.flv", true));

    // What the panel shows while the data arrives.
    bool seen = false, busy = false;
    QString caption, received;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
      if (seen || window.job().download() == nullptr ||
          window.job().download()->client().receivedCount() < 20000)
        return;
      seen = true;
      busy = window.downloadProgressBar->isBusy();
      caption = window.downloadProgressBar->text();
      received = window.receivedLabel->text();
    });
    poll.start(10);
    QEventLoop loop;
    QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, [&] {
      ADD_FAILURE() << "the window did not close";
      window.onStopClicked();
    });
    window.show();
    loop.exec();

    ASSERT_TRUE(seen);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(busy, c.busy);
    EXPECT_EQ(caption.isEmpty(), c.busy) << caption.toStdString();
    EXPECT_EQ(received.contains(" of "), !c.busy) << received.toStdString();
    EXPECT_TRUE(received.endsWith(" KB received")) << received.toStdString();
    EXPECT_EQ(std::filesystem::file_size(dir.file("v.flv")), 60000u);
  }
}

}  // namespace
