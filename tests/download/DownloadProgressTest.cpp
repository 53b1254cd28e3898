// What the download panel shows: the announced size, the size received, and speed and time remaining
// sampled every two seconds.
#include "download/DownloadProgress.h"

#include <gtest/gtest.h>

namespace {

using download::DownloadProgress;

TEST(DownloadProgress, TotalComesFromTheFirstLengthLineInItsOwnLetterCase) {
  const struct {
    std::vector<std::string> lines;
    std::int64_t total;
    const char* text;
  } cases[] = {
      {{"HTTP/1.0 200 OK", "Content-Type: video/x-flv", "Content-Length: 1048576"}, 1048576, "1,024 KB"},
      {{"HTTP/1.0 200 OK", "Content-Length: 1000"}, 1000, "1 KB"},
      {{"HTTP/1.0 200 OK", "Content-Length: 5000000000"}, 5000000000, "4,882,813 KB"},  // past 32 bits
      {{"HTTP/1.0 200 OK", "content-length: 1048576"}, -1, ""},
      {{"HTTP/1.0 200 OK", "Content-Length: 12ab"}, -1, ""},
      {{"HTTP/1.0 200 OK", "Content-Length: -5"}, -1, ""},
      {{"HTTP/1.0 200 OK", "Content-Length: 99999999999999999999999"}, -1, ""},
      {{"HTTP/1.0 200 OK", "Content-Length:7"}, -1, ""},  // the value follows the first blank
      {{"HTTP/1.0 200 OK", "Content-Length: 10", "Content-Length: 20"}, 10, "1 KB"},
      {{"HTTP/1.0 200 OK"}, -1, ""},
  };
  for (const auto& c : cases) {
    DownloadProgress progress;
    EXPECT_EQ(progress.onHeaderLines(c.lines), c.total >= 0) << c.lines.back();
    EXPECT_EQ(progress.total, c.total) << c.lines.back();
    EXPECT_EQ(progress.totalSizeText, c.text) << c.lines.back();
  }
}

TEST(DownloadProgress, TimeAndSpeedTexts) {
  const std::pair<std::int64_t, const char*> times[] = {
      {0, "00:00:00"},     {59, "00:00:59"},      {3725, "01:02:05"},
      {36000, "10:00:00"}, {400000, "111:06:40"}, {-4, "00:00:00"},
  };
  for (const auto& [seconds, text] : times) EXPECT_EQ(download::formatTimeLeft(seconds), text) << seconds;
  EXPECT_EQ(download::formatSpeed(51200, 2000), "25.0 KB/S");
  EXPECT_EQ(download::formatSpeed(1024 * 1024 * 3, 3000), "1024.0 KB/S");
  EXPECT_EQ(download::formatSpeed(300, 2500), "0.1 KB/S");
}

TEST(DownloadProgress, SamplesOverIntervalsOfTwoSeconds) {
  DownloadProgress progress;
  progress.onHeaderLines({"HTTP/1.0 200 OK", "Content-Length: 1048576"});
  EXPECT_FALSE(progress.onBodyReceived(1000, 5000));  // the first data starts the first interval
  EXPECT_EQ(progress.receivedText, "1 KB of 1,024 KB received");
  EXPECT_FALSE(progress.onBodyReceived(30000, 6999));
  EXPECT_EQ(progress.speedText, "");
  EXPECT_EQ(progress.receivedText, "30 KB of 1,024 KB received");

  // 51,200 bytes in the first 2,000 ms (the bytes of the first piece count too).
  ASSERT_TRUE(progress.onBodyReceived(51200, 7000));
  EXPECT_EQ(progress.speedText, "25.0 KB/S");
  EXPECT_EQ(progress.timeLeftText, "00:00:38");  // (1048576 - 51200) * 2000 / (51200 * 1000) = 38.96
  EXPECT_EQ(progress.sampleBytes, 51200);
  EXPECT_EQ(progress.sampleTick, 7000u);

  // The next interval counts only its own bytes.
  ASSERT_TRUE(progress.onBodyReceived(51200 + 10240, 11000));
  EXPECT_EQ(progress.speedText, "2.5 KB/S");
  EXPECT_EQ(progress.timeLeftText, "00:06:25");  // 987136 * 4000 / 10240000 = 385.6

  // No new bytes: speed 0, time remaining kept as it was.
  ASSERT_TRUE(progress.onBodyReceived(51200 + 10240, 13000));
  EXPECT_EQ(progress.speedText, "0.0 KB/S");
  EXPECT_EQ(progress.timeLeftText, "00:06:25");
}

TEST(DownloadProgress, WithoutALengthOnlyTheSizeAndSpeedAreShown) {
  DownloadProgress progress;
  progress.onHeaderLines({"HTTP/1.0 200 OK"});
  progress.onBodyReceived(2048, 100);
  EXPECT_EQ(progress.receivedText, "2 KB received");
  ASSERT_TRUE(progress.onBodyReceived(4096, 2100));
  EXPECT_EQ(progress.speedText, "2.0 KB/S");
  EXPECT_EQ(progress.timeLeftText, "");
}

// A relocation's reply comes with lengths of its own (a 303 with "Content-Length: 0", say): only the
// final reply's length counts, and without one the size alone is shown.
TEST(DownloadProgress, OnlyTheFinalReplysLengthCounts) {
  DownloadProgress progress;
  EXPECT_TRUE(progress.onHeaderLines({"HTTP/1.1 303 See Other", "Location: /v.flv", "Content-Length: 0"}));
  EXPECT_FALSE(progress.onHeaderLines({"HTTP/1.0 200 OK"}));
  EXPECT_FALSE(progress.onHeaderLines({"HTTP/1.0 200 OK", "Content-Type: video/x-flv"}));
  EXPECT_EQ(progress.total, -1);
  EXPECT_EQ(progress.totalSizeText, "");
  progress.onBodyReceived(335872, 100);
  EXPECT_EQ(progress.receivedText, "328 KB received");
  ASSERT_TRUE(progress.onBodyReceived(671744, 2100));
  EXPECT_EQ(progress.timeLeftText, "");

  EXPECT_TRUE(progress.onHeaderLines({"HTTP/1.0 200 OK", "Content-Length: 2048"}));
  EXPECT_EQ(progress.totalSizeText, "2 KB");
}

}  // namespace
