// What the window shows of a video converted while it downloads: the download panel while the video
// downloads (with the converter already at work behind it), then the conversion panel for what remains.
#include "ScriptedPeer.h"

#include "app/DownloadWindow.h"
#include "convert/ConvertProcess.h"
#include "convert/ConvertTestSupport.h"
#include "support/JobInputs.h"
#include "support/KnownStream.h"
#include "support/TempDir.h"
#include "support/WindowRun.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <string>

namespace {

TEST(PipelineWindowTest, TheDownloadPanelWhileBothRunThenTheConversionPanel) {
  convert::createConvertProcess();
  testing_support::TempDir dir;
  // Noise makes the video large (7 MB): the converter starts long before its end.
  convert_test::makeMedia(
      {"-f", "lavfi", "-i", "testsrc=duration=12:size=320x240:rate=25,noise=alls=100:allf=t", "-f", "lavfi",
       "-i", "sine=frequency=440:duration=12", "-q:v", "8", "-c:v", "flv", "-c:a", "libmp3lame", "-ar",
       "44100"},
      dir.file("served.flv"));
  const std::string video = testing_support::readFile(dir.file("served.flv"));
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  testing_support::ScriptedPeer peer;
  peer.readUntil("\r\n\r\n")
      .send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(video.size()) + "\r\n\r\n" +
            video.substr(0, video.size() / 2))
      .delay(700)
      .send(video.substr(video.size() / 2))
      .halfClose();
  peer.start();
  {
    app::DownloadWindow window(
        nullptr,
        testing_support::jobInput("https://videos.example/clip/1", download::RequestMode::DownloadConvert,
                                  out, ".mp3", "-ar 44100 -ab 128kbit/s -ac 2 "),
        testing_support::knownStreamParts("http://127.0.0.1:" + std::to_string(peer.port()) + "/clip.flv",
                                          "clip.flv"));
    bool downloadPanelWhileConverting = false;
    bool conversionPanel = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
      const bool converterRuns = convert::convertProcess->processId() != 0;
      if (window.convertPanel->isVisible()) {
        conversionPanel = true;
      } else if (converterRuns && window.downloadPanel->isVisible()) {
        downloadPanelWhileConverting = true;
      }
    });
    poll.start(5);
    testing_support::runShown(window, 60000);
    EXPECT_TRUE(downloadPanelWhileConverting) << "the converter ran behind the download panel";
    EXPECT_TRUE(conversionPanel) << "the conversion panel came for what remained";
  }
  EXPECT_EQ(convert_test::probeStream(out + "/clip.mp3", "codec_name"), "mp3");
  EXPECT_FALSE(std::filesystem::exists(out + "/clip.flv"));
  convert::destroyConvertProcess();
}

}  // namespace
