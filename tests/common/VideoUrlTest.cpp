// The address rules as tables, run once with the real sites and once with every site on a local
// address with a port, read from a sites file as a user would configure it.
#include "common/Addresses.h"
#include "common/SiteConfig.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using common::SiteConfig;

// Replaces {www} (the YouTube host), {WWW} (the same in capitals), {mc}, {g} (the Metacafe and
// Google domains) and {p} (the canonical watch prefix) by the configured values.
std::string fill(std::string text, const SiteConfig& sites) {
  std::string upper = sites.youTubeHost;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::pair<std::string, std::string> tokens[] = {{"{www}", sites.youTubeHost},
                                                        {"{WWW}", upper},
                                                        {"{mc}", sites.metacafeDomain},
                                                        {"{g}", sites.googleDomain},
                                                        {"{p}", sites.canonicalWatchPrefix()}};
  for (const auto& [token, value] : tokens) {
    for (std::size_t at; (at = text.find(token)) != std::string::npos;) text.replace(at, token.size(), value);
  }
  return text;
}

enum class Sites { Real, Local };

class VideoUrlTest : public testing::TestWithParam<Sites> {
 protected:
  void SetUp() override {
    if (GetParam() == Sites::Local) {
      const std::string file =
          dir_.write("sites.ini",
                     "; a local simulator\n[Sites]\nYouTubeDomain=127.0.0.1:8123\n"
                     "MetacafeDomain = 127.0.0.1:8124 ; comment\nGoogleDomain=127.0.0.1:8125\n");
      setenv("CLIPWAVE_SITES_FILE", file.c_str(), 1);
    } else {
      setenv("CLIPWAVE_SITES_FILE", dir_.file("absent.ini").c_str(), 1);
    }
    SiteConfig::reset();
    sites_ = SiteConfig::current();
  }
  void TearDown() override {
    unsetenv("CLIPWAVE_SITES_FILE");
    SiteConfig::reset();
  }

  testing_support::TempDir dir_;
  SiteConfig sites_;
};

TEST_P(VideoUrlTest, TheConfiguredSitesAreInUse) {
  if (GetParam() == Sites::Real) {
    EXPECT_EQ(sites_.canonicalWatchPrefix(), "http://www.youtube.com/watch?v=");
  } else {
    EXPECT_EQ(sites_.canonicalWatchPrefix(), "http://127.0.0.1:8123/watch?v=");
    EXPECT_EQ(sites_.metacafeDomain, "127.0.0.1:8124");
    // The real site is no longer a video page once a simulator takes its place.
    EXPECT_FALSE(common::isVideoPageUrl("http://www.youtube.com/watch?v=abc"));
  }
}

TEST_P(VideoUrlTest, NormalizeVideoUrl) {
  struct Case {
    const char* address;
    const char* expected;  // nullptr: unchanged
  };
  const Case cases[] = {
      // Already a single-video watch address, in any letter case, with all further parameters.
      {"http://{www}/watch?v=abc&feature=related", nullptr},
      {"HTTP://{WWW}/WATCH?V=Abc&X=1", nullptr},
      // Another parameter before "v=": the earlier ones are dropped, the later ones kept.
      {"http://{www}/watch?feature=player&v=abc&t=1", "http://{www}/watch?v=abc&t=1"},
      {"http://{www}/Watch?X=1&V=Ab", "http://{www}/Watch?V=Ab"},
      // The first "v=" anywhere is taken, even the end of a longer name.
      {"http://{www}/watch?nov=2&v=abc", "http://{www}/watch?v=2&v=abc"},
      {"{www}/watch?a=b&v=xyz", "{www}/watch?v=xyz"},  // no scheme
      {"http://{www}/watch#top", nullptr},             // no "v=" at all
      {"http://{www}/user/someone", nullptr},
      // List pages: "index=" walks the list of "video_ids=".
      {"http://{www}/watch_videos?index=1&video_ids=aaa%2Cbbb%2Cccc", "{p}bbb"},
      {"http://{www}/watch_videos?index=2&video_ids=aaa%2Cbbb%2Cccc", "{p}ccc"},
      {"http://{www}/watch_videos?index=9&video_ids=aaa%2Cbbb%2Cccc&feature=x", "{p}ccc"},
      {"http://{www}/watch_videos?index=1&video_ids=aaa%2cbbb%2cccc", "{p}bbb"},  // any case while walking
      {"http://{www}/watch_videos?video_ids=aaa%2Cbbb%2Cccc&index=2", "{p}ccc"},  // index last
      // Position 0, negative or not a number: the first identifier.
      {"http://{www}/watch_videos?index=0&video_ids=aaa%2Cbbb", "{p}aaa"},
      {"http://{www}/watch_videos?index=-3&video_ids=aaa%2Cbbb", "{p}aaa"},
      {"http://{www}/watch_videos?index=x&video_ids=aaa&feature=y", "{p}aaa"},
      {"http://{www}/watch_videos?index=0&feature=y", "{p}"},
      // Only "video_ids=": up to the first upper-case "%2C", no cut at "&".
      {"http://{www}/watch_videos?video_ids=aaa%2Cbbb", "{p}aaa"},
      {"http://{www}/watch_videos?video_ids=aaa%2cbbb%2cccc", "{p}aaa%2cbbb%2cccc"},
      {"http://{www}/watch_videos?video_ids=aaa&feature=x", "{p}aaa&feature=x"},
      {"http://{www}/watch_videos?feature=x", "{p}"},
      // Other sites and other addresses are never rewritten.
      {"http://{mc}/watch/123/clip/", nullptr},
      {"http://video.{g}/videoplay?docid=1&v=2", nullptr},
      {"", nullptr},
      {"%%%2C%", nullptr},
      {"\x01\x7f\xff{www}\t", nullptr},
  };
  for (const Case& c : cases) {
    const std::string address = fill(c.address, sites_);
    const std::string expected = c.expected == nullptr ? address : fill(c.expected, sites_);
    EXPECT_EQ(common::normalizeVideoUrl(address), expected) << "address: " << address;
  }
}

