#include "download/CoverFetch.h"

#include "common/Text.h"
#include "download/ClientProxy.h"
#include "download/StreamCookies.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Translations.h"

#include <algorithm>
#include <chrono>

namespace download {

// The picture's bytes in memory, up to the cap: what comes past it is dropped and marks the picture as too
// large (the request is then aborted).
class CoverFetch::CappedStream final : public http::Stream {
 public:
  void write(const void* data, std::size_t len) override {
    if (overflowed_ || bytes_.size() + len > static_cast<std::size_t>(kMaxPictureBytes)) {
      overflowed_ = true;
      return;
    }
    bytes_.append(static_cast<const char*>(data), len);
  }
  std::size_t read(void* /*data*/, std::size_t /*len*/) override { return 0; }
  std::int64_t size() override { return static_cast<std::int64_t>(bytes_.size()); }
  void setSize(std::int64_t size) override {
    bytes_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
  }
  std::int64_t position() override { return size(); }
  void seek(std::int64_t /*position*/) override {}

  bool overflowed() const { return overflowed_; }
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
  bool overflowed_ = false;
};

CoverFetch::CoverFetch() {
  client_.agent = "Mozilla/5.0 (compatible)";
  client_.accept = "image/jpeg, image/png, image/webp, image/*";
  client_.setRequestVer("1.1");
  client_.followRelocation = true;
  client_.locationChangeMaxCount = 5;
  client_.onRequestDone = [this](http::HttpClient*, http::RequestType, std::uint16_t) {
    if (running_) onRequestDone();
  };
  client_.onHeaderEnd = [this](http::HttpClient*) { onHeaderEnd(); };
  client_.onDocData = [this](http::HttpClient*, const char*, int) {
    if (running_ && body_ && body_->overflowed() && !tooLarge_) {
      tooLarge_ = true;
      client_.abort();
    }
  };
  // The browser profile's cookies for the picture's own address (a relocation gets those of its host).
  client_.onBeforeHeaderSend = [this](http::HttpClient*, const std::string& method,
                                      std::vector<std::string>& lines) {
    if (!running_ || method == "CONNECT") return;
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const std::string cookies = cookieHeaderFor(platform::engineCookies(), client_.location(), now);
    if (!cookies.empty()) lines.push_back("Cookie: " + cookies);
  };
  timeLimit_.setSingleShot(true);
  QObject::connect(&timeLimit_, &QTimer::timeout, [this] {
    timedOut_ = true;
    client_.abort();
  });
}

CoverFetch::~CoverFetch() {
  stop();
  client_.onRequestDone = nullptr;
  client_.onHeaderEnd = nullptr;
  client_.onDocData = nullptr;
  client_.onBeforeHeaderSend = nullptr;
}

void CoverFetch::start(const std::string& url, Done done) {
  running_ = true;
  tooLarge_ = timedOut_ = false;
  done_ = std::move(done);
  client_.url = url;
  useSystemProxy(client_);  // the same proxy as the video's download
  body_ = std::make_unique<CappedStream>();
  client_.setReceiveStream(body_.get());
  timeLimit_.start(kTimeLimitMs);
  try {
    client_.getAsync();
  } catch (const std::exception& error) {
    client_.setReceiveStream(nullptr);
    finish({.fetched = false, .picture = {}, .failure = error.what()});
  }
}

void CoverFetch::stop() {
  done_ = nullptr;
  if (!running_) return;
  running_ = false;
  timeLimit_.stop();
  if (client_.state() != http::HttpState::Ready) client_.abort();
  client_.setReceiveStream(nullptr);
  body_.reset();
}

// A picture announced as larger than the cap is not fetched at all.
void CoverFetch::onHeaderEnd() {
  if (!running_) return;
  const int status = client_.statusCode();
  if (status >= 300 && status <= 399) return;
  if (client_.bodyLength() > kMaxPictureBytes) {
    tooLarge_ = true;
    client_.abort();
  }
}

void CoverFetch::onRequestDone() {
  timeLimit_.stop();
  client_.setReceiveStream(nullptr);
  const int status = client_.statusCode();
  const std::uint16_t error = client_.requestDoneError();
  std::string failure;
  if (tooLarge_) {
    failure = common::fillIn(resources::translate("CoverFetch", "the picture is larger than %1 MB"),
                             {std::to_string(kMaxPictureBytes / (1024 * 1024))});
  } else if (timedOut_) {
    failure = common::fillIn(resources::translate("CoverFetch", "no picture within %1 seconds"),
                             {std::to_string(kTimeLimitMs / 1000)});
  } else if (status == 0 || (error != 0 && error != http::HttpError::Aborted)) {
    failure =
        client_.statusText().empty() ? resources::translate("CoverFetch", "no reply") : client_.statusText();
  } else if (status < 200 || status > 299) {
    failure = common::fillIn(resources::translate("CoverFetch", "the server answered %1"),
                             {std::to_string(status)});
  } else if (!body_ || body_->bytes().empty()) {
    failure = resources::translate("CoverFetch", "the reply holds no picture");
  }
  CoverResult result;
  result.fetched = failure.empty();
  result.failure = std::move(failure);
  if (result.fetched) result.picture = std::move(body_->bytes());
  body_.reset();
  finish(std::move(result));
}

// Reported from the event loop, never inside start().
void CoverFetch::finish(CoverResult result) {
  running_ = false;
  timeLimit_.stop();
  QTimer::singleShot(0, &context_, [this, result = std::move(result)]() mutable {
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(std::move(result));
  });
}

}  // namespace download
