// The extraction pass over page text: file names from titles, the three sites' stream addresses, the
// pages that stop or repeat an attempt, growing and broken pages, multi-megabyte pages, and the saved
// fuzz inputs.
#include "ExtractionFuzzCheck.h"

#include "common/SiteConfig.h"
#include "download/JobInput.h"
#include "download/VideoFileName.h"
#include "download/sites/PagePicture.h"
#include "download/sites/PageRules.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>

namespace download {
// Outcomes by name in test failure messages.
void PrintTo(ExtractOutcome outcome, std::ostream* out) {
  const char* names[] = {"AgeRestricted", "EndAttempt", "Found", "NothingYet"};
  *out << names[static_cast<int>(outcome)];
}
}  // namespace download

using download::ExtractOutcome;
using fuzzing::ExtractionState;
using testing_support::ScriptedDialogs;

namespace {

// The local simulator's hosts: each site on its own port, the video hosts on ports of their own, so a
// wrong host in an address shows.
constexpr const char* kYouTubePage = "http://127.0.0.1:8080/watch?v=abc";
constexpr const char* kMetacafePage = "http://127.0.0.1:8081/watch/123/funny_cat/";
constexpr const char* kGooglePage = "http://127.0.0.1:8082/videoplay?docid=42";
constexpr const char* kYouTubeStream = "http://127.0.0.1:8080/get_video?asv=&video_id=";
constexpr const char* kMetacafeStream = "http://127.0.0.1:8091/ItemFiles/%5BFrom%20127.0.0.1:8081%5D%20";

class Extraction : public testing::Test {
 protected:
  void SetUp() override { common::SiteConfig::setCurrent(fuzzing::localSites()); }
  void TearDown() override { common::SiteConfig::reset(); }

  ExtractOutcome pass(std::string_view page, const std::string& address) {
    return download::extractVideoAddress(page, address, {state_.fileName, state_.downloadUrl, state_.mode});
  }

  ExtractionState state_;
};

struct PageCase {
  const char* what;
  std::string address;
  std::string page;
  ExtractOutcome outcome;
  std::string fileName;
  std::string downloadUrl;
  download::RequestMode mode = download::RequestMode::DownloadConvert;
};

void runCases(const std::vector<PageCase>& cases) {
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.what);
    ExtractionState state;
    const ExtractOutcome outcome =
        download::extractVideoAddress(c.page, c.address, {state.fileName, state.downloadUrl, state.mode});
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(state.fileName, c.fileName);
    EXPECT_EQ(state.downloadUrl, c.downloadUrl);
    EXPECT_EQ(state.mode, c.mode);
  }
}

// ---- file names ----

