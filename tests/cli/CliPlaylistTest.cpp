// clipwave-cli on a page that holds a list of videos, asked of a fake yt-dlp (--flat-playlist) against the
// site simulator, with the real ffmpeg and browser engine: --playlist, --no-playlist, the question on a
// terminal and the default without one.
#include "CliListFixture.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

// A list page: --playlist converts every video in order with its place and the list's title as tags;
// --no-playlist never asks yt-dlp about the list; without a flag and without a terminal the page's video
// alone; on a terminal the question is asked.
TEST_F(CliListTest, PlaylistChoices) {
  const std::string list = cachePage("/playlist/lst-n2");
  {
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", "--playlist", list}));
    ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
    const std::vector<std::string> audio = filesEndingIn(out_, ".mp3");
    ASSERT_EQ(audio.size(), 2u) << run.err();
    for (int k = 1; k <= 2; ++k) {
      const std::string& file = audio[static_cast<std::size_t>(k - 1)];
      EXPECT_EQ(convert_test::probeTag(file, "album"), "Sim list lst-n2") << file;
      EXPECT_EQ(convert_test::probeTag(file, "track"), std::to_string(k) + "/2") << file;
      EXPECT_EQ(convert_test::probeTag(file, "comment"), cachePage("/page/lst-n2-" + std::to_string(k)));
    }
    EXPECT_NE(run.err().find("The list \"Sim list lst-n2\": 2 videos from " + list), std::string::npos);
    EXPECT_EQ(listRuns(), 1);
  }
  const std::string video = cachePage("/page/clip?list=other-n4");
  {
    fs::remove_all(out_);
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", "--no-playlist", video}));
    ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_EQ(filesEndingIn(out_, ".mp3").size(), 1u);
    EXPECT_EQ(listRuns(), 1) << "not asked about the list";
  }
  {
    fs::remove_all(out_);
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", video}));
    ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_EQ(filesEndingIn(out_, ".mp3").size(), 1u);
    EXPECT_NE(run.err().find("The page holds a list of 4 videos; its video alone is converted."),
              std::string::npos)
        << run.err();
  }
  {
    fs::remove_all(out_);
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", "--playlist", "--no-playlist", video}));
    EXPECT_EQ(run.wait(kJobMs), 2) << run.err();
  }
  {
    // On a terminal: asked, and "n" converts the video alone.
    CliProcess run(cli({"-o", out_, "-f", "mp3-128", video}, true));
    ASSERT_TRUE(run.waitForOutput("This page holds a list of 4 videos. Convert all of them? [y/N] ", kJobMs))
        << run.err();
    run.type("n\n");
    ASSERT_EQ(run.wait(kJobMs), 0) << run.err();
    EXPECT_EQ(filesEndingIn(out_, ".mp3").size(), 1u);
  }
}

}  // namespace
}  // namespace cli_test
