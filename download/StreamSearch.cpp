#include "download/StreamSearch.h"

#include "common/Addresses.h"
#include "common/SiteConfig.h"
#include "common/Text.h"
#include "download/sites/PageRules.h"
#include "resources/Strings.h"

#include <QTimer>

namespace download {
namespace {

std::string unableToGetHtmlFrom(const std::string& page) {
  return resources::loadString(resources::StringId::UnableGetHtmlFrom, {page});
}

}  // namespace

StreamSearch::StreamSearch(LocatorFactory pageRules, LocatorFactory resolver)
    : pageRulesFactory_(std::move(pageRules)), resolverFactory_(std::move(resolver)) {}

void StreamSearch::start(const std::string& page, Done done, Details details) {
  page_ = page;
  done_ = std::move(done);
  details_ = std::move(details);
  won_ = false;
  pageRulesEnd_.reset();
  resolverEnd_.reset();
  const bool sitePage = common::isVideoPageUrl(page);
  // A Google Video page keeps its video as it is, whichever search finds the stream.
  googleVideoPage_ = sitePage && common::containsNoCase(page, common::SiteConfig::current().googleDomain);
  if (resolverFactory_ && common::isWebAddress(page)) resolver_ = resolverFactory_();
  if (sitePage && pageRulesFactory_) pageRules_ = pageRulesFactory_();
  if (!pageRules_ && !resolver_) {
    // Nothing can read this page: say so rather than leave the user waiting.
    failLater(JobOutcome::Cause::NoStreamFound, unableToGetHtmlFrom(page_));
    return;
  }
  // Beside the resolver, the page rules read the page once: a second attempt would only delay the answer.
  if (pageRules_ && resolver_) pageRules_->limitToOneAttempt();
  if (resolver_) resolver_->start(page_, [this](LocatorResult result) { onResolver(std::move(result)); });
  if (pageRules_) pageRules_->start(page_, [this](LocatorResult result) { onPageRules(std::move(result)); });
}

void StreamSearch::stop() {
  done_ = nullptr;
  details_ = nullptr;
  if (pageRules_) pageRules_->stop();
  if (resolver_) resolver_->stop();
  pageRules_.reset();
  resolver_.reset();
}

// Each locator reports from the event loop, so neither is destroyed inside its own callback: the one that
// reported is only stopped here, and goes with the stage.
void StreamSearch::onPageRules(LocatorResult result) {
  if (result.status == LocatorResult::Status::Found) {
    win(std::move(result.stream), true);
    return;
  }
  pageRulesEnd_ = std::move(result);
  decideWhenBothEnded();
}

void StreamSearch::onResolver(LocatorResult result) {
  if (won_) {
    // The page rules won; what the resolver knows of the video still counts.
    Details details = std::move(details_);
    details_ = nullptr;
    if (details && result.status == LocatorResult::Status::Found) details(std::move(result.stream));
    return;
  }
  if (result.status == LocatorResult::Status::Found) {
    win(std::move(result.stream), false);
    return;
  }
  resolverEnd_ = std::move(result);
  decideWhenBothEnded();
}

// The first stream found ends the other search at once; the resolver goes on after the page rules' win only
// while its details are wanted.
void StreamSearch::win(FoundStream stream, bool byPageRules) {
  won_ = true;
  if (pageRules_) pageRules_->stop();
  const bool resolverStillAsked = byPageRules && resolver_ && !resolverEnd_ && details_;
  if (!resolverStillAsked) details_ = nullptr;
  if (resolver_ && !resolverStillAsked) resolver_->stop();
  if (googleVideoPage_) stream.downloadOnly = true;
  finish({.found = true, .stream = std::move(stream), .cause = {}, .message = {}});
}

void StreamSearch::decideWhenBothEnded() {
  const bool pageRulesRunning = pageRules_ && !pageRulesEnd_;
  const bool resolverRunning = resolver_ && !resolverEnd_;
  if (pageRulesRunning || resolverRunning) return;
  if (!resolver_) {
    finish(pageRulesFailure(*pageRulesEnd_));
    return;
  }
  // The page rules saw the age-verification page and the resolver could not read the page either.
  if (pageRulesEnd_ && pageRulesEnd_->status == LocatorResult::Status::AgeRestricted) {
    finish({.found = false,
            .stream = {},
            .cause = JobOutcome::Cause::AgeRestricted,
            .message = ageVerificationNotice()});
    return;
  }
  std::string message = std::move(resolverEnd_->message);
  if (message.empty()) message = unableToGetHtmlFrom(page_);
  finish({.found = false, .stream = {}, .cause = JobOutcome::Cause::ResolverFailed, .message = message});
}

// Without the resolver, the page rules' own end is told as it always was.
SearchResult StreamSearch::pageRulesFailure(const LocatorResult& result) const {
  switch (result.status) {
    case LocatorResult::Status::AgeRestricted:
      return {.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::AgeRestricted,
              .message = ageVerificationNotice()};
    case LocatorResult::Status::Unreadable:
      return {.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::PageUnreadable,
              .message = resources::loadString(resources::StringId::UnableGetHtmlRetry)};
    case LocatorResult::Status::Refused:
      return {.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::PageRefused,
              .message = unableToGetHtmlFrom(page_)};
    case LocatorResult::Status::Found:
    case LocatorResult::Status::NotFound:
    case LocatorResult::Status::Failed:
      break;
  }
  return {.found = false,
          .stream = {},
          .cause = JobOutcome::Cause::NoStreamFound,
          .message = unableToGetHtmlFrom(page_)};
}

void StreamSearch::finish(SearchResult result) {
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(result));
}

void StreamSearch::failLater(JobOutcome::Cause cause, std::string message) {
  QTimer::singleShot(0, &context_, [this, cause, message = std::move(message)]() mutable {
    finish({.found = false, .stream = {}, .cause = cause, .message = std::move(message)});
  });
}

}  // namespace download
