// The title the audio file's tags get from a page: as a person reads it, before file-name cleaning.
#include "common/SiteConfig.h"
#include "download/VideoFileName.h"
#include "download/sites/PageRules.h"

#include <gtest/gtest.h>

namespace {

TEST(TitleText, DecodesReferencesOnceAndKeepsEverythingElse) {
  const struct {
    std::string raw;
    std::string text;
  } cases[] = {
      {"Sim clip x: fish &amp; chips? A/B &quot;live&quot;&nbsp;&copy;2008",
       "Sim clip x: fish & chips? A/B \"live\" \u00A92008"},
      {"&lt;b&gt; &apos;quoted&apos; &reg;", "<b> 'quoted' \u00AE"},
      {"&amp;amp; stays one step", "&amp; stays one step"},
      {"caf&#233; &#xE9;&#XE9; &#x2013; &#128512;", "caf\u00E9 \u00E9\u00E9 \u2013 \U0001F600"},
      {"unknown &eacute; &bogus; & alone; &#0; &#x1F; &#xD800; &#x110000; &#12a;",
       "unknown &eacute; &bogus; & alone; &#0; &#x1F; &#xD800; &#x110000; &#12a;"},
      {"  \t tabs\tand\nlines \r\n", "tabs and lines"},
      {"bad \xC3 byte", "bad \uFFFD byte"},
      {"&", "&"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(download::titleText(c.raw), c.text) << c.raw;
}

// Each site's title goes to the tags as the page has it, whatever the file name makes of it.
TEST(TitleText, EachSitesTitleIsKeptBesideTheFileName) {
  common::SiteConfig sites;
  sites.youTubeDomain = sites.youTubeHost = "127.0.0.1:8080";
  sites.metacafeDomain = sites.metacafeHost = sites.metacafeFileHost = "127.0.0.1:8081";
  sites.googleDomain = sites.googleVideoPlayerHost = "127.0.0.1:8082";
  common::SiteConfig::setCurrent(sites);
  const struct {
    std::string address;
    std::string page;
    std::string fileName;
    std::string title;
  } cases[] = {
      {"http://127.0.0.1:8080/watch?v=a", "<title>YouTube - A/B &quot;live&quot; &amp; more</title>&t=k&",
       "AB live & more.flv", "A/B \"live\" & more"},
      {"http://127.0.0.1:8080/watch?v=a", "<meta name=\"title\" content=\"Caf&#233;: yes?\">&t=k&",
       "Caf&#233; yes.flv", "Caf\u00E9: yes?"},
      {"http://127.0.0.1:8080/watch?v=a", "<body>&t=k&</body>", "get_video", ""},
      {"http://127.0.0.1:8081/watch/1/x/", "<title>Rain &amp; sun: 1/2 - Video</title>%25201.flv",
       "Rain &amp; sun 12.flv", "Rain & sun: 1/2"},
      {"http://127.0.0.1:8082/videoplay?docid=1", "<title> Sea &amp; sky? 3/4 </title>",
       "Sea &amp; sky 34.mp4", "Sea & sky? 3/4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    std::string fileName = "get_video", downloadUrl, title;
    download::RequestMode mode = download::RequestMode::DownloadConvert;
    download::extractVideoAddress(c.page, c.address, {fileName, downloadUrl, mode, &title});
    EXPECT_EQ(fileName, c.fileName);
    EXPECT_EQ(title, c.title);
  }
  common::SiteConfig::reset();
}

}  // namespace
