// The receive side against a table of responses, each fed at once, byte by byte and in odd pieces:
// every way of cutting the bytes must give the same result.
#include "ResponseHarness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using httptest::ResponseResult;
using httptest::ResponseRun;
using httptest::runResponse;
using namespace http;

const std::string kOk = "HTTP/1.0 200 OK\r\n";

struct Case {
  const char* name;
  std::string bytes;
  ResponseRun run;
  int status;
  std::string body;
  std::string ending;
  std::uint16_t error = 0;
  std::int64_t bodyLength = -1;
};

std::vector<Case> cases() {
  std::string thousand(1000, 'x');
  ResponseRun keepAlive;
  keepAlive.requestVer = "1.1";
  ResponseRun head;
  head.request = "HEAD";
  ResponseRun reset;
  reset.resetAtEnd = true;
  // The longest header line that fits the buffer with its line end, and one byte more.
  const std::string longestLine = "X: " + std::string(HttpResponseParser::kBufferFill - 5, 'a') + "\r\n";
  const std::string tooLongLine = "X: " + std::string(HttpResponseParser::kBufferFill - 4, 'a') + "\r\n";
  return {
      {"ResetCutsBodyUntilClose", kOk + "\r\npartial", reset, 200, "partial", "", HttpError::CutShort, -1},
      {"ResetCutsHtmlWithoutHeader", "<html>\r\npart", reset, 0, "<html>part", "", HttpError::CutShort, -1},
      {"ResetAfterWholeBodyIsNoError", kOk + "Content-Length: 3\r\n\r\nabc", reset, 200, "abc", "close", 0,
       3},
      {"ResetBeforeResponse", "", reset, 0, "", "", HttpError::NoResponse, -1},
      {"ResetInHeader", kOk + "Content-Le", reset, 200, "", "", HttpError::CutShort, -1},
      {"TwoDifferentLengths",
       kOk + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello",
       {},
       200,
       "",
       "abort",
       HttpError::BadLength,
       5},
      {"LengthListThatDiffers",
       kOk + "Content-Length: 5, 6\r\n\r\nhello",
       {},
       200,
       "",
       "abort",
       HttpError::BadLength,
       5},
      {"LengthThenNotANumber",
       kOk + "Content-Length: 5\r\nContent-Length: five\r\n\r\nhello",
       {},
       200,
       "",
       "abort",
       HttpError::BadLength,
       5},
      {"EqualLengthsRepeated",
       kOk + "Content-Length: 5\r\ncontent-length:5\r\n\r\nhello!",
       {},
       200,
       "hello",
       "close",
       0,
       5},
      {"ListOfEqualLengths", kOk + "Content-Length: 5 ,5, 5\r\n\r\nhello!", {}, 200, "hello", "close", 0, 5},
      {"InterimLengthIsNotTheFinalOne",
       "HTTP/1.1 100 Continue\r\nContent-Length: 9\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       keepAlive, 200, "ok", "ready", 0, 2},
      {"LongestHeaderLineFits",
       kOk + longestLine + "Content-Length: 2\r\n\r\nok",
       {},
       200,
       "ok",
       "close",
       0,
       2},
      {"HeaderLineTooLong",
       kOk + tooLongLine + "Content-Length: 2\r\n\r\nok",
       {},
       200,
       "",
       "abort",
       HttpError::HeaderLineTooLong,
       -1},
      {"LocationTooLong",
       "HTTP/1.0 302 Found\r\nLocation: /" + std::string(10000, 'l') + "\r\n\r\n",
       {},
       302,
       "",
       "abort",
       HttpError::HeaderLineTooLong,
       -1},
      {"StatusLineTooLong",
       "HTTP/1.0 200 " + std::string(9000, 'o') + "\r\n\r\nbody",
       {},
       0,
       "",
       "abort",
       HttpError::HeaderLineTooLong,
       -1},
      {"LengthBody",
       kOk + "Content-Length: 1000\r\n\r\n" + thousand + "extra",
       {},
       200,
       thousand,
       "close",
       0,
       1000},
      {"LengthWithBlanks",
       kOk + "Content-Length:     1000\r\n\r\n" + thousand,
       {},
       200,
       thousand,
       "close",
       0,
       1000},
      {"LengthNotANumber",
       kOk + "Content-Length: 12ab\r\n\r\nuntil close",
       {},
       200,
       "until close",
       "",
       0,
       -1},
      {"LengthNegative", kOk + "Content-Length: -5\r\n\r\nuntil close", {}, 200, "until close", "", 0, -1},
      {"LengthTooLarge", kOk + "Content-Length: 99999999999999999999\r\n\r\nabc", {}, 200, "abc", "", 0, -1},
      {"NoLengthUntilClose", kOk + "\r\n" + thousand, {}, 200, thousand, "", 0, -1},
      {"Redirect302NoBody", "HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n", {}, 302, "", "relocate", 0, -1},
      {"Redirect303ExpectsBody",
       "HTTP/1.0 303 See Other\r\nLocation: /n\r\n\r\nbody",
       {},
       303,
       "body",
       "",
       0,
       -1},
      {"KeptOpenRedirectEnds",
       "HTTP/1.0 302 Found\r\nLocation: /next\r\nConnection: keep-alive\r\n\r\n",
       {},
       302,
       "",
       "ready",
       0,
       -1},
      {"Continue100", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
       keepAlive, 200, "ok", "ready", 0, 2},
      {"HtmlWithoutHeader", "<hTmL>\r\n<body>x</body>\r\n", {}, 0, "<hTmL><body>x</body>\r\n", "", 0, -1},
      {"Chunked",
       kOk + "Transfer-Encoding: chunked\r\n\r\n4\r\nWiki\r\n0\r\n\r\n",
       {},
       200,
       "Wiki",
       "close",
       0,
       -1},
      {"ChunkedExtensionsTrailer",
       kOk + "Transfer-Encoding: Chunked\r\n\r\n4;a=b\r\nWiki\r\nA\r\n0123456789\n0\r\nX-T: 1\r\n\r\n",
       {},
       200,
       "Wiki0123456789",
       "close",
       0,
       -1},
      {"ChunkedIgnoresLength",
       kOk + "Content-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       {},
       200,
       "hello",
       "close",
       0,
       2},
      {"ChunkSizeTooLong",
       kOk + "Transfer-Encoding: chunked\r\n\r\n10000000000000000\r\nx",
       {},
       200,
       "",
       "abort",
       HttpError::BadChunk,
       -1},
      {"ChunkSizeNoDigits",
       kOk + "Transfer-Encoding: chunked\r\n\r\n\r\nxyz",
       {},
       200,
       "",
       "abort",
       HttpError::BadChunk,
       -1},
      {"ChunkWithoutLineEnd",
       kOk + "Transfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n0\r\n\r\n",
       {},
       200,
       "ab",
       "abort",
       HttpError::BadChunk,
       -1},
      {"ChunkedCutShort",
       kOk + "Transfer-Encoding: chunked\r\n\r\n8\r\nabc",
       {},
       200,
       "abc",
       "",
       HttpError::CutShort,
       -1},
      {"LengthCutShort",
       kOk + "Content-Length: 3000000000\r\n\r\nabc",
       {},
       200,
       "abc",
       "",
       HttpError::CutShort,
       3000000000LL},
      {"ClosedBeforeBody", kOk + "Content-Length: 10\r\n\r\n", {}, 200, "", "", HttpError::CutShort, 10},
      {"ClosedInHeader", kOk + "Content-Le", {}, 200, "", "", HttpError::CutShort, -1},
      {"ClosedWithoutResponse", "", {}, 0, "", "", HttpError::NoResponse, -1},
      {"StatusNotANumber", "HTTP/1.1 abc OK\r\n\r\n", {}, 0, "", "abort", HttpError::BadStatusLine, -1},
      {"NotHttpFirstLine", "FOO/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", {}, 0, "ok", "close", 0, 2},
      {"NoContent204", "HTTP/1.0 204 No Content\r\n\r\n", {}, 204, "", "close", 0, -1},
      {"KeepAliveLength", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef", keepAlive, 200, "abc",
       "ready", 0, 3},
      {"OldServerClosesFor11", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\na", keepAlive, 200, "a", "close",
       0, 1},
      {"ServerSaysClose", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\na", keepAlive,
       200, "a", "close", 0, 1},
      {"HeadDropsBody", kOk + "Content-Length: 5\r\n\r\n", head, 200, "", "close", 0, 5},
  };
}

// Every way of cutting the bytes: all at once, byte by byte, and pieces of 2, 3, 7 and 100 bytes.
std::vector<std::vector<std::size_t>> cuts() {
  return {{}, {1}, {2}, {3}, {7}, {100}, {5, 1, 9}};
}

TEST(ResponseParser, TableOfResponsesCutEveryWay) {
  for (const Case& c : cases()) {
    for (const auto& cut : cuts()) {
      SCOPED_TRACE(std::string(c.name) + " cut " + (cut.empty() ? "none" : std::to_string(cut[0])));
      ResponseRun run = c.run;
      run.pieces = cut;
      ResponseResult r = runResponse(c.bytes, run);
      EXPECT_EQ(r.values.statusCode, c.status);
      EXPECT_EQ(r.body, c.body);
      EXPECT_EQ(r.ending, c.ending);
      EXPECT_EQ(r.error, c.error) << r.values.statusText;
      EXPECT_EQ(r.values.bodyLength, c.bodyLength);
      if (c.error != 0) {
        EXPECT_FALSE(r.values.statusText.empty());
      }
    }
  }
}

TEST(ResponseParser, EventsOfASimpleResponse) {
  std::string body(1000, 'b');
  ResponseResult r = runResponse(kOk + "Content-Length: 1000\r\n\r\n" + body + "more bytes");
  EXPECT_EQ(r.count("HeaderBegin"), 1);
  EXPECT_EQ(r.count("HeaderData"), 2);
  EXPECT_EQ(r.count("HeaderEnd"), 1);
  EXPECT_EQ(r.count("DocBegin"), 1);
  EXPECT_EQ(r.count("DocEnd"), 1);
  EXPECT_EQ(r.values.receivedCount, 1000);
  EXPECT_EQ(r.heldBytes, 10);  // the bytes after the body stay unread
  ASSERT_EQ(r.values.headerLines.size(), 2u);
  EXPECT_EQ(r.values.headerLines[0], "HTTP/1.0 200 OK");
  EXPECT_EQ(r.values.statusText, "OK");
}

// A large body is read in large pieces straight on to the stream, and never past its length: what follows it
// is left for the next response.
TEST(ResponseParser, ALargeBodyIsReadInLargePiecesUpToItsLength) {
  std::string body(700 * 1024, '\0');
  for (std::size_t k = 0; k < body.size(); ++k) body[k] = static_cast<char>(k * 7 + k / 4096);
  for (const std::size_t piece : {std::size_t{1024 * 1024}, std::size_t{100000}}) {
    SCOPED_TRACE(piece);
    ResponseRun run;
    run.pieces = {200, piece};  // the header alone first, then the socket holds this much at a time
    ResponseResult r = runResponse(
        kOk + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body + "HTTP/1.0 200 OK\r\n",
        run);
    EXPECT_EQ(r.body, body);
    EXPECT_EQ(r.values.receivedCount, static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(r.count("DocEnd"), 1);
    EXPECT_LE(r.count("DocData"),
              static_cast<int>(body.size() /
                               std::min<std::size_t>(piece, http::HttpResponseParser::kBodyReadSize)) +
                  2);
  }
}

TEST(ResponseParser, ContinueAnswerBeginsTheHeaderOnce) {
  ResponseRun run;
  run.requestVer = "1.1";
  ResponseResult r =
      runResponse("HTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", run);
  EXPECT_EQ(r.count("HeaderBegin"), 1);
  EXPECT_EQ(r.values.statusCode, 200);
  ASSERT_EQ(r.values.headerLines.size(), 2u);
  EXPECT_EQ(r.values.headerLines[0], "HTTP/1.1 200 OK");
}

TEST(ResponseParser, HeaderFieldsAreRead) {
  ResponseResult r = runResponse(kOk +
                                 "Content-Type: Text/HTML\r\nContent-Range: bytes 100-199/1000\r\n"
                                 "Accept-Ranges: bytes\r\nSet-Cookie: a=b\r\nContent-Encoding: identity\r\n"
                                 "WWW-Authenticate: Basic realm=x\r\nNoColonLine\r\nX-Empty:\r\n\r\n<p>");
  EXPECT_EQ(r.values.contentType, "text/html");
  EXPECT_EQ(r.values.contentRangeBegin, "100");
  EXPECT_EQ(r.values.contentRangeEnd, "199");
  EXPECT_EQ(r.values.acceptRanges, "bytes");
  EXPECT_EQ(r.count("Cookie a=b"), 1);
  EXPECT_EQ(r.values.contentEncoding, "identity");
  ASSERT_EQ(r.values.authOffers.size(), 1u);
  EXPECT_EQ(r.values.headerLines.size(), 9u);
  EXPECT_EQ(r.body, "<p>");
}

TEST(ResponseParser, DocumentNameGetsHtmOnlyForExeOrNoExtension) {
  const std::pair<std::string, std::string> names[] = {
      {"setup.exe", "setup.htm"}, {"page", "page.htm"}, {"clip.flv", "clip.flv"}};
  for (const auto& [name, expected] : names) {
    ResponseRun run;
    run.documentName = name;
    ResponseResult r = runResponse(kOk + "Content-Type: text/html\r\n\r\nx", run);
    EXPECT_EQ(r.values.documentName, expected);
  }
}

TEST(ResponseParser, RefusalsSayWhy) {
  const std::pair<std::string, std::string> rows[] = {
      {kOk + "Content-Length: 5\r\nContent-Length: 6\r\n\r\n",
       "Conflicting Content-Length values: \"5\" and \"6\""},
      {kOk + "X-Long: " + std::string(20000, 'a') + "\r\n\r\n",
       "Response header line longer than 8189 bytes"},
  };
  for (const auto& [bytes, text] : rows) EXPECT_EQ(runResponse(bytes).values.statusText, text);
  ResponseRun reset;
  reset.resetAtEnd = true;
  EXPECT_EQ(runResponse(kOk + "\r\nabcd", reset).values.statusText,
            "Transfer cut short: the connection was reset after 4 bytes");
  EXPECT_EQ(runResponse(kOk + "Content-Length: 10\r\n\r\nabcd", reset).values.statusText,
            "Transfer cut short: the connection was reset after 4 of 10 bytes");
}

TEST(ResponseParser, EndlessHeaderEndsWithAnError) {
  std::string manyLines = kOk;
  for (int i = 0; i < 6000; ++i) manyLines += "X: y\r\n";
  std::string endlessLine = kOk + "X: " + std::string(400 * 1024, 'z');
  std::string endlessContinue;
  for (int i = 0; i < 3000; ++i) endlessContinue += "HTTP/1.1 100 Continue\r\n\r\n";
  ResponseRun run11;
  run11.requestVer = "1.1";
  const struct {
    std::string bytes;
    ResponseRun run;
    std::uint16_t error;
    std::string text;
  } rows[] = {
      {manyLines, {}, HttpError::HeaderTooLarge, "Response header too large"},
      {endlessLine, {}, HttpError::HeaderLineTooLong, "Response header line longer than 8189 bytes"},
      {endlessContinue, run11, HttpError::HeaderTooLarge, "Response header too large"},
  };
  for (const auto& [bytes, run, error, text] : rows) {
    ResponseResult r = runResponse(bytes, run);
    EXPECT_EQ(r.error, error);
    EXPECT_EQ(r.values.statusText, text);
    EXPECT_EQ(r.ending, "abort");
    EXPECT_LE(r.values.headerLines.size(), static_cast<std::size_t>(HttpResponseParser::kMaxHeaderLines));
  }
}

TEST(ResponseParser, StreamWriteFailureEndsTheRequest) {
  ResponseRun run;
  run.failWriteAfter = 100;
  run.pieces = {64};
  ResponseResult r = runResponse(kOk + "Content-Length: 1000\r\n\r\n" + std::string(1000, 'v'), run);
  EXPECT_EQ(r.error, HttpError::WriteFailed);
  EXPECT_EQ(r.values.statusText, "Write error: No space left on device");
  EXPECT_EQ(r.ending, "abort");
}

TEST(ResponseParser, CutShortTextSaysHowFarItGot) {
  ResponseResult r = runResponse(kOk + "Content-Length: 10\r\n\r\nabcd");
  EXPECT_EQ(r.values.statusText, "Transfer cut short: the connection closed after 4 of 10 bytes");
  EXPECT_EQ(r.count("DocEnd"), 1);
}

TEST(ResponseParser, RedirectBodyStillEndsWithRelocationNotError) {
  // A redirect whose body is cut short: the location is followed, no error is set.
  ResponseResult r = runResponse("HTTP/1.0 301 Moved\r\nLocation: /x\r\nContent-Length: 50\r\n\r\nabc");
  EXPECT_EQ(r.error, 0);
  EXPECT_TRUE(r.values.locationFlag);
}

TEST(ResponseParser, ChunkedSplitAtEveryPoint) {
  const std::string bytes =
      kOk +
      "Transfer-Encoding: chunked\r\n\r\n1a;ext=1\r\nabcdefghijklmnopqrstuvwxyz\r\n3\r\n123\r\n0\r\nT: "
      "v\r\n\r\n";
  for (std::size_t split = 1; split < bytes.size(); ++split) {
    ResponseRun run;
    run.pieces = {split, bytes.size()};
    ResponseResult r = runResponse(bytes, run);
    ASSERT_EQ(r.body, "abcdefghijklmnopqrstuvwxyz123") << "split at " << split;
    ASSERT_EQ(r.ending, "close");
    ASSERT_EQ(r.error, 0);
  }
}

// The parser's states, as traced on every change, are the same however the bytes are cut.
TEST(ResponseParser, StatesFollowTheResponseWhateverTheCuts) {
  ResponseRun keepAliveEnds;
  keepAliveEnds.requestVer = "1.1";
  keepAliveEnds.endOnReady = true;
  ResponseRun head;
  head.request = "HEAD";
  const struct {
    const char* name;
    std::string bytes;
    ResponseRun run;
    std::vector<std::string> states;
  } rows[] = {
      {"length",
       kOk + "Content-Length: 3\r\n\r\nabc",
       {},
       {"StatusLine", "HeaderFields", "BodyByLength", "DoneAfterBody"}},
      {"chunked",
       kOk + "Transfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n\r\n",
       {},
       {"StatusLine", "HeaderFields", "BodyChunked", "DoneAfterBody"}},
      {"until close", kOk + "\r\nabc", {}, {"StatusLine", "HeaderFields", "BodyUntilClose"}},
      {"html without header", "<html>x\r\n", {}, {"StatusLine", "HeaderFields", "BodyUntilClose"}},
      {"interim answer",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\n\r\n",
       keepAliveEnds,
       {"StatusLine", "HeaderFields", "InterimStatusLine", "HeaderFields", "DoneAfterHeader", "Idle"}},
      {"head on a closing connection",
       kOk + "Content-Length: 5\r\n\r\n",
       head,
       {"StatusLine", "HeaderFields", "DoneAfterHeader", "HeadAnswerClosing"}},
      {"kept open, then ended",
       "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokrest\r\n",
       keepAliveEnds,
       {"StatusLine", "HeaderFields", "BodyByLength", "DoneAfterBody", "Idle"}},
      {"bad status", "HTTP/1.0 abc\r\n", {}, {"StatusLine", "HeaderFields", "Failed"}},
      {"cut short",
       kOk + "Content-Length: 9\r\n\r\nabc",
       {},
       {"StatusLine", "HeaderFields", "BodyByLength", "Failed"}},
  };
  for (const auto& row : rows) {
    for (const auto& cut : cuts()) {
      SCOPED_TRACE(std::string(row.name) + " cut " + (cut.empty() ? "none" : std::to_string(cut[0])));
      ResponseRun run = row.run;
      run.pieces = cut;
      EXPECT_EQ(runResponse(row.bytes, run).states, row.states);
    }
  }
}

// Only a request that went out is answered: lines before it, or after it ended, are unexpected data,
// and a close before it is no error (the request side reports its own, such as a refused connection).
TEST(ResponseParser, LinesOutsideAResponseAreUnexpectedData) {
  ResponseRun notSent;
  notSent.requestSent = false;
  for (const std::string& bytes : {std::string(), kOk + "Content-Length: 2\r\n\r\nok"}) {
    ResponseResult r = runResponse(bytes, notSent);
    EXPECT_EQ(r.count("UnexpectedData"), bytes.empty() ? 0 : 3);  // the three lines
    EXPECT_EQ(r.count("HeaderBegin"), 0);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.body, "");
  }

  ResponseRun ended;
  ended.requestVer = "1.1";
  ended.endOnReady = true;
  ended.pieces = {1};
  ResponseResult r =
      runResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1 200 OK\r\n\r\n", ended);
  EXPECT_EQ(r.body, "ok");
  EXPECT_EQ(r.count("HeaderBegin"), 1);
  EXPECT_EQ(r.count("UnexpectedData"), 2);
  EXPECT_EQ(r.values.statusCode, 200);
  EXPECT_EQ(r.values.headerLines.size(), 2u);
}

}  // namespace
