// Runs one response through the receive side without a socket: the bytes arrive in pieces of a chosen
// size (or of sizes taken from a list), the request side's actions and every event are recorded.
#pragma once

#include "net/http/HttpResponseParser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace httptest {

struct ResponseRun {
  std::string request = "GET";  // "GET" or "HEAD"
  std::string requestVer = "1.0";
  std::string documentName = "video.flv";
  bool followLocation = true;       // a "location" field sets the location flag
  bool closeAtEnd = true;           // the server closes after its last byte
  bool resetAtEnd = false;          // that close is a reset, not an orderly one
  std::vector<std::size_t> pieces;  // sizes of successive reads; the last repeats; empty: all at once
  int failWriteAfter = -1;          // the stream fails once this many bytes were written
  bool requestSent = true;          // the request has gone out, so a response is awaited
  bool endOnReady = false;          // the client ends the request between reads once told it is over
};

struct ResponseResult {
  std::vector<std::string> events;  // "HeaderBegin", "HeaderData", "DocData 12", "SetReady", ...
  std::vector<std::string> states;  // the parser's states after "Idle", in order: "StatusLine", ...
  std::string body;                 // what reached the stream
  std::string ending;               // "ready", "close", "abort", "relocate" or "" (still waiting)
  std::uint16_t error = 0;
  http::HttpResponseValues values;
  int heldBytes = 0;
  int count(const std::string& event) const;
};

ResponseResult runResponse(const std::string& bytes, const ResponseRun& run = {});

// Feeds arbitrary bytes: the first bytes choose the options and the read sizes. For the fuzz target
// and the replay of its saved cases; checks the invariants that must hold for any input.
void fuzzOneResponse(const std::uint8_t* data, std::size_t size);

}  // namespace httptest