TEST(TitleToFileName, DecodesTheSixEntitiesTrimsAndCleans) {
  const struct {
    std::string title, name;
  } cases[] = {
      {"My clip &amp; more", "My clip & more.flv"},
      {"&amp;amp;amp; x", "& x.flv"},  // replacements build on each other
      {"&quot;Hi&quot; &lt;b&gt;", "Hi b.flv"},
      {"a&nbsp;b &copy; 2008", "a b @ 2008.flv"},
      {"x&qu&quot;ot;y", "xy.flv"},  // removing one entity joins the pieces of another
      {"it&#39;s &eacute;", "it&#39;s &eacute;.flv"},
      {" \t\r\n  padded \n", "padded.flv"},
      {"&nbsp; spaced &nbsp;", "spaced.flv"},
      {"AC/DC: Live? <1|2>", "ACDC Live 12.flv"},
      {"line\none\ttab\x7f", "line one tab .flv"},
      {"Mus\xC3\xAD"
       "ca \xE2\x82\xAC",
       "Mus\xC3\xAD"
       "ca \xE2\x82\xAC.flv"},
      {"Caf\xE9 \xC3", "Caf\xEF\xBF\xBD \xEF\xBF\xBD.flv"},          // not UTF-8: U+FFFD in its place
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.flv"},  // an encoded surrogate
      {"..hidden", "hidden.flv"},
      {"", ""},
      {"  &nbsp; ", ""},
      {"?*/", ""},
      {". .", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(download::titleToFileName(c.title), c.name) << c.title;
}

TEST(TitleToFileName, LongTitlesAreCutAtACharacterBoundary) {
  std::string twoByte, threeByte;
  for (int i = 0; i < 300; ++i) twoByte += "\xC3\xA9";
  for (int i = 0; i < 300; ++i) threeByte += "\xE2\x82\xAC";
  for (const std::string& title : {twoByte, threeByte, std::string(1000, 'a')}) {
    const std::string name = download::titleToFileName(title);
    EXPECT_LE(name.size(), download::kMaxFileNameBytes);
    EXPECT_GE(name.size(), download::kMaxFileNameBytes - 3);
    EXPECT_TRUE(fuzzing::isValidUtf8(name));
    EXPECT_TRUE(name.ends_with(".flv"));
  }
}

// Replaces the first occurrence and searches again from the start, as plainly as it can be written.
std::string naiveReplaceAll(std::string text, const std::string& oldText, const std::string& newText) {
  for (std::size_t at; (at = text.find(oldText)) != std::string::npos;)
    text.replace(at, oldText.size(), newText);
  return text;
}

TEST(ReplaceAll, MatchesRestartingFromTheStartOnRandomTexts) {
  const std::pair<std::string, std::string> rules[] = {
      {"&amp;", "&"}, {"&quot;", ""}, {"aba", "a"}, {"aa", "a"}, {"ab", ""}, {"abab", "ba"}, {"a", ""}};
  std::mt19937 random(7);
  for (const auto& [oldText, newText] : rules) {
    const std::string letters = oldText + "x";
    for (int round = 0; round < 2000; ++round) {
      std::string text(random() % 24, ' ');
      for (char& c : text) c = letters[random() % letters.size()];
      ASSERT_EQ(download::replaceAll(text, oldText, newText), naiveReplaceAll(text, oldText, newText))
          << text << " / " << oldText << " -> " << newText;
    }
  }
}

TEST(ReplaceAll, AReplacementNotShorterThanTheTextReplacesEachOccurrenceOnce) {
  EXPECT_EQ(download::replaceAll("a-a", "a", "aa"), "aa-aa");
  EXPECT_EQ(download::replaceAll("abab", "ab", "ba"), "baba");
  EXPECT_EQ(download::replaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(download::replaceAll("", "a", ""), "");
}

// ---- the three sites ----

const std::string kTitle = "<html><head><title>YouTube - My clip &amp; more</title>";

TEST_F(Extraction, YouTubePages) {
  const std::string stream = std::string(kYouTubeStream) + "abc&t=";
  runCases({
      {"title with the site prefix, token in the page data", kYouTubePage,
       kTitle + "</head><script>var swfArgs = {\"t\": \"tok-1\", \"l\": 5}</script>", ExtractOutcome::Found,
       "My clip & more.flv", stream + "tok-1"},
      {"token as a query parameter", kYouTubePage, kTitle + "<embed src=\"/player.swf?v=abc&t=tok-2&hl=en\">",
       ExtractOutcome::Found, "My clip & more.flv", stream + "tok-2"},
      {"both token forms: the quoted one wins", kYouTubePage,
       kTitle + "<a href=\"/x?&t=second&\">{\"t\":\"first\"}", ExtractOutcome::Found, "My clip & more.flv",
       stream + "first"},
      {"meta title before a plain title element", kYouTubePage,
       "<title>Plain</title><meta name=\"title\" content=\"Meta &quot;Title&quot;\">&t=k&",
       ExtractOutcome::Found, "Meta Title.flv", stream + "k"},
      {"meta title cut off: the plain title element", kYouTubePage,
       "<title>Plain</title><meta name=\"title\" content=\"Meta Ti", ExtractOutcome::NothingYet, "Plain.flv",
       ""},
      {"no title at all keeps get_video", kYouTubePage, "<body>&t=k&</body>", ExtractOutcome::Found,
       "get_video", stream + "k"},
      {"empty title element keeps get_video", kYouTubePage, "<title> </title>&t=k&", ExtractOutcome::Found,
       "get_video", stream + "k"},
      {"no token yet", kYouTubePage, kTitle + "<body>loading", ExtractOutcome::NothingYet,
       "My clip & more.flv", ""},
      {"quoted token not closed", kYouTubePage, "\"t\": \"abc", ExtractOutcome::NothingYet, "get_video", ""},
      {"quoted token not opened", kYouTubePage, "\"t\": 5}", ExtractOutcome::NothingYet, "get_video", ""},
      {"query token without a following &", kYouTubePage, "&t=abc", ExtractOutcome::NothingYet, "get_video",
       ""},
      {"&feature= is cut from the identifier", std::string(kYouTubePage) + "&feature=related", "&t=k&",
       ExtractOutcome::Found, "get_video", stream + "k"},
      {"&FEATURE= in capitals too", std::string(kYouTubePage) + "&FEATURE=x", "&t=k&", ExtractOutcome::Found,
       "get_video", stream + "k"},
      {"other parameters stay", std::string(kYouTubePage) + "&list=xyz", "&t=k&", ExtractOutcome::Found,
       "get_video", std::string(kYouTubeStream) + "abc&list=xyz&t=k"},
      {"address without '='", "http://127.0.0.1:8080/watch", "&t=k&", ExtractOutcome::NothingYet, "get_video",
       ""},
      {"domain in other letter case", "HTTP://127.0.0.1:8080/WATCH?V=Q", "&t=k&", ExtractOutcome::Found,
       "get_video", std::string(kYouTubeStream) + "Q&t=k"},
      {"verify_age without the number", kYouTubePage, "<a href=\"/verify_age?next=x\">&t=k&",
       ExtractOutcome::Found, "get_video", stream + "k"},
      {"not-available page", kYouTubePage,
       kTitle + "<p>THIS functionality is NOT available right now.</p>&t=k&", ExtractOutcome::EndAttempt,
       "get_video", ""},
      {"other site", "http://127.0.0.1:9999/watch?v=abc", kTitle + "&t=k&", ExtractOutcome::NothingYet,
       "get_video", ""},
  });
}

TEST_F(Extraction, AnAddressAlreadyFoundIsKept) {
  state_.downloadUrl = "http://earlier/";
  EXPECT_EQ(pass(kTitle + "&t=k&", kYouTubePage), ExtractOutcome::Found);
  EXPECT_EQ(state_.downloadUrl, "http://earlier/");
  EXPECT_EQ(state_.fileName, "My clip & more.flv");
}

TEST_F(Extraction, AgeVerificationPagesEndThePassWithTheirOutcome) {
  const std::string notice =
      "This video may contain content that is inappropriate for some users, as flagged by YouTube\"s user "
      "commnunity. To view this video, please verify you are 18 or older by logging in or signing up.\r\n\r\n"
      "Please log in your account in the window of \"Sign in to a site...\" (the program's menu) firstly. "
      "You need to check the option \"Stay signed in\". "
      "It\"s better to change the YouTube show languages to English. Then download the video again.";
  for (const std::string page : {
           "<h1>Confirm Birth Date</h1>",
           "PLEASE VERIFY YOU ARE 18 OR OLDER",
           "<form action=\"/VERIFY_AGE\"><input name=\"x\" value=\"1\"></form><!-- 2018 -->",
           // the age page wins over the not-available page
           "This functionality is not available right now. confirm birth date",
       }) {
    SCOPED_TRACE(page);
    ScriptedDialogs dialogs;  // the pass opens no box: the job's front end tells the notice
    ExtractionState fresh;
    state_ = fresh;
    EXPECT_EQ(pass(kTitle + page + "&t=k&", kYouTubePage), ExtractOutcome::AgeRestricted);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(download::ageVerificationNotice(), notice);
    EXPECT_EQ(state_.downloadUrl, "");
    EXPECT_EQ(state_.fileName, "get_video");
  }
}

const std::string kMetacafeTitle = "<html><HEAD><TITLE> Funny Cat - VIDEO</title>";

TEST_F(Extraction, MetacafePages) {
  const std::string cat = std::string(kMetacafeStream) + "Funny_Cat.flv";
  runCases({
      {"title and item file", kMetacafePage,
       kMetacafeTitle + "<embed flashvars=\"mediaURL=http%3A%2F%2Fv%2Fitem%2520x%2520Funny_Cat.flv&x=1\">",
       ExtractOutcome::Found, "Funny Cat.flv", cat},
      {"the last separator before the first .flv", kMetacafePage,
       kMetacafeTitle + "%2520a%2520b%2520Funny_Cat.flv %2520later.flv", ExtractOutcome::Found,
       "Funny Cat.flv", cat},
      {"separator only after the first .flv", kMetacafePage, kMetacafeTitle + "<a href=\"x.flv\">%2520y.flv",
       ExtractOutcome::NothingYet, "Funny Cat.flv", ""},
      {"no .flv yet: the name is cleared", kMetacafePage, "<title>Funny Cat - Vid",
       ExtractOutcome::NothingYet, "", ""},
      {"no title: the item file names the video", kMetacafePage, "<body>%2520Funny_Cat.FLV",
       ExtractOutcome::Found, "Funny_Cat.FLV", std::string(kMetacafeStream) + "Funny_Cat.FLV"},
      {"an item file with a path is made a plain name", kMetacafePage, "%2520../../etc/x.flv",
       ExtractOutcome::Found, "etcx.flv", std::string(kMetacafeStream) + "../../etc/x.flv"},
      {"a title with reserved characters", kMetacafePage, "<title>A/B: \"C\" - Video</title>%2520f.flv",
       ExtractOutcome::Found, "AB \"C\".flv", std::string(kMetacafeStream) + "f.flv"},
      {"an item file that is only .flv gives no name", kMetacafePage, "%2520.flv", ExtractOutcome::Found, "",
       std::string(kMetacafeStream) + ".flv"},
  });
}

TEST_F(Extraction, MetacafeClearsTheNameOnEveryPass) {
  state_.fileName = "Old.flv";
  EXPECT_EQ(pass("%2520New.flv", kMetacafePage), ExtractOutcome::Found);
  EXPECT_EQ(state_.fileName, "New.flv");
}

const std::string kGoogleTitle = "<html><head><TITLE>\n  My Video \n</Title>";

TEST_F(Extraction, GoogleVideoPages) {
  const download::RequestMode only = download::RequestMode::DownloadOnly;
  runCases({
      {"title and direct link, as written", kGooglePage,
       kGoogleTitle + "Download <a HREF=\"HTTP://127.0.0.1:8092/videodownload?a=1&amp;b=2\">This Link</a>",
       ExtractOutcome::Found, "My Video.mp4", "HTTP://127.0.0.1:8092/videodownload?a=1&amp;b=2", only},
      {"no link yet: download only all the same", kGooglePage, kGoogleTitle + "<body>",
       ExtractOutcome::NothingYet, "My Video.mp4", "", only},
      {"no title keeps get_video", kGooglePage, "<a href=\"http://127.0.0.1:8092/v\">this link</a>",
       ExtractOutcome::Found, "get_video", "http://127.0.0.1:8092/v", only},
      {"the href that is shown as this link", kGooglePage,
       "<a href=\"http://127.0.0.1:8092/thumb\">play</a> <a href=\"http://127.0.0.1:8092/file\">this "
       "link</a>",
       ExtractOutcome::Found, "get_video", "http://127.0.0.1:8092/file", only},
      {"a link on another host is not taken", kGooglePage, "<a href=\"http://elsewhere/v\">this link</a>",
       ExtractOutcome::NothingYet, "get_video", "", only},
      {"an unclosed href", kGooglePage, "<a href=\"http://127.0.0.1:8092/v", ExtractOutcome::NothingYet,
       "get_video", "", only},
  });
}

TEST_F(Extraction, GoogleVideoNamesAnUntitledVideoAtRandom) {
  state_.fileName.clear();
  EXPECT_EQ(pass("<body>", kGooglePage), ExtractOutcome::NothingYet);
  std::smatch number;
  ASSERT_TRUE(std::regex_match(state_.fileName, number, std::regex("GoogleVideo([0-9]{1,3})")))
      << state_.fileName;
  EXPECT_LE(std::stoi(number[1]), 255);
}

TEST_F(Extraction, AnAddressOnTwoSitesRunsBothBlocks) {
  // The YouTube block finds the address; the Google block then finds no link but the address stands.
  const std::string address = "http://127.0.0.1:8082/url?q=http://127.0.0.1:8080/watch?v=abc";
  EXPECT_EQ(pass(kTitle + "&t=k&", address), ExtractOutcome::Found);
  EXPECT_EQ(state_.downloadUrl, std::string(kYouTubeStream) + "http://127.0.0.1:8080/watch?v=abc&t=k");
  EXPECT_EQ(state_.mode, download::RequestMode::DownloadOnly);
  EXPECT_EQ(state_.fileName, "YouTube - My clip &amp; more.mp4");  // no entities decoded here
}

TEST_F(Extraction, TheRealSitesByDefault) {
  common::SiteConfig::setCurrent(common::SiteConfig());
  EXPECT_EQ(pass("&t=k&", "http://WWW.YOUTUBE.COM/watch?v=abc"), ExtractOutcome::Found);
  EXPECT_EQ(state_.downloadUrl, "http://www.youtube.com/get_video?asv=&video_id=abc&t=k");
  state_ = ExtractionState();
  EXPECT_EQ(pass("%2520f.flv", "http://www.metacafe.com/watch/1/f/"), ExtractOutcome::Found);
  EXPECT_EQ(state_.downloadUrl, "http://v.mccont.com/ItemFiles/%5BFrom%20www.metacafe.com%5D%20f.flv");
  state_ = ExtractionState();
  EXPECT_EQ(
      pass("<a href=\"http://vp.video.google.com/d\">this link", "http://video.google.com/videoplay?docid=1"),
      ExtractOutcome::Found);
  EXPECT_EQ(state_.downloadUrl, "http://vp.video.google.com/d");
}

// ---- growing, repeated, broken and huge pages ----

struct GrowingCase {
  const char* what;
  std::string address, page;
};

const std::vector<GrowingCase>& completePages() {
  static const std::vector<GrowingCase> kPages = {
      {"YouTube", kYouTubePage,
       "<html><head><title>Plain &amp; simple</title>\n<meta name=\"title\" content=\"Caf\xC3\xA9 &amp; "
       "more\">"
       "</head><body><script>var a = {\"t\": \"tok-9\"};</script></body></html>"},
      {"Metacafe", kMetacafePage,
       kMetacafeTitle + "<embed src=\"http%3A%2F%2Fv%2Fx%2520y%2520Funny_Cat.flv\"></html>"},
      {"Google Video", kGooglePage,
       kGoogleTitle + "<a href=\"http://127.0.0.1:8092/x\">thumb</a><a href=\"http://127.0.0.1:8092/d?id=1\">"
                      "this link</a></html>"},
  };
  return kPages;
}

TEST_F(Extraction, AGrowingPageEndsAsTheCompletePageDoes) {
  for (const GrowingCase& c : completePages()) {
    SCOPED_TRACE(c.what);
    ExtractionState complete;
    const ExtractOutcome expected = download::extractVideoAddress(
        c.page, c.address, {complete.fileName, complete.downloadUrl, complete.mode});
    ASSERT_EQ(expected, ExtractOutcome::Found);
    ExtractionState growing;
    ExtractOutcome outcome = ExtractOutcome::NothingYet;
    std::size_t length = 0;
    while (outcome == ExtractOutcome::NothingYet && length < c.page.size()) {
      ++length;
      outcome = download::extractVideoAddress(std::string_view(c.page).substr(0, length), c.address,
                                              {growing.fileName, growing.downloadUrl, growing.mode});
    }
    EXPECT_EQ(outcome, ExtractOutcome::Found);
    EXPECT_TRUE(growing.sameAs(complete)) << growing.fileName << " | " << growing.downloadUrl;
    // Passes over the same text change nothing.
    for (int pass = 0; pass < 3; ++pass) {
      EXPECT_EQ(download::extractVideoAddress(c.page, c.address,
                                              {growing.fileName, growing.downloadUrl, growing.mode}),
                ExtractOutcome::Found);
      EXPECT_TRUE(growing.sameAs(complete));
    }
  }
}

TEST_F(Extraction, BrokenAndTruncatedPagesKeepTheRules) {
  std::vector<std::string> pages = {"",
                                    std::string("\0\0<title>\0</title>\0", 19),
                                    "<title>",
                                    "<title>YouTube - ",
                                    "\"t\":",
                                    "\"t\":\"",
                                    "&t=",
                                    "%2520",
                                    ".flv",
                                    "%2520.fl",
                                    "href=\"http://",
                                    "\xFF\xFE<\xC3title>\xE2\x82</title>"};
  for (const GrowingCase& c : completePages()) {
    for (std::size_t cut = 0; cut < c.page.size(); cut += 7) pages.push_back(c.page.substr(0, cut));
    pages.push_back(c.page.substr(c.page.size() / 2));
    std::string shuffled = c.page;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
    pages.push_back(shuffled);
  }
  for (const std::string& page : pages) {
    for (const GrowingCase& c : completePages()) {
      EXPECT_EQ(fuzzing::checkExtractionPasses(page, c.address), "") << c.what << ": " << page;
    }
  }
}

std::string repeat(std::string_view piece, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text.append(piece);
  return text;
}

// Multi-megabyte pages built to catch a search that starts over or a loop that rescans: each would run
// for hours at this size. Their results are checked too.
TEST_F(Extraction, MultiMegabytePagesTakeLinearWork) {
  constexpr std::size_t kSize = 8 << 20;
  {
    SCOPED_TRACE("entities in a title, searched-for letters everywhere");
    const std::string page =
        "<title>YouTube - " + repeat("&amp;amp;", kSize) + "</title>" + repeat("c<titl\"t", kSize) + "&t=k&";
    EXPECT_EQ(pass(page, kYouTubePage), ExtractOutcome::Found);
    EXPECT_EQ(state_.fileName, std::string(download::kMaxFileNameBytes - 4, '&') + ".flv");
    EXPECT_EQ(state_.downloadUrl, std::string(kYouTubeStream) + "abc&t=k");
  }
  {
    SCOPED_TRACE("separators up to the item file");
    state_ = ExtractionState();
    EXPECT_EQ(pass(repeat("%2520", kSize) + "Cat.flv", kMetacafePage), ExtractOutcome::Found);
    EXPECT_EQ(state_.downloadUrl, std::string(kMetacafeStream) + "Cat.flv");
  }
  {
    SCOPED_TRACE("a whole page between separator and .flv, no title");
    state_ = ExtractionState();
    EXPECT_EQ(pass("%2520" + repeat("\xE2\x82\xAC<p>", kSize) + ".flv", kMetacafePage),
              ExtractOutcome::NothingYet);
    EXPECT_EQ(state_.downloadUrl, "");
    EXPECT_LE(state_.fileName.size(), download::kMaxFileNameBytes);
    EXPECT_TRUE(fuzzing::isValidUtf8(state_.fileName));
  }
  {
    SCOPED_TRACE("many player links before the one shown as this link");
    state_ = ExtractionState();
    const std::string page = repeat("<a href=\"http://127.0.0.1:8092/t\">x</a>", kSize) +
                             "<a href=\"http://127.0.0.1:8092/d\">this link</a>";
    EXPECT_EQ(pass(page, kGooglePage), ExtractOutcome::Found);
    EXPECT_EQ(state_.downloadUrl, "http://127.0.0.1:8092/d");
  }
}

// ---- saved fuzz inputs ----

// The page's own picture, for the cover when the resolver names none: only an og:image meta tag's fetchable
// address counts.
TEST(PagePicture, TheMetaTagsFetchableAddressOnly) {
  const struct {
    const char* page;
    const char* picture;
  } rows[] = {
      {R"(<head><meta property="og:image" content="https://i.example/p.jpg"></head>)",
       "https://i.example/p.jpg"},
      {"<META content='http://i.example/a?x=1&amp;y=2' PROPERTY=og:image />", "http://i.example/a?x=1&y=2"},
      {R"(<meta name="og:image" content="https://i.example/n.png">)", "https://i.example/n.png"},
      {R"(<meta property="og:title" content="x"><meta property="og:image:url" content="https://i/u.jpg">)",
       "https://i/u.jpg"},
      {R"(<meta property="og:image" content="/relative.jpg">)", ""},
      {R"x(<meta property="og:image" content="javascript:alert(1)">)x", ""},
      {R"(<meta property="og:image" content="https://i.example/a b.jpg">)", ""},
      {R"(<metadata property="og:image" content="https://i.example/p.jpg">)", ""},
      {R"(<meta property="og:image" content="https://i.example/p.jpg")", ""},  // never closed
      {R"(<meta property="og:image" content="https://unclosed)", ""},
      {"no tags at all", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(download::pagePicture(row.page), row.picture) << row.page;
  }
  const std::string tooLong = R"(<meta property="og:image" content="https://i.example/)" +
                              std::string(download::kMaxPictureUrl, 'a') + R"(">)";
  EXPECT_EQ(download::pagePicture(tooLong), "");
  const std::string late = std::string(download::kMaxPageHeadBytes, ' ') +
                           R"(<meta property="og:image" content="https://i/p.jpg">)";
  EXPECT_EQ(download::pagePicture(late), "") << "only the page's head is read";
}

TEST(ExtractionFuzzRegression, SavedInputsPass) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_EXTRACTION_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(
        fuzzing::checkExtractionInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()), "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
