#include "download/StreamSearch.h"

#include "common/Addresses.h"
#include "download/sites/PageRules.h"
#include "resources/Strings.h"

#include <QTimer>

namespace download {
namespace {

std::string unableToGetHtmlFrom(const std::string& page) {
  return resources::loadString(resources::StringId::UnableGetHtmlFrom) + page;
}

}  // namespace

StreamSearch::StreamSearch(LocatorFactory pageRules, LocatorFactory resolver)
    : pageRulesFactory_(std::move(pageRules)), resolverFactory_(std::move(resolver)) {}

void StreamSearch::start(const std::string& page, Done done) {
  page_ = page;
  done_ = std::move(done);
  const bool sitePage = common::isVideoPageUrl(page);
  if (sitePage && pageRulesFactory_) pageRules_ = pageRulesFactory_();
  if (pageRules_) {
    pageRules_->start(page, [this](LocatorResult result) { onPageRules(std::move(result)); });
    return;
  }
  // Other sites' pages go to the resolver; so do the sites' own pages when no browser can load them.
  askResolver(sitePage);
}

void StreamSearch::stop() {
  done_ = nullptr;
  if (pageRules_) pageRules_->stop();
  if (resolver_) resolver_->stop();
  pageRules_.reset();
  resolver_.reset();
}

void StreamSearch::askResolver(bool sitePage) {
  if (resolverFactory_ && common::isWebAddress(page_)) resolver_ = resolverFactory_();
  if (!resolver_) {
    // Nothing can read this page: say so rather than leave the user waiting.
    failLater(JobOutcome::Cause::NoStreamFound, unableToGetHtmlFrom(page_));
    return;
  }
  resolver_->start(page_,
                   [this, sitePage](LocatorResult result) { onResolver(std::move(result), sitePage); });
}

void StreamSearch::onPageRules(LocatorResult result) {
  switch (result.status) {
    case LocatorResult::Status::Found:
      finish({.found = true, .stream = std::move(result.stream), .cause = {}, .message = {}});
      return;
    case LocatorResult::Status::AgeRestricted:
      finish({.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::AgeRestricted,
              .message = ageVerificationNotice()});
      return;
    case LocatorResult::Status::Unreadable:
      finish({.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::PageUnreadable,
              .message = resources::loadString(resources::StringId::UnableGetHtmlRetry)});
      return;
    case LocatorResult::Status::Refused:
      finish({.found = false,
              .stream = {},
              .cause = JobOutcome::Cause::PageRefused,
              .message = unableToGetHtmlFrom(page_)});
      return;
    case LocatorResult::Status::NotFound:
    case LocatorResult::Status::Failed:
      // Both attempts ended without an address: the resolver may know the page.
      askResolver(true);
      return;
  }
}

void StreamSearch::onResolver(LocatorResult result, bool sitePage) {
  if (result.status == LocatorResult::Status::Found) {
    finish({.found = true, .stream = std::move(result.stream), .cause = {}, .message = {}});
    return;
  }
  // A known site's page that nothing could read is told as such; another site's with the resolver's words.
  if (sitePage) {
    finish({.found = false,
            .stream = {},
            .cause = JobOutcome::Cause::NoStreamFound,
            .message = unableToGetHtmlFrom(page_)});
    return;
  }
  finish({.found = false,
          .stream = {},
          .cause = JobOutcome::Cause::ResolverFailed,
          .message = std::move(result.message)});
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
