// The audio file's tags: the title as a person reads it (from the page, before file-name cleaning) and
// the page address as a comment, given to the converter as words of its own, and read back with ffprobe
// from the tags of each format (ID3v2 in MP3, the RIFF INFO list in WAV, ASF in WMA).
#include "ConvertTestSupport.h"

#include "common/SiteConfig.h"
#include "convert/ConvertProcess.h"
#include "convert/ConverterCommand.h"
#include "download/VideoFileName.h"
#include "download/sites/PageRules.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using Words = std::vector<std::string>;

using testing_support::readFile;

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

TEST(ConverterCommand, TagsAreWordsOfTheirOwnBeforeTheOutput) {
  const auto c = convert::makeConverterCommand("/v/a.flv", "/o/a.mp3", "-ar 44100 -ab 128kbit/s -ac 2 ",
                                               false, {"-A \"b\" c", "http://x/watch?v=1&t=2"});
  EXPECT_EQ(c.text,
            "ffmpeg -nostdin -i \"/v/a.flv\" -ar 44100 -ab 128kbit/s -ac 2 -metadata \"title=-A \"b\" c\" "
            "-metadata \"comment=http://x/watch?v=1&t=2\" \"/o/a.mp3\"");
  EXPECT_EQ(c.words, (Words{"ffmpeg", "-nostdin", "-i", "/v/a.flv", "-ar", "44100", "-ab", "128k", "-ac", "2",
                            "-metadata", "title=-A \"b\" c", "-metadata", "comment=http://x/watch?v=1&t=2",
                            "/o/a.mp3"}));
  const auto titleOnly = convert::makeConverterCommand("/v/a.flv", "/o/a.wav", "-ac 2 ", true, {"clip", ""});
  EXPECT_EQ(titleOnly.text, "ffmpeg -nostdin -y -i \"/v/a.flv\" -ac 2 -metadata \"title=clip\" \"/o/a.wav\"");
  EXPECT_EQ(titleOnly.words, (Words{"ffmpeg", "-nostdin", "-y", "-i", "/v/a.flv", "-ac", "2", "-metadata",
                                    "title=clip", "/o/a.wav"}));
}

// The three formats that carry tags, converted by the real converter, carry them in their own way.
TEST(AudioTags, EachFormatCarriesTheTitleAndTheCommentInItsOwnTags) {
  testing_support::TempDir dir;
  testing_support::ScriptedDialogs dialogs;
  const std::string video = dir.file("video.flv");
  convert_test::makeVideo(video, 1);
  const convert::AudioTags tags{"Sim clip: fish & chips? A/B \"live\" \u00A92008 \u2013 caf\u00E9",
                                "http://127.0.0.1:8080/watch?v=clip&list=x"};
  const struct {
    int format;        // in convert_test::kFormats
    std::string mark;  // how the format's tags begin in the file
  } cases[] = {
      {1, "ID3"},                               // ID3v2 at the start
      {3, "LIST"},                              // a RIFF LIST chunk of INFO
      {4, std::string("\x33\x26\xB2\x75", 4)},  // the ASF header object
  };
  for (const auto& c : cases) {
    const std::string output = dir.file("song") + convert_test::kFormats[c.format].ext;
    SCOPED_TRACE(output);
    convert_test::RecordCollector records;
    convert::ConvertProcess process;
    process.active = true;
    process.inputFile = video;
    process.outputFile = output;
    process.arguments = convert_test::kFormats[c.format].args;
    process.notifyTarget = records.mailbox();
    process.tags = tags;
    process.run();
    ASSERT_TRUE(records.waitForEnd());
    ASSERT_EQ(records.end().status, convert::ConvertProgress::Status::Ok) << records.end().message;
    EXPECT_NE(process.commandLine().find("-metadata \"title=" + tags.title +
                                         "\" -metadata \"comment=" + tags.comment + "\" \""),
              std::string::npos)
        << process.commandLine();
    EXPECT_EQ(convert_test::probeTag(output, "title"), tags.title);
    EXPECT_EQ(convert_test::probeTag(output, "comment"), tags.comment);
    const std::string bytes = readFile(output);
    if (c.format == 1) {
      EXPECT_EQ(bytes.compare(0, 3, "ID3"), 0) << "ID3v2 at the start";
    } else {
      EXPECT_NE(bytes.find(c.mark), std::string::npos);
    }
    if (c.format == 3) {
      EXPECT_NE(bytes.find("INFO"), std::string::npos);
      EXPECT_NE(bytes.find("INAM"), std::string::npos) << "the INFO list's title";
      EXPECT_NE(bytes.find("ICMT"), std::string::npos) << "the INFO list's comment";
    }
  }
}

}  // namespace
