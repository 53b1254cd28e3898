// The stream resolver for pages the three sites' rules do not read: the `yt-dlp` program, asked for the
// page's formats as JSON (argument vector, no shell) and waited for while the thread's messages are
// handled, so Stop ends it at once; a time limit ends it too. What it printed is read by
// readResolverOutput.
#pragma once

#include "download/ResolverOutput.h"

#include <functional>
#include <string>

namespace download {

// True when pages may be sent to the resolver: CLIPWAVE_RESOLVER is not "off" and `yt-dlp` is on PATH.
bool isResolverEnabled();

// The time limit in milliseconds: CLIPWAVE_RESOLVER_TIMEOUT seconds when set to a whole number of 1 and
// more, else 90 seconds.
int resolverTimeLimitMs();

struct Resolution {
  enum class Status { Found, Failed, Stopped } status = Status::Failed;
  ResolvedStream stream;
  std::string message;  // when failed: what to tell, with the resolver's own words where there are some
};

// Runs `yt-dlp` for `page` and waits for its answer; `stopRequested` is asked after every message
// handled. Any end other than Found leaves no child behind.
Resolution resolveStream(const std::string& page, const std::function<bool()>& stopRequested);

}  // namespace download
