// What the stream resolver (yt-dlp) printed, read into the stream to download: its JSON document is read
// whole (capped at kMaxResolverOutput) and one format is chosen. Formats served as one file over plain
// http: or https: qualify (fetched by the HTTP client, in ranges of "downloader_options.http_chunk_size"
// bytes when the resolver asks for that), and so do HLS and DASH playlists ("protocol" m3u8, m3u8_native,
// http_dash_segments), which the converter reads itself; other kinds (f4m, ism, rtmp, ...) do not. The best
// audio-only format is chosen when there is one, else the best with sound; the resolver lists formats from
// worst to best, so the last that qualifies is the best, except that a single file is kept over a later
// playlist of the same quality (the same "abr", or "tbr" for a format with video).
//
// The request fields are those the resolver names ("http_headers"), and a Cookie field made of the
// cookies it gives apart ("cookies") that the stream's address gets by the browser profile's rules
// (download::cookieHeaderFor: domain, path and scheme).
#pragma once

#include "platform/browser/BrowserCookie.h"

#include <QJsonObject>

#include <cstddef>
#include <cstdint>
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
// The range of request sizes taken from "http_chunk_size"; others are read as no size (one request).
constexpr std::int64_t kMinChunkSize = 16 * 1024;
constexpr std::int64_t kMaxChunkSize = std::int64_t{1} << 32;

struct ResolvedStream {
  std::string url;                                           // http: or https:
  std::vector<std::pair<std::string, std::string>> headers;  // names and values safe to send
  std::string title;                                         // may be empty
  std::string ext;                                           // letters and digits only; may be empty
  bool audioOnly = false;
  std::int64_t chunkSize = 0;  // fetch in requests of this many bytes; 0: in one request
  bool segmented = false;      // an HLS or DASH playlist (url is the playlist), for the converter to read
  double durationSeconds = 0;  // the video's length; 0 when not given
  // The resolver's cookies with their own domains, paths and secure flags (for the converter, which sends
  // them itself); the same cookies are in the Cookie field of `headers` as far as they go to `url`.
  std::vector<platform::BrowserCookie> cookies;
};

struct ResolverAnswer {
  bool found = false;
  ResolvedStream stream;
  std::string error;  // when not found: why
};

// Reads the resolver's JSON output.
ResolverAnswer readResolverOutput(const std::string& output);

// The resolver's output as one JSON object, whatever it describes (a video or a list); false, with `why`
// told, when it is too large, holds nothing or is not a JSON object.
bool readResolverDocument(const std::string& output, QJsonObject& document, std::string& why);

// The line to tell from the resolver's error output: its last line that starts with "ERROR:", else its
// last line that is not blank; control characters removed, at most 300 bytes. Empty when there is none.
std::string lastErrorLine(const std::string& errorOutput);

}  // namespace download
