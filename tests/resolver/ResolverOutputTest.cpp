// Reading the stream resolver's JSON output: which format is chosen, which request fields are kept, the
// title and the extension; what is refused and why; the error line told; the saved fuzz cases replayed.
#include "fuzz/ResolverOutputFuzzCheck.h"

#include "common/Addresses.h"
#include "download/ResolverOutput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using download::readResolverOutput;

// A format of the resolver's list.
std::string format(const std::string& url, const std::string& protocol, const std::string& vcodec,
                   const std::string& acodec, const std::string& ext = "mp4", const std::string& more = "") {
  std::string f = "{\"url\":\"" + url + "\",\"ext\":\"" + ext + "\"";
  if (!protocol.empty()) f += ",\"protocol\":\"" + protocol + "\"";
  if (!vcodec.empty()) f += ",\"vcodec\":\"" + vcodec + "\"";
  if (!acodec.empty()) f += ",\"acodec\":\"" + acodec + "\"";
  return f + more + "}";
}

std::string video(const std::string& formats, const std::string& more = "") {
  return "{\"title\":\"Night &amp; Day\",\"ext\":\"webm\",\"formats\":[" + formats + "]" + more + "}";
}

TEST(ResolverOutputTest, ChoosesTheBestFormatAFileOverAPlaylistOfTheSameQuality) {
  const std::string audioLow = format("https://a.example/low.m4a", "https", "none", "mp4a.40.5", "m4a");
  const std::string audioHigh = format("https://a.example/high.webm", "https", "none", "opus", "webm");
  const std::string both = format("https://a.example/both.mp4", "https", "avc1", "mp4a.40.2");
  const std::string silent = format("https://a.example/silent.mp4", "https", "avc1", "none");
  const std::string hls = format("https://a.example/a.m3u8", "m3u8_native", "none", "mp4a.40.2");
  const std::string dash = format("https://a.example/d/seg", "http_dash_segments", "none", "opus", "webm",
                                  ",\"manifest_url\":\"https://a.example/d.mpd\"");
  const std::string pieces =
      format("https://a.example/p.mp4", "https", "none", "opus", "webm", ",\"fragments\":[{\"path\":\"1\"}]");
  const std::string unknown = format("http://a.example/page.mp4", "", "", "");
  const std::string fileAt128 =
      format("https://a.example/128.m4a", "https", "none", "mp4a", "m4a", ",\"abr\":128");
  const std::string hlsAt128 =
      format("https://a.example/128.m3u8", "m3u8", "none", "mp4a", "mp4", ",\"abr\":128");
  const std::string hlsAt160 =
      format("https://a.example/160.m3u8", "m3u8", "none", "mp4a", "mp4", ",\"abr\":160");
  struct Case {
    std::string output;
    std::string url;  // empty: none chosen
    std::string ext;
    bool segmented = false;
  } cases[] = {
      {video(audioLow + "," + both + "," + audioHigh), "https://a.example/high.webm", "webm"},
      {video(audioHigh + "," + both), "https://a.example/high.webm",
       "webm"},  // audio-only beats a later video
      {video(both + "," + silent), "https://a.example/both.mp4", "mp4"},
      {video(unknown), "http://a.example/page.mp4", "mp4"},  // codecs unknown: taken as a file with sound
      // Playlists: audio alone still wins; DASH is read through its manifest; pieces without a playlist
      // are no format; a file beats a later playlist of the same quality, not one of a better quality.
      {video(both + "," + hls), "https://a.example/a.m3u8", "mp4", true},
      {video(hls + "," + pieces + "," + dash + "," + both + "," + silent), "https://a.example/d.mpd", "webm",
       true},
      {video(fileAt128 + "," + hlsAt128), "https://a.example/128.m4a", "m4a"},
      {video(hlsAt128 + "," + fileAt128), "https://a.example/128.m4a", "m4a"},
      {video(fileAt128 + "," + hlsAt160), "https://a.example/160.m3u8", "mp4", true},
      {video(silent + "," + pieces), "", ""},
      {video(format("ftp://a.example/x.mp3", "", "none", "mp3")), "", ""},
      {video(format("https://a.example/a b.mp3", "https", "none", "mp3")), "", ""},
      {video(format("https://a.example/x.f4m", "f4m", "none", "mp3")), "", ""},
      // No list: the video itself is the one format; a playlist gives its first video.
      {"{\"title\":\"t\",\"url\":\"https://a.example/solo.mp3\",\"ext\":\"mp3\"}",
       "https://a.example/solo.mp3", "mp3"},
      {"{\"_type\":\"playlist\",\"entries\":[null,{\"url\":\"http://a.example/1.ogg\",\"ext\":\"ogg\"}]}",
       "http://a.example/1.ogg", "ogg"},
      // An extension that is no plain word falls back to the video's.
      {video(format("https://a.example/x", "https", "none", "opus", "../sh")), "https://a.example/x", "webm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    const download::ResolverAnswer answer = readResolverOutput(c.output);
    EXPECT_EQ(answer.found, !c.url.empty()) << answer.error;
    EXPECT_EQ(answer.stream.url, c.url);
    if (answer.found) {
      EXPECT_EQ(answer.stream.ext, c.ext);
      EXPECT_EQ(answer.stream.segmented, c.segmented);
    }
  }
  EXPECT_EQ(readResolverOutput(video(audioHigh)).stream.title, "Night &amp; Day");
  EXPECT_EQ(readResolverOutput(video(silent)).error,
            "no stream served as one file over http: or https:, or as an HLS or DASH playlist");
}

TEST(ResolverOutputTest, ReadsTheChunkSizeAndTheDuration) {
  const struct {
    std::string more;
    std::int64_t chunk;
  } cases[] = {
      {",\"downloader_options\":{\"http_chunk_size\":10485760}", 10485760},
      {",\"downloader_options\":{\"http_chunk_size\":\"10485760\"}", 0},  // not a number
      {",\"downloader_options\":{\"http_chunk_size\":12}", 0},            // too small to be meant
      {",\"downloader_options\":{\"http_chunk_size\":1e300}", 0},
      {"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.more);
    const download::ResolverAnswer answer = readResolverOutput(video(
        format("https://a.example/a.webm", "https", "none", "opus", "webm", c.more), ",\"duration\":212.5"));
    ASSERT_TRUE(answer.found);
    EXPECT_EQ(answer.stream.chunkSize, c.chunk);
    EXPECT_EQ(answer.stream.durationSeconds, 212.5);
  }
  // A playlist is read by the converter whole: no chunks.
  EXPECT_EQ(readResolverOutput(video(format("https://a.example/a.m3u8", "m3u8_native", "none", "mp4a", "mp4",
                                            ",\"downloader_options\":{\"http_chunk_size\":10485760}")))
                .stream.chunkSize,
            0);
}

TEST(ResolverOutputTest, KeepsOnlyRequestFieldsThatAreSafeToSend) {
  const std::string headers =
      ",\"http_headers\":{\"User-Agent\":\"UA/1\",\"Referer\":\"https://p.example/"
      "\",\"X-Split\":\"a\\r\\nHost: "
      "evil\",\"Bad "
      "Name\":\"x\",\"Host\":\"evil\",\"Accept-Encoding\":\"br\",\"Range\":\"bytes=5-\",\"X-Tab\":\"a\\tb\"}";
  const download::ResolverAnswer answer =
      readResolverOutput(video(format("https://a.example/a.m4a", "https", "none", "mp4a", "m4a", headers)));
  ASSERT_TRUE(answer.found);
  const std::vector<std::pair<std::string, std::string>> expected{
      {"Referer", "https://p.example/"}, {"User-Agent", "UA/1"}, {"X-Tab", "a\tb"}};
  EXPECT_EQ(answer.stream.headers, expected);
}

TEST(ResolverOutputTest, CookiesGoOnlyWhereTheirDomainPathAndSchemeMatch) {
  const std::string cookies =
      "a=1; Domain=.example.com; Path=/; Secure; Expires=1700000000; b=2; Domain=cdn.example.com; "
      "c=3; Domain=other.org; d=4; HttpOnly; e=5; Domain=.com; f=6; Domain=0.0.1; g=7; Path=/media";
  const struct {
    std::string url;
    std::string cookie;  // the Cookie field sent; empty for none
  } cases[] = {
      {"https://cdn.example.com/v.mp4", "x=0; a=1; b=2; d=4"},
      {"https://user@www.example.com:8443/v.mp4", "x=0; a=1; d=4"},
      {"https://example.com/v.mp4", "x=0; a=1; d=4"},
      {"https://badexample.com/v.mp4", "x=0; d=4"},
      {"https://other.org/v.mp4", "x=0; c=3; d=4"},
      {"http://cdn.example.com/v.mp4", "x=0; b=2; d=4"},                   // a is for https only
      {"https://127.0.0.1/v.mp4", "x=0; d=4"},                             // no domain above an IP address
      {"https://cdn.example.com/media/v.mp4", "x=0; g=7; a=1; b=2; d=4"},  // the longer path first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string protocol = c.url.substr(0, c.url.find(':'));
    const download::ResolverAnswer answer = readResolverOutput(
        video(format(c.url, protocol, "none", "opus", "webm",
                     ",\"http_headers\":{\"Cookie\":\"x=0\"},\"cookies\":\"" + cookies + "\"")));
    ASSERT_TRUE(answer.found);
    std::string sent;
    for (const auto& [name, value] : answer.stream.headers)
      if (name == "Cookie") sent = value;
    EXPECT_EQ(sent, c.cookie);
  }
}

TEST(ResolverOutputTest, OutputThatIsNoVideoIsRefusedWithAReason) {
  const struct {
    std::string output;
    std::string error;
  } cases[] = {
      {"", "nothing was printed"},
      {" \n", "nothing was printed"},
      {"<html>Sign in</html>", "the output is not a JSON object"},
      {"[1,2]", "the output is not a JSON object"},
      {"{\"title\":", "the output is not a JSON object"},
      {"{\"_type\":\"playlist\",\"entries\":[]}", "no video on the page"},
      {std::string(download::kMaxResolverOutput + 1, ' '), "the output is too large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output.substr(0, 40));
    const download::ResolverAnswer answer = readResolverOutput(c.output);
    EXPECT_FALSE(answer.found);
    EXPECT_EQ(answer.error, c.error);
  }
}

TEST(ResolverOutputTest, TheLastErrorLineIsTold) {
  const struct {
    std::string errors;
    std::string line;
  } cases[] = {
      {"WARNING: old\nERROR: [generic] Unsupported URL: http://x/\nsome trace\n",
       "ERROR: [generic] Unsupported URL: http://x/"},
      {"ERROR: first\r\nERROR: \x1b[0;31msecond\x1b[0m\n", "ERROR: second"},
      {"Traceback\n  File x\nKeyError: 'y'\n\n", "KeyError: 'y'"},
      {"", ""},
      {"ERROR: " + std::string(400, 'x'), "ERROR: " + std::string(290, 'x') + "..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.errors.substr(0, 40));
    EXPECT_EQ(download::lastErrorLine(c.errors), c.line);
  }
}

TEST(ResolverOutputTest, WebAddressesGoToTheResolver) {
  for (const char* yes : {"http://a.example/v", "HTTPS://a.example", "https://127.0.0.1:8080/p?x=1"})
    EXPECT_TRUE(common::isWebAddress(yes)) << yes;
  for (const char* no : {"ftp://a.example/v", "a.example/v", "http://", "https:///path", "http://a b/",
                         "http://a.example/\n", "javascript:alert(1)", "-http://a/"})
    EXPECT_FALSE(common::isWebAddress(no)) << no;
}

TEST(ResolverOutputTest, SavedFuzzCasesReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_RESOLVER_OUTPUT_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkResolverOutput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
              "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
