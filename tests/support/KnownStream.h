// A locator that knows the stream already, for tests that start a job at its download: it reports the stream
// from the event loop, as a page or the resolver would once they had found it.
#pragma once

#include "download/Job.h"
#include "download/sites/StreamLocator.h"

#include <QTimer>

#include <memory>
#include <string>

namespace testing_support {

class KnownStreamLocator final : public download::StreamLocator {
 public:
  explicit KnownStreamLocator(download::FoundStream stream) : stream_(std::move(stream)) {}

  void start(const std::string& page, Done done) override {
    QTimer::singleShot(0, context_.get(), [this, done = std::move(done)] {
      done({.status = download::LocatorResult::Status::Found, .stream = stream_, .message = {}});
    });
  }
  void stop() override { context_.reset(); }  // nothing is reported after a stop

 private:
  download::FoundStream stream_;
  std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
};

// The parts of a job whose page (a known site's or another's) has `stream`.
inline download::JobParts knownStreamParts(const download::FoundStream& stream) {
  download::JobParts parts = download::standardJobParts();
  const download::LocatorFactory locator = [stream] {
    return std::unique_ptr<download::StreamLocator>(std::make_unique<KnownStreamLocator>(stream));
  };
  parts.pageRules = locator;
  parts.resolver = locator;
  return parts;
}

// The parts of a job whose page has the stream at `url`, to be saved as `fileName`.
inline download::JobParts knownStreamParts(const std::string& url, const std::string& fileName,
                                           bool downloadOnly = false) {
  return knownStreamParts(
      {.url = url, .fileName = fileName, .title = {}, .headers = {}, .downloadOnly = downloadOnly});
}

}  // namespace testing_support
