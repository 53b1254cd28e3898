// One way of finding the stream of a video page: a known site's page rules read from the page in a hidden
// browser (PageLocator), or the outside resolver (ResolverLocator). Each starts, reports once through its
// callback, and can be stopped; the search stage decides which to ask, and in which order.
#pragma once

#include "download/VideoMetadata.h"
#include "platform/browser/BrowserCookie.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace download {

// A stream found for a page, and what goes with it.
struct FoundStream {
  std::string url;       // the stream's address
  std::string fileName;  // the video's file name in the output folder
  std::string title;     // the video's title as a person reads it, for the tags; may be empty
  // Request header fields the stream asks for (from the resolver), sent with the download.
  std::vector<std::pair<std::string, std::string>> headers;
  bool downloadOnly = false;  // the video is kept as it is (a Google Video page): no conversion
  // How the stream is served (from the resolver): in requests of at most this many bytes (0: one request),
  // or as a playlist of segments (HLS or DASH) that only the converter reads.
  std::int64_t chunkSize = 0;
  bool segmented = false;
  double durationSeconds = 0;  // the video's length as the resolver gives it; 0 when unknown
  // The resolver's cookies for a segmented stream, each with its own domain (the converter sends them).
  std::vector<platform::BrowserCookie> cookies = {};
  VideoMetadata metadata{};  // what the resolver told of the video (tags, picture, chapters, codec)
};

struct LocatorResult {
  enum class Status {
    Found,          // `stream` holds the stream
    NotFound,       // the page was read, and no stream was in it; `stream` may hold a title and name
    AgeRestricted,  // the page is for signed-in adults only
    Refused,        // the page could not be loaded; `message` says why
    Unreadable,     // the page's text could not be read
    Failed,         // the locator could not answer; `message` says why
  };
  Status status = Status::NotFound;
  FoundStream stream;
  std::string message;
};

class StreamLocator {
 public:
  using Done = std::function<void(LocatorResult result)>;

  virtual ~StreamLocator() = default;

  // Starts looking for the stream of `page`. `done` is called once, later, from the event loop (never
  // inside start), unless stop() comes first.
  virtual void start(const std::string& page, Done done) = 0;
  // Ends the search at once: nothing more is reported and no child process or page is left working.
  virtual void stop() = 0;
  // Called before start() when another search runs beside this one: a locator that tries again by itself
  // tries once. Nothing changes for the others.
  virtual void limitToOneAttempt() {}
};

}  // namespace download
