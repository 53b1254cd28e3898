// The outside resolver as a locator: the `yt-dlp` program (CLIPWAVE_YTDLP names another), asked for the
// page's formats as JSON (argument vector, no shell) while the event loop runs, so Stop ends it at once; a
// time limit ends it too. What it printed is read by readResolverOutput.
//
// At its first use in a run the program is asked for its version (`--version`) and a JavaScript runtime is
// looked for on PATH (deno, node from version 20, quickjs, bun): versions that take `--js-runtimes` are
// given the runtime found, which today's YouTube needs. yt-dlp's warnings are kept, so that a failure can be
// told with its last error and the warning that explains it, and with the fix when the program is too old
// or has no runtime. `--ignore-config` keeps the user's own configuration out of what it prints.
//
// The sign-in: yt-dlp starts at once without cookies while the browser engine is not loaded yet. When it
// fails on a sign-in wall or a bot check (or at once, when the engine is already loaded), it runs with the
// profile's cookies of the page's registrable domain, in a private cookies file (ResolverCookieFile.h) that
// goes when the run ends.
#pragma once

#include "download/ResolverOutput.h"
#include "download/sites/ResolverCookieFile.h"
#include "download/sites/ResolverProcess.h"
#include "download/sites/StreamLocator.h"
#include "platform/browser/BrowserCookie.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace download {

// The program asked: $CLIPWAVE_YTDLP when set, else "yt-dlp" (looked up on PATH).
std::string resolverProgram();

// True when pages may be sent to the resolver: CLIPWAVE_RESOLVER is not "off" and the program is there.
bool isResolverEnabled();

// The time limit in milliseconds: CLIPWAVE_RESOLVER_TIMEOUT seconds when set to a whole number of 1 and
// more, else 90 seconds.
int resolverTimeLimitMs();

// What a run of the program learnt of it at its first use: its version and the runtime it is given.
struct ResolverSetup {
  std::string version;  // as `--version` printed it ("2025.11.12"); empty when it said nothing usable
  bool takesJsRuntimes = false;  // the version knows `--js-runtimes`
  std::string runtime;           // "NAME:PATH" for `--js-runtimes`; empty when none was found (or not asked)
  std::string runtimeNote;  // a runtime that was found but cannot serve ("node 18.19.0 is older than 20")
};

// Versions of yt-dlp from this date on take `--js-runtimes` and need a runtime for YouTube.
bool takesJsRuntimes(const std::string& version);

// Forgets what was learnt of the program, so that the next use asks again (tests).
void forgetResolverSetup();

// Where the profile's cookies come from: whether they can be read at once (the engine is loaded), and a
// way to read them that loads the engine when need be and answers later, from the event loop.
struct ResolverCookieSource {
  std::function<bool()> ready;
  std::function<void(std::function<void(std::vector<platform::BrowserCookie>)>)> fetch;
};
// The browser engine's profile.
ResolverCookieSource profileCookieSource();

// The help added to a failure: the program's version when it is too old, a missing runtime, missing
// scripts; empty when there is none to give. `errors` is the program's error output.
std::string resolverAdvice(const ResolverSetup& setup, const std::string& page, const std::string& errors);

// The warning of the error output that explains a failure (a missing runtime, unsolved challenges, missing
// scripts, a sign-in wall); empty when none does. Cleaned as lastErrorLine cleans the error.
std::string explainingWarning(const std::string& errors);

// True when the error output says that the page needs a signed-in user (a sign-in wall, a bot check).
bool needsSignIn(const std::string& errors);

class ResolverLocator final : public StreamLocator {
 public:
  ResolverLocator();
  explicit ResolverLocator(ResolverCookieSource cookies);
  ~ResolverLocator() override;  // a resolver still running is ended, and its cookies file removed

  void start(const std::string& page, Done done) override;
  void stop() override;

 private:
  void probeVersion();
  void onVersion(const ProcessRun& run);
  void probeRuntimes(std::size_t next);
  void onNodeVersion(const ProcessRun& run, const std::string& path, std::size_t next);
  void resolve(bool signedIn);
  void onResolved(ProcessRun run, bool signedIn);
  void resolveSignedIn(const std::string& failure);
  void fail(std::string message);
  void finish(LocatorResult result);
  std::string withoutCookieValues(std::string text) const;

  ResolverCookieSource cookieSource_;
  std::string program_;
  std::string page_;
  Done done_;
  ResolverSetup setup_;
  ResolverProcess process_;
  ResolverCookieFile cookieFile_;
  std::vector<platform::BrowserCookie> givenCookies_;  // to keep their values out of every message
  bool cookiesAsked_ = false;                          // the profile's cookies were asked for in this run
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for answers that come after stop()
};

}  // namespace download
