#include "download/sites/PageLocator.h"

#include "download/sites/PagePicture.h"
#include "download/sites/PageRules.h"
#include "platform/browser/CreateWebBrowser.h"

namespace download {

PageLocator::PageLocator()
    : ownFirst_(platform::createWebBrowser()), ownSecond_(platform::createWebBrowser()) {
  retrieval_ = std::make_unique<PageRetrieval>(*ownFirst_, *ownSecond_);
}

PageLocator::PageLocator(platform::WebBrowser& first, platform::WebBrowser& second)
    : retrieval_(std::make_unique<PageRetrieval>(first, second)) {}

void PageLocator::start(const std::string& page, Done done) {
  done_ = std::move(done);
  page_ = page;
  fileName_ = "get_video";
  downloadUrl_.clear();
  title_.clear();
  picture_.clear();
  mode_ = RequestMode::DownloadConvert;
  retrieval_->start(
      page, [this](const std::string& text) { return extractionPass(text); },
      [this](PageRetrieval::Result result) { onRetrieved(result); });
}

void PageLocator::stop() {
  retrieval_->stop();
  done_ = nullptr;
}

void PageLocator::limitToOneAttempt() {
  PageRetrieval::Limits limits = retrieval_->limits();
  limits.attempts = 1;
  retrieval_->setLimits(limits);
}

PageRetrieval::PassOutcome PageLocator::extractionPass(const std::string& pageText) {
  switch (extractVideoAddress(pageText, page_, {fileName_, downloadUrl_, mode_, &title_})) {
    case ExtractOutcome::AgeRestricted:
      return PageRetrieval::PassOutcome::EndRetrieval;
    case ExtractOutcome::EndAttempt:
      return PageRetrieval::PassOutcome::EndAttempt;
    case ExtractOutcome::Found:
      picture_ = pagePicture(pageText);
      return PageRetrieval::PassOutcome::Found;
    case ExtractOutcome::NothingYet:
      break;
  }
  return PageRetrieval::PassOutcome::NothingYet;
}

void PageLocator::onRetrieved(PageRetrieval::Result result) {
  LocatorResult found;
  switch (result) {
    case PageRetrieval::Result::EndedByPass:  // only the age-verification page ends the retrieval
      found.status = LocatorResult::Status::AgeRestricted;
      break;
    case PageRetrieval::Result::TextUnreadable:
      found.status = LocatorResult::Status::Unreadable;
      break;
    case PageRetrieval::Result::BrowserFailed:
      found.status = LocatorResult::Status::Refused;
      found.message = retrieval_->lastError();
      break;
    case PageRetrieval::Result::Finished:
      found.status = downloadUrl_.empty() ? LocatorResult::Status::NotFound : LocatorResult::Status::Found;
      // Metacafe's rules empty the name when the page gives none.
      found.stream = {.url = downloadUrl_,
                      .fileName = fileName_.empty() ? "get_video.flv" : fileName_,
                      .title = title_,
                      .headers = {},
                      .downloadOnly = mode_ == RequestMode::DownloadOnly};
      found.stream.metadata.pictureUrl = picture_;
      break;
  }
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(std::move(found));
}

}  // namespace download
