// The first stage of a job: finding the stream of a video page. Both ways are asked at once: the resolver
// for every web address while it is there, and a known site's page rules beside it when the browser engine
// can be had. The first stream address found wins and the other search is stopped (its process ended, its
// page released) — but for the resolver when the page rules win: it goes on, so that its title, tags,
// chapters and picture can still be had (`details`) until the job no longer needs them. When neither finds
// one, the resolver's reason is told (the age-verification notice only once the resolver has failed too);
// without the resolver the page rules keep their own attempts and messages. The stage ends once, through its
// callback, with the stream or with the reason there is none.
#pragma once

#include "download/JobOutcome.h"
#include "download/sites/StreamLocator.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
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
  using Details = std::function<void(FoundStream stream)>;

  StreamSearch(LocatorFactory pageRules, LocatorFactory resolver);

  // Looks for the stream of `page`; `done` is called once, from the event loop, unless stop() comes first.
  // When the page rules won and the resolver then finds the stream too, `details` gets what it found (for
  // the video's title, tags, chapters and picture), once, unless stop() comes first.
  void start(const std::string& page, Done done, Details details = nullptr);
  void stop();

 private:
  void onPageRules(LocatorResult result);
  void onResolver(LocatorResult result);
  void win(FoundStream stream, bool byPageRules);
  void decideWhenBothEnded();
  SearchResult pageRulesFailure(const LocatorResult& result) const;
  void finish(SearchResult result);
  void failLater(JobOutcome::Cause cause, std::string message);

  LocatorFactory pageRulesFactory_;
  LocatorFactory resolverFactory_;
  std::unique_ptr<StreamLocator> pageRules_;
  std::unique_ptr<StreamLocator> resolver_;
  // How each search ended without a stream, while the other one still runs.
  std::optional<LocatorResult> pageRulesEnd_;
  std::optional<LocatorResult> resolverEnd_;
  bool googleVideoPage_ = false;
  std::string page_;
  Done done_;
  Details details_;
  bool won_ = false;  // a stream was found: only the resolver's details may follow
  QObject context_;   // what is reported later goes away with the stage
};

}  // namespace download
