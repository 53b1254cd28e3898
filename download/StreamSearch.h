// The first stage of a job: finding the stream of a video page. The known sites' pages are read with their
// page rules first, and the resolver is asked when those find nothing; every other site's page goes to the
// resolver alone. The stage ends once, through its callback, with the stream or with the reason there is
// none.
#pragma once

#include "download/JobOutcome.h"
#include "download/sites/StreamLocator.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace download {

// Makes a locator for one search; an empty factory, or one that gives nullptr, means that way is not
// available.
using LocatorFactory = std::function<std::unique_ptr<StreamLocator>()>;

struct SearchResult {
  bool found = false;
  FoundStream stream;                                 // when found
  JobOutcome::Cause cause = JobOutcome::Cause::None;  // when not
  std::string message;                                // when not: what to tell
};

class StreamSearch {
 public:
  using Done = std::function<void(SearchResult result)>;

  StreamSearch(LocatorFactory pageRules, LocatorFactory resolver);

  // Looks for the stream of `page`; `done` is called once, from the event loop, unless stop() comes first.
  void start(const std::string& page, Done done);
  void stop();

 private:
  void askResolver(bool sitePage);
  void onPageRules(LocatorResult result);
  void onResolver(LocatorResult result, bool sitePage);
  void finish(SearchResult result);
  void failLater(JobOutcome::Cause cause, std::string message);

  LocatorFactory pageRulesFactory_;
  LocatorFactory resolverFactory_;
  std::unique_ptr<StreamLocator> pageRules_;
  std::unique_ptr<StreamLocator> resolver_;
  std::string page_;
  Done done_;
  QObject context_;  // what is reported later goes away with the stage
};

}  // namespace download