TEST_P(VideoUrlTest, IsVideoPageUrl) {
  struct Case {
    const char* address;
    bool expected;
  };
  const Case cases[] = {
      {"http://{www}/watch?v=a", true},
      {"HTTP://{WWW}/WATCH?V=A", true},
      {"http://{www}/WaTcHlist", true},  // "watch" anywhere
      {"http://{www}/user/x", false},
      {"http://{www}/redirect?to={g}", false},  // the YouTube rule decides first
      {"http://{mc}/watch/1/x/", true},
      {"http://{mc}/channels/x", false},
      {"http://video.{g}/videoplay?docid=1", true},  // no "watch" needed
      {"http://example.org/watch?v=1", false},
      {"", false},
      {"\x01%2C\xfe", false},
  };
  for (const Case& c : cases) {
    const std::string address = fill(c.address, sites_);
    EXPECT_EQ(common::isVideoPageUrl(address), c.expected) << "address: " << address;
  }
}

TEST_P(VideoUrlTest, LongAddressesComeBackWhole) {
  const std::string list = fill("http://{www}/watch_videos?index=2147483647999&video_ids=", sites_) +
                           std::string(100000, 'a') + "%2C" + "z";
  EXPECT_EQ(common::normalizeVideoUrl(list), sites_.canonicalWatchPrefix() + "z");
  const std::string plain(200000, '%');
  EXPECT_EQ(common::normalizeVideoUrl(plain), plain);
  EXPECT_FALSE(common::isVideoPageUrl(plain));
}

INSTANTIATE_TEST_SUITE_P(Sites, VideoUrlTest, testing::Values(Sites::Real, Sites::Local),
                         [](const testing::TestParamInfo<Sites>& sites) {
                           return sites.param == Sites::Real ? "RealSites" : "LocalSimulator";
                         });

TEST(SiteConfigTest, HostsFollowAConfiguredDomainUnlessGiven) {
  const common::SiteConfigLoad load = common::parseSiteConfig(
      "[Other]\nYouTubeDomain=ignored.example\n[sites]\nYouTubeDomain=127.0.0.1:9000\n"
      "MetacafeDomain=mirror.example\nMetacafeFileHost=files.mirror.example\n"
      "StreamCachePrefix=http://127.0.0.1:9001/\n");
  EXPECT_TRUE(load.errors.empty());
  EXPECT_EQ(load.config.youTubeHost, "127.0.0.1:9000");
  EXPECT_EQ(load.config.exampleWatchUrl, "http://127.0.0.1:9000/watch?v=Xq0TXIuQ5zk");
  EXPECT_EQ(load.config.metacafeFileHost, "files.mirror.example");
  EXPECT_EQ(load.config.metacafeHost, "mirror.example");
  EXPECT_EQ(load.config.googleDomain, "google.com");
  EXPECT_EQ(load.config.googleVideoPlayerHost, "vp.video.google.com");
  EXPECT_EQ(load.config.streamCachePrefix, "http://127.0.0.1:9001/");
}

TEST(SiteConfigTest, BadEntriesAreReportedAndKeepTheirDefaults) {
  const std::string longLine = "ExampleWatchUrl=" + std::string(2000, 'x');
  const common::SiteConfigLoad load = common::parseSiteConfig(
      "[Sites]\nYouTubeDomain=\nGoogleDomain=a b\nMetacafeDomain=m\x01x\nColour=blue\nno equals sign\n" +
      longLine + "\n");
  EXPECT_EQ(load.errors.size(), 6u);
  const SiteConfig defaults;
  EXPECT_EQ(load.config.youTubeDomain, defaults.youTubeDomain);
  EXPECT_EQ(load.config.googleDomain, defaults.googleDomain);
  EXPECT_EQ(load.config.metacafeDomain, defaults.metacafeDomain);
  EXPECT_EQ(load.config.exampleWatchUrl, defaults.exampleWatchUrl);
}

TEST(SiteConfigTest, AMissingFileGivesTheRealSites) {
  testing_support::TempDir dir;
  const common::SiteConfigLoad load = common::loadSiteConfigFile(dir.file("sites.ini"));
  EXPECT_FALSE(load.found);
  EXPECT_EQ(load.config.youTubeDomain, "youtube.com");
  EXPECT_EQ(load.config.exampleWatchUrl, "http://www.youtube.com/watch?v=Xq0TXIuQ5zk");
}

}  // namespace
