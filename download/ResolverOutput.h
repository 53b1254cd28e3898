// What the stream resolver (yt-dlp) printed, read into the stream to download: its JSON document is read
// whole (capped at kMaxResolverOutput) and one format is chosen. Only formats served as one file over
// plain http: or https: qualify, never a segmented playlist (m3u8, DASH, f4m, ...) that the HTTP client
// does not fetch: the best audio-only one when there is one, else the best with sound. The resolver lists
// formats from worst to best, so the last that qualifies is the best.
//
// The request fields are those the resolver names ("http_headers"), and a Cookie field made of the
// cookies it gives apart ("cookies") that the stream's address gets by the browser profile's rules
// (download::cookieHeaderFor: domain, path and scheme).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace download {

// The most output read from the resolver; more is refused as a whole.
constexpr std::size_t kMaxResolverOutput = 32 * 1024 * 1024;
// The most request header fields taken from the resolver, and the longest value.
constexpr std::size_t kMaxStreamHeaders = 32;
constexpr std::size_t kMaxStreamHeaderValue = 4096;
// The longest stream address taken.
constexpr std::size_t kMaxStreamUrl = 16 * 1024;

struct ResolvedStream {
  std::string url;                                           // http: or https:
  std::vector<std::pair<std::string, std::string>> headers;  // names and values safe to send
  std::string title;                                         // may be empty
  std::string ext;                                           // letters and digits only; may be empty
  bool audioOnly = false;
};

struct ResolverAnswer {
  bool found = false;
  ResolvedStream stream;
  std::string error;  // when not found: why
};

// Reads the resolver's JSON output.
ResolverAnswer readResolverOutput(const std::string& output);

// The line to tell from the resolver's error output: its last line that starts with "ERROR:", else its
// last line that is not blank; control characters removed, at most 300 bytes. Empty when there is none.
std::string lastErrorLine(const std::string& errorOutput);

}  // namespace download
