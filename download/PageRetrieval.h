// Loads a video page in the hidden browser controls and reads its text over and over, handing each
// reading to the extraction pass, until the pass has found the video address, the time runs out or
// the user stops. No widgets: the download window supplies the controls, the pass and the Stop check.
#pragma once

#include "platform/browser/WebBrowser.h"

#include <functional>
#include <string>

namespace download {

class PageRetrieval {
 public:
  // How one extraction pass over the page text ended.
  enum class PassOutcome {
    NothingYet,  // read the page again
    Found,       // the video address is known: the attempt is over
    EndAttempt,  // the page asks to be loaded afresh
    Stopped,     // the pass stopped the whole request
  };
  // How the retrieval of one page ended.
  enum class Result {
    Finished,        // the attempts are over, with or without an address: go on to the download
    Stopped,         // Stop was pressed, or the pass stopped the request: nothing follows
    TextUnreadable,  // the page's text could not be read in either control: close the window
    BrowserFailed,   // the control refused the page: nothing follows
  };

  using Extraction = std::function<PassOutcome(const std::string& pageText)>;
  using StopCheck = std::function<bool()>;
  // Spends the pause between two looks at the page. The default handles the thread's messages as they
  // arrive for `ms` milliseconds, returning early once Stop is requested; tests may drive the loop
  // themselves.
  using Pump = std::function<void(int ms)>;

  struct Limits {
    int pollMs = 30000;  // how long one attempt reads the page once it can be read
    int passMs = 50;     // the shortest time between two readings; messages are handled meanwhile
    int attempts = 2;
  };

  // `first` and `second` are the window's two controls; `first` is in use until its text cannot be
  // read, then `second` for good.
  PageRetrieval(platform::WebBrowser& first, platform::WebBrowser& second);

  void setLimits(const Limits& limits) { limits_ = limits; }
  void setPump(Pump pump) { pump_ = std::move(pump); }

  // Loads `address` and runs `extract` over its text until the attempts are over.
  Result retrieve(const std::string& address, const Extraction& extract, const StopCheck& stopRequested);

  // The control in use: 0 for the first, 1 for the second.
  int activeBrowser() const { return active_; }
  // The error text of the last BrowserFailed result.
  const std::string& lastError() const { return lastError_; }

 private:
  enum class AttemptEnd { Over, Found, SwitchBrowser };

  Result runAttempt(const std::string& address, const Extraction& extract, const StopCheck& stopRequested,
                    bool& found);
  bool waitUntilReadable(const StopCheck& stopRequested);
  void pause(const StopCheck& stopRequested);
  platform::WebBrowser& currentBrowser() { return active_ == 0 ? first_ : second_; }

  platform::WebBrowser& first_;
  platform::WebBrowser& second_;
  int active_ = 0;
  Limits limits_;
  Pump pump_;
  std::string lastError_;
};

}  // namespace download
