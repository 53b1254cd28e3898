// The known sites' page rules as a locator: the page is loaded in two hidden browser controls and read
// until the rules find the stream (PageRetrieval, PageRules.h).
#pragma once

#include "download/JobInput.h"
#include "download/sites/PageRetrieval.h"
#include "download/sites/StreamLocator.h"
#include "platform/browser/WebBrowser.h"

#include <memory>

namespace download {

class PageLocator final : public StreamLocator {
 public:
  // With the engine's two controls; their engine starts with the first page, not before.
  PageLocator();
  // With controls of the caller's (scripted ones in tests), which outlive the locator.
  PageLocator(platform::WebBrowser& first, platform::WebBrowser& second);

  void setLimits(const PageRetrieval::Limits& limits) { retrieval_->setLimits(limits); }

  void start(const std::string& page, Done done) override;
  void stop() override;
  void limitToOneAttempt() override;

 private:
  PageRetrieval::PassOutcome extractionPass(const std::string& pageText);
  void onRetrieved(PageRetrieval::Result result);

  std::unique_ptr<platform::WebBrowser> ownFirst_;
  std::unique_ptr<platform::WebBrowser> ownSecond_;
  std::unique_ptr<PageRetrieval> retrieval_;
  Done done_;
  std::string page_;
  // What the passes have found so far.
  std::string fileName_;
  std::string downloadUrl_;
  std::string title_;
  std::string picture_;  // the page's own picture (og:image), for the cover
  RequestMode mode_ = RequestMode::DownloadConvert;
};

}  // namespace download
