// The outside resolver as a locator: the `yt-dlp` program, asked for the page's formats as JSON (argument
// vector, no shell), read through notifiers on its pipes while the event loop runs, so Stop ends it at
// once; a time limit ends it too. What it printed is read by readResolverOutput.
#pragma once

#include "download/ResolverOutput.h"
#include "download/sites/StreamLocator.h"

#include <QTimer>

#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;

namespace platform {
class ChildProcess;
}

namespace download {

// True when pages may be sent to the resolver: CLIPWAVE_RESOLVER is not "off" and `yt-dlp` is on PATH.
bool isResolverEnabled();

// The time limit in milliseconds: CLIPWAVE_RESOLVER_TIMEOUT seconds when set to a whole number of 1 and
// more, else 90 seconds.
int resolverTimeLimitMs();

class ResolverLocator final : public StreamLocator {
 public:
  ResolverLocator();
  ~ResolverLocator() override;  // a resolver still running is ended

  void start(const std::string& page, Done done) override;
  void stop() override;

 private:
  class PipeReader;

  void onOutput();
  void onChildEnded();
  void finish(LocatorResult result);
  void fail(std::string message);
  void reportLater(LocatorResult result);  // reported from the event loop, never inside start()
  void endChild();

  std::string page_;
  Done done_;
  std::unique_ptr<platform::ChildProcess> child_;
  std::unique_ptr<PipeReader> output_;
  std::unique_ptr<PipeReader> errors_;
  std::unique_ptr<QSocketNotifier> exitNotifier_;
  QTimer timeLimit_;
  QTimer exitCheck_;  // where the system tells no exit by a descriptor, the end is checked now and then
  QTimer lingerLimit_;
  QTimer reportLater_;
  QTimer outputEnded_;
  QTimer exitSeen_;
  std::optional<LocatorResult> pending_;
};

}  // namespace download
