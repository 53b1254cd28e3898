// Whether a page holds a list: which addresses are asked about, the reader of `yt-dlp --flat-playlist -J`
// (a table of outputs, bounds included), and a real run of the fake yt-dlp against the site simulator.
#include "download/sites/PlaylistProbe.h"
#include "support/SiteSimulator.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>

namespace {

using download::PlaylistAnswer;

TEST(PlaylistProbeTest, OnlyAddressesThatMayHoldAListAreAsked) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"https://www.youtube.com/watch?v=abc&list=PL123", true},
      {"https://www.youtube.com/playlist?list=PL123", true},
      {"http://127.0.0.1:8000/playlist/lst", true},
      {"https://soundsite.example/band/sets/live", true},
      {"https://example.org/Album/42", true},
      {"https://www.youtube.com/watch?v=abc", false},
      {"https://www.youtube.com/watch?v=abc&list=", false},
      {"https://www.youtube.com/watch?v=abc&playlist=x", false},
      {"https://example.org/page#list=x", false},
      {"https://example.org/playlists.html", false},
      {"/home/me/playlist/clip.flv", false},
      {"ftp://example.org/playlist/x", false},
  };
  for (const auto& [address, expected] : cases)
    EXPECT_EQ(download::mayHoldPlaylist(address), expected) << address;
}

TEST(PlaylistProbeTest, ReadsTheAnswer) {
  struct Case {
    const char* output;
    PlaylistAnswer::Status status;
    std::size_t entries;
    std::size_t leftOut;
    const char* title;
  };
  const Case cases[] = {
      {R"({"_type":"video","title":"One"})", PlaylistAnswer::Status::Video, 0, 0, "One"},
      {R"({"title":"No type"})", PlaylistAnswer::Status::Video, 0, 0, "No type"},
      {R"x({"_type":"playlist","title":" My\tlist\n","entries":[{"url":"https://a.example/1","title":"x"},
          {"url":"javascript:alert(1)"},{"webpage_url":"http://a.example/2"},7,null]})x",
       PlaylistAnswer::Status::Playlist, 2, 3, "My list"},
      {R"({"_type":"playlist","title":"Empty","entries":[]})", PlaylistAnswer::Status::Failed, 0, 0, ""},
      {R"({"_type":"playlist","title":"No entries"})", PlaylistAnswer::Status::Failed, 0, 0, ""},
      {R"([1,2])", PlaylistAnswer::Status::Failed, 0, 0, ""},
      {"{\"_type\":\"playlist\"", PlaylistAnswer::Status::Failed, 0, 0, ""},
      {"  \n", PlaylistAnswer::Status::Failed, 0, 0, ""},
  };
  for (const Case& c : cases) {
    const PlaylistAnswer answer = download::readPlaylistOutput(c.output);
    EXPECT_EQ(answer.status, c.status) << c.output;
    EXPECT_EQ(answer.entries.size(), c.entries) << c.output;
    EXPECT_EQ(answer.leftOut, c.leftOut) << c.output;
    if (c.status != PlaylistAnswer::Status::Failed) {
      EXPECT_EQ(answer.title, c.title) << c.output;
    } else {
      EXPECT_FALSE(answer.message.empty()) << c.output;
    }
  }
  // A list longer than the program keeps: the first ones, in order, and the rest counted; a title cut at a
  // character's start.
  std::string big = R"({"_type":"playlist","title":")" + std::string(download::kMaxPlaylistTitle - 1, 'a') +
                    "\u00e9" + R"(","entries":[)";
  for (std::size_t k = 0; k < download::kMaxPlaylistEntries + 5; ++k)
    big += (k ? "," : "") + std::string(R"({"url":"https://a.example/)") + std::to_string(k) + "\"}";
  big += "]}";
  const PlaylistAnswer answer = download::readPlaylistOutput(big);
  ASSERT_EQ(answer.status, PlaylistAnswer::Status::Playlist);
  EXPECT_EQ(answer.entries.size(), download::kMaxPlaylistEntries);
  EXPECT_EQ(answer.leftOut, 5u);
  EXPECT_EQ(answer.entries.back().url,
            "https://a.example/" + std::to_string(download::kMaxPlaylistEntries - 1));
  EXPECT_EQ(answer.title, std::string(download::kMaxPlaylistTitle - 1, 'a'));
}

// The fake yt-dlp answers for the simulator's list page; a page of one video is a video; a list the resolver
// cannot read is a failure with its last error line; stop() ends a run and nothing is told.
TEST(PlaylistProbeTest, AsksTheResolver) {
  testing_support::TempDir dir;
  testing_support::SiteSimulator simulator(dir.path());
  ASSERT_TRUE(simulator.ready());
  const std::string program = dir.file("yt-dlp");
  std::ofstream(program) << "#!/bin/sh\nexec /usr/bin/python3 '" CLIPWAVE_FAKE_YTDLP "' \"$@\"\n";
  ::chmod(program.c_str(), 0755);
  ::setenv("CLIPWAVE_YTDLP", program.c_str(), 1);
  ::setenv("FAKE_YTDLP_SITES", simulator.sitesFile().c_str(), 1);

  const auto ask = [](const std::string& page) {
    download::PlaylistProbe probe;
    std::optional<PlaylistAnswer> answer;
    QEventLoop loop;
    probe.start(page, [&](PlaylistAnswer given) {
      answer = std::move(given);
      loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return answer;
  };
  const std::string cache = simulator.site("cache");
  std::optional<PlaylistAnswer> list = ask(cache + "/playlist/lst-n3");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->status, PlaylistAnswer::Status::Playlist) << list->message;
  EXPECT_EQ(list->title, "Sim list lst-n3");
  ASSERT_EQ(list->entries.size(), 3u);
  EXPECT_EQ(list->entries[2].url, cache + "/page/lst-n3-3");
  EXPECT_EQ(list->entries[0].title, "Sim clip lst-n3-1");

  std::optional<PlaylistAnswer> video = ask(cache + "/page/clip");
  ASSERT_TRUE(video);
  EXPECT_EQ(video->status, PlaylistAnswer::Status::Video) << video->message;

  std::optional<PlaylistAnswer> empty = ask(cache + "/playlist/lst-noentries");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->status, PlaylistAnswer::Status::Failed);
  EXPECT_NE(empty->message.find("no video"), std::string::npos) << empty->message;

  std::optional<PlaylistAnswer> unsupported = ask("http://127.0.0.1:1/nothing/here");
  ASSERT_TRUE(unsupported);
  EXPECT_EQ(unsupported->status, PlaylistAnswer::Status::Failed);
  EXPECT_NE(unsupported->message.find("Unsupported URL"), std::string::npos) << unsupported->message;

  // Stopped at once: the callback never comes.
  ::setenv("FAKE_YTDLP_DELAY", "30", 1);
  bool told = false;
  {
    download::PlaylistProbe probe;
    probe.start(cache + "/playlist/lst", [&](PlaylistAnswer) { told = true; });
    EXPECT_TRUE(probe.running());
    probe.stop();
    EXPECT_FALSE(probe.running());
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
  }
  EXPECT_FALSE(told);
  ::unsetenv("FAKE_YTDLP_DELAY");
  ::unsetenv("CLIPWAVE_YTDLP");
  ::unsetenv("FAKE_YTDLP_SITES");
}

}  // namespace
