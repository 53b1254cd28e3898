#include "download/DownloadRequest.h"

#include "common/Addresses.h"
#include "common/Files.h"
#include "common/FrontEnd.h"
#include "common/SystemProxy.h"
#include "common/Text.h"
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "download/ExtractVideoAddress.h"
#include "download/StreamCookies.h"
#include "download/StreamResolver.h"
#include "download/VideoFileName.h"
#include "net/http/FileStream.h"
#include "net/http/UrlParts.h"
#include "net/socket/SocketErrors.h"
#include "platform/Dialogs.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Strings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace download {
namespace {

std::string fileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

bool isSocketError(std::uint16_t error) {
  return error >= 10000;  // socket and lookup errors keep the socket library's numbers
}

// The status line without its version ("404 Not Found"), or the code when the line is not there.
std::string statusLineOf(const http::HttpClient& client) {
  const std::vector<std::string>& lines = client.headerLines();
  if (!lines.empty()) {
    const std::size_t blank = lines.front().find(' ');
    if (blank != std::string::npos && blank + 1 < lines.front().size())
      return lines.front().substr(blank + 1);
  }
  return std::to_string(client.statusCode());
}

// Why the request brought no video, as the client reported it; empty when it did bring one, and after
// Stop. A part (206) that was kept has been judged before (onHeaderEnd); one that gets here was not
// asked for.
std::string downloadFailureCause(const http::HttpClient& client, bool partAskedFor) {
  const std::uint16_t error = client.requestDoneError();
  if (error == http::HttpError::Aborted) return {};
  const int status = client.statusCode();
  if (status == 0) return client.statusText().empty() ? "the reply is not HTTP" : client.statusText();
  if (error != 0) {
    // No reply at all (a name not found, a connection refused, ...) is never shown as a status: the client
    // stands a status code in for those.
    std::string cause = client.statusText();
    if (isSocketError(error) && cause.find("(Error #") == std::string::npos)
      cause += (cause.empty() ? "" : ": ") + net::socketErrorText(error) + " (Error #" +
               std::to_string(error) + ")";
    return cause;
  }
  if (status < 200 || status > 299) return statusLineOf(client);
  if (status == 206 && !partAskedFor) return statusLineOf(client) + " (a part that was not asked for)";
  if (status == 204 || status == 205 || client.receivedCount() == 0)
    return statusLineOf(client) + " (no video in the reply)";
  return {};
}

// Milliseconds of a monotonic clock, never 0 (0 marks "no sample yet").
std::uint64_t tickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::max<std::uint64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

// Failures and notices name the request's item (its page address or local file) to the front end,
// which shows them: a box in the windows, a line on the command line.
void DownloadRequest::errorBox(const std::string& text) const {
  common::frontEnd().failure(sources.empty() ? std::string() : sources.front(), text);
}

void DownloadRequest::notice(const std::string& text) const {
  common::frontEnd().notice(sources.empty() ? std::string() : sources.front(), text);
}

DownloadRequest::DownloadRequest(const ConversionRequest& request, std::string outputFolder,
                                 RequestView& view)
    : sources(request.sources),
      mode(request.mode),
      targetExt(request.targetExt),
      convertArgs(request.convertArgs),
      outputFolder_(std::move(outputFolder)),
      view_(view),
      mailbox_([this](RequestEvent& event) { handleEvent(event); }) {
  httpClient.agent = "Mozilla/3.0 (compatible)";
  httpClient.accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  httpClient.setRequestVer("1.0");
  httpClient.followRelocation = true;
  httpClient.locationChangeMaxCount = 5;
  httpClient.noCache = false;
  httpClient.multiThreaded = false;
  httpClient.localAddr = "0.0.0.0";
  httpClient.proxyPort = "80";
  httpClient.socksLevel = "5";
  httpClient.onHeaderData = [this](http::HttpClient*) { onHeaderData(); };
  httpClient.onDocData = [this](http::HttpClient*, const char*, int) { onDocumentData(); };
  httpClient.onHeaderEnd = [this](http::HttpClient*) { onHeaderEnd(); };
  httpClient.onBeforeHeaderSend = [this](http::HttpClient*, const std::string& method,
                                         std::vector<std::string>& lines) {
    onBeforeHeaderSend(method, lines);
  };
}

DownloadRequest::~DownloadRequest() {
  onWindowClosed();
}

std::string DownloadRequest::outputFolder() const {
  std::string folder = outputFolder_;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string DownloadRequest::outputFileFor(const std::string& video) const {
  std::filesystem::path name = std::filesystem::path(video).filename();
  name.replace_extension(targetExt);
  return outputFolder() + name.string();
}

void DownloadRequest::handleEvent(RequestEvent& event) {
  if (closed_) return;  // a closed window handles nothing more
  std::visit(platform::Overloaded{
                 [this](FetchPage&) { fetchPage(); },
                 [this](StartDownload&) { startDownload(); },
                 [this](StartConvert&) { startConvert(); },
                 [this](CloseWindow&) { close(platform::ModalResult::Cancel); },
                 [this](convert::ConvertProgress& info) { onConvertProgress(info); },
             },
             event);
}

void DownloadRequest::showPanel(Panel panel) {
  currentPanel = panel;
  view_.showPanel(panel);
}

void DownloadRequest::onWindowShown() {
  downloadUrl.clear();
  title.clear();
  pageAddress.clear();
  convertPosition = 0;
  if (mode == RequestMode::ConvertLocalFile) {
    showPanel(Panel::Convert);
    startConversion(sources.empty() ? std::string() : sources.front());
  } else {
    showPanel(Panel::FetchPage);
    mailbox_.post(FetchPage{});
  }
}

// Fetching the page and finding the stream address come with the page retrieval; until then no
// address is found, and the download step reports that.
void DownloadRequest::useBrowsers(platform::WebBrowser& first, platform::WebBrowser& second) {
  retrieval_ = std::make_unique<PageRetrieval>(first, second);
}

PageRetrieval::PassOutcome DownloadRequest::extractionPass(const std::string& page, const std::string& item) {
  switch (extractVideoAddress(page, item, {fileName, downloadUrl, mode, &title})) {
    case ExtractOutcome::Stopped:  // the age-verification notice was shown: the request ends here
      stop();
      return PageRetrieval::PassOutcome::Stopped;
    case ExtractOutcome::EndAttempt:
      return PageRetrieval::PassOutcome::EndAttempt;
    case ExtractOutcome::Found:
      return PageRetrieval::PassOutcome::Found;
    case ExtractOutcome::NothingYet:
      break;
  }
  return PageRetrieval::PassOutcome::NothingYet;
}

void DownloadRequest::fetchPage() {
  const bool resolver = isResolverEnabled();
  if (!retrieval_ && !resolver) {
    mailbox_.post(StartDownload{});
    return;
  }
  const std::vector<std::string> items = sources;  // closing clears sources
  for (const std::string& item : items) {
    if (closed_) return;
    view_.showUrl(item);
    const bool sitePage = common::isVideoPageUrl(item);
    if (!sitePage || !retrieval_) {
      // Other sites' pages go to the resolver; so do the sites' own pages when no browser can load them.
      if (!resolver || !common::isWebAddress(item)) {
        // Nothing can read this page: the download step tells so, rather than leave the window waiting.
        mailbox_.post(StartDownload{});
        return;
      }
      if (!resolve(item, sitePage)) return;
      mailbox_.post(StartDownload{});
      continue;
    }
    const PageRetrieval::Result result = retrieval_->retrieve(
        item, [&](const std::string& page) { return extractionPass(page, item); },
        [this] { return closed_; });
    if (result == PageRetrieval::Result::TextUnreadable) {
      mailbox_.post(CloseWindow{});
      return;
    }
    if (result == PageRetrieval::Result::BrowserFailed) {
      // The browser refused the page: say so rather than leave the window waiting for nothing.
      notice(resources::loadString(resources::StringId::UnableGetHtmlFrom) + item);
      stop();
      return;
    }
    if (result != PageRetrieval::Result::Finished) return;
    // Both attempts ended without an address (the age-verification page ends the request before this):
    // the resolver may know the page.
    if (downloadUrl.empty() && resolver && !resolve(item, true)) return;
    if (fileName.empty()) fileName = "get_video.flv";
    pageAddress = item;
    mailbox_.post(StartDownload{});
  }
}

bool DownloadRequest::resolve(const std::string& item, bool sitePage) {
  const Resolution resolution = resolveStream(item, [this] { return closed_; });
  if (closed_ || resolution.status == Resolution::Status::Stopped) return false;
  if (resolution.status == Resolution::Status::Failed) {
    if (sitePage) return true;  // the page rules' own failure is told by the download step
    errorBox(resolution.message);
    close(platform::ModalResult::Cancel);
    return false;
  }
  const ResolvedStream& stream = resolution.stream;
  downloadUrl = stream.url;
  streamHeaders = stream.headers;
  title = stream.title;
  pageAddress = item;
  const std::string ext = "." + (stream.ext.empty() ? std::string("video") : stream.ext);
  fileName = titleToFileName(stream.title, ext);
  if (fileName.empty()) fileName = "get_video" + ext;
  return true;
}

// The resolver's request fields go where the client has them, the others after its own (sent by
// onBeforeHeaderSend, with the part's range and the profile's cookies).
void DownloadRequest::useStreamHeaders() {
  streamCookie_.clear();
  streamLines_.clear();
  for (const auto& [name, value] : streamHeaders) {
    const std::string lower = common::lowerAscii(name);
    if (lower == "user-agent") {
      httpClient.agent = value;
    } else if (lower == "accept") {
      httpClient.accept = value;
    } else if (lower == "referer") {
      httpClient.reference = value;
    } else if (lower == "cookie") {
      streamCookie_ = value;
    } else if (lower == "accept-language") {
      httpClient.acceptLanguage = value;
    } else {
      streamLines_.push_back(name + ": " + value);
    }
  }
}

void DownloadRequest::startDownload() {
  if (downloadUrl.empty()) {
    notice(resources::loadString(resources::StringId::UnableGetHtmlFrom) +
           (sources.empty() ? std::string() : sources.front()));
    stop();
    return;
  }
  showPanel(Panel::Download);
  view_.centreOnOwner();
  progress.reset();
  view_.showDownloadBar(0, progress.total);
  const std::string target = outputFolder() + common::removeBadFileChars(fileName);
  useSystemProxy();
  useStreamHeaders();
  httpClient.url = downloadUrl;
  std::string failure;
  const bool complete = downloadTo(target, failure);
  if (closed_) return;  // Stop or the close box: what was received stays in the file, nothing follows
  if (!complete) {
    // Half a video is no video: nothing is converted or kept under its name.
    if (!failure.empty()) errorBox(failure);
    close(platform::ModalResult::Cancel);
    return;
  }
  if (mode == RequestMode::DownloadOnly) {
    mailbox_.post(CloseWindow{});
  } else {
    mailbox_.post(StartConvert{});
  }
}

// A system proxy, when one is switched on, serves the download unless no_proxy names its host: the web
// proxy of http_proxy (https_proxy for an https: address, which goes through it with CONNECT), or else
// the SOCKS proxy of all_proxy.
void DownloadRequest::useSystemProxy() {
  const http::UrlParts address = http::splitAddress(downloadUrl);
  if (common::isProxyBypassed(common::systemProxyBypass(), address.host)) return;
  if (common::isSystemProxyEnabled()) {
    const common::ProxyAddress proxy = common::systemProxy(address.proto == "https" ? "https" : "http");
    httpClient.proxy = proxy.host;
    httpClient.proxyPort = std::to_string(proxy.port);
  }
  if (!httpClient.proxy.empty()) return;
  const common::SocksProxy socks = common::systemSocksProxy();
  if (socks.level.empty()) return;
  httpClient.socksServer = socks.host;
  httpClient.socksPort = std::to_string(socks.port);
  httpClient.socksLevel = socks.level;
  httpClient.socksUsercode = socks.user;
  httpClient.socksPassword = socks.password;
  httpClient.socksAuthentication = socks.level == "5" && !socks.user.empty()
                                       ? net::SocksAuthentication::UserCode
                                       : net::SocksAuthentication::None;
}

// Writes the body of downloadUrl into the part file of `target`, continuing a part an earlier download
// left, and gives the part the name `target` once the whole video is there. False with the reason in
// `failure` when the file could not be written or the request ended without the whole video (an error
// status, no reply, a transfer cut short more often than it is continued, a reply that is not HTTP or
// holds no video, a failed write). The part stays when it can be continued later; an empty reason after
// an abort, which is no failure to report.
bool DownloadRequest::downloadTo(const std::string& target, std::string& failure) {
  const PartFile part(target);
  VideoValidators video;
  std::int64_t from = part.resumableBytes(video);
  if (from == 0) part.discard();  // nothing that can be continued: an old part starts over
  std::unique_ptr<http::FileStream> file;
  try {
    file = std::make_unique<http::FileStream>(
        part.partPath(), from > 0 ? http::FileStream::Open::Continue : http::FileStream::Open::Create);
  } catch (const http::StreamError& error) {
    failure = error.what();
    return false;
  }
  const std::string shown = "Downloading: " + fileNamePart(target) + " ...";
  view_.showDownloadName(shown);

  std::string cause;
  int retriesLeft = kCutRetries;
  bool startedOver = false;
  for (;;) {
    attempt_ = Attempt{};
    attempt_.from = from;
    attempt_.video = video;
    attempt_.file = file.get();
    attempt_.part = &part;
    const bool whole = requestInto(*file, cause);
    if (whole || closed_) break;
    const std::optional<RangeReply> reply = attempt_.reply;
    if (reply == RangeReply::StartOverAnew && !startedOver && cause.empty()) {
      // Not the bytes asked for, or not the same video: the whole video is asked for once more.
      startedOver = true;
      try {
        file->setSize(0);
      } catch (const http::StreamError& error) {
        cause = error.what();
        break;
      }
      part.forgetValidators();
      from = 0;
      video = {};
      continue;
    }
    const bool cut = httpClient.requestDoneError() == http::HttpError::CutShort &&
                     (reply == RangeReply::Continue || reply == RangeReply::StartOverHere);
    if (!cut || retriesLeft == 0 || attempt_.video.total <= 0) break;
    // The connection broke inside the body of a video whose size is known: after a short pause the
    // request goes on from the bytes received.
    --retriesLeft;
    pause(kRetryPauseMs);
    if (closed_) break;
    cause.clear();
    from = file->size();
    video = attempt_.video;
  }
  attempt_ = Attempt{};

  const bool aborted = httpClient.requestDoneError() == http::HttpError::Aborted;
  bool complete = cause.empty() && !aborted && !closed_;
  if (!cause.empty()) {
    const std::string address = httpClient.location().empty() ? httpClient.url : httpClient.location();
    failure = "Unable to download " + address + ": " + cause;
  }
  try {
    file->close();  // the last writes reach the disk here, and so does their failure
  } catch (const http::StreamError& error) {
    if (complete) failure = error.what();
    complete = false;
  }
  file.reset();
  if (complete) return part.finish(failure);
  // What can be continued stays for the next download of this video; anything else goes.
  VideoValidators kept;
  const std::int64_t keptBytes = part.resumableBytes(kept);
  if (keptBytes == 0) {
    part.discard();
  } else if (!failure.empty()) {
    const int continued = kCutRetries - retriesLeft;
    failure += " (" +
               (continued > 0 ? "continued " + std::to_string(continued) + " times; " : std::string()) +
               common::formatKilobytes(keptBytes) + " KB of " + common::formatKilobytes(kept.total) +
               " KB kept for the next download)";
  }
  return false;
}

// One request for downloadUrl into the part; true when it brought the rest of the video. `cause` gets
// why it did not (empty after an abort).
bool DownloadRequest::requestInto(http::FileStream& file, std::string& cause) {
  if (progress.sampleTick == 0) progress.sampleBytes = attempt_.from;  // speed counts new bytes only
  const std::int64_t sizeBefore = file.size();
  // The client would ask again for the range of the last reply it read: the range goes in
  // onBeforeHeaderSend alone.
  httpClient.setContentRangeBegin({});
  httpClient.setContentRangeEnd({});
  httpClient.setReceiveStream(&file);
  try {
    httpClient.get();
  } catch (const http::HttpException&) {
    // The error status or the failed transfer is read from the client below.
  } catch (const std::exception& error) {
    cause = error.what();
  }
  httpClient.setReceiveStream(nullptr);
  if (cause.empty()) cause = attempt_.failure;
  if (cause.empty() && attempt_.reply != RangeReply::StartOverAnew)
    cause = downloadFailureCause(httpClient, attempt_.reply == RangeReply::Continue);
  const bool taken = attempt_.reply == RangeReply::Continue || attempt_.reply == RangeReply::StartOverHere;
  if (!taken) {
    // Nothing of a reply that is no part of the video stays in the part (a relocation's body, an error
    // page that got through).
    try {
      if (file.size() != sizeBefore) file.setSize(sizeBefore);
    } catch (const http::StreamError& error) {
      if (cause.empty()) cause = error.what();
    }
  }
  const bool aborted = httpClient.requestDoneError() == http::HttpError::Aborted;
  return taken && cause.empty() && !aborted;
}

// Waits `ms` milliseconds while the program goes on handling its messages; Stop or closing the
// window ends the wait.
void DownloadRequest::pause(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!closed_) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    platform::waitForMessage(static_cast<int>(left));
  }
}

// Every request of a download, a relocated one too, asks for the bytes after those of the part, and
// carries the browser profile's cookies for its own address (so a relocation to another host gets that
// host's cookies only), after the resolver's cookie and fields when it gave any: a stream that needs the
// session the page (or a sign-in) set gets it. A proxy's tunnel request (CONNECT) gets none of these.
void DownloadRequest::onBeforeHeaderSend(const std::string& method, std::vector<std::string>& lines) const {
  if (attempt_.file == nullptr || method == "CONNECT") return;
  lines.insert(lines.end(), streamLines_.begin(), streamLines_.end());
  if (attempt_.from > 0) lines.push_back("Range: bytes=" + std::to_string(attempt_.from) + "-");
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  std::string cookies = streamCookie_;
  const std::string profile = cookieHeaderFor(platform::engineCookies(), httpClient.location(), now);
  if (!profile.empty()) cookies += (cookies.empty() ? "" : "; ") + profile;
  if (!cookies.empty()) lines.push_back("Cookie: " + cookies);
}

// The final reply's header is complete, its body not yet written: the part is continued, started over
// with this body, or kept away from it.
void DownloadRequest::onHeaderEnd() {
  if (attempt_.file == nullptr) return;
  const int status = httpClient.statusCode();
  if (status >= 300 && status <= 399) return;  // a relocation; a final one is reported afterwards
  const std::vector<std::string>& lines = httpClient.headerLines();
  const RangeReply reply = checkRangeReply(attempt_.from, attempt_.video, status, lines);
  attempt_.reply = reply;
  switch (reply) {
    case RangeReply::Continue:
      progress.setTotal(attempt_.video.total);
      view_.showDownloadBar(attempt_.from, progress.total);
      return;
    case RangeReply::StartOverHere:
      try {
        attempt_.file->setSize(0);
      } catch (const http::StreamError& error) {
        attempt_.failure = error.what();
        httpClient.abort();
        return;
      }
      attempt_.from = 0;
      attempt_.video = validatorsOf(lines);
      if (attempt_.video.total <= 0 || !attempt_.part->keepValidators(attempt_.video)) {
        attempt_.video.total = -1;  // a part of a video of unknown size cannot be continued
        attempt_.part->forgetValidators();
      }
      return;
    case RangeReply::StartOverAnew:
      httpClient.abort();
      return;
    case RangeReply::NotVideo:
      httpClient.setReceiveStream(nullptr);
      return;
  }
}

// Header lines are those of the reply being received: after a relocation, only the final reply's
// length counts.
void DownloadRequest::onHeaderData() {
  progress.onHeaderLines(httpClient.headerLines());
  view_.showDownloadBar(attempt_.from + httpClient.receivedCount(), progress.total);
}

void DownloadRequest::onDocumentData() {
  // Bytes of the part kept from before count as received.
  const std::int64_t received = attempt_.from + httpClient.receivedCount();
  progress.onBodyReceived(received, tickCount());
  view_.showDownloadBar(received, progress.total);
  view_.showDownloadDetails(progress.receivedText, progress.timeLeftText, progress.speedText);
}

void DownloadRequest::startConvert() {
  const std::string video = outputFolder() + common::removeBadFileChars(fileName);
  showPanel(Panel::Convert);
  startConversion(video);
}

void DownloadRequest::startConversion(const std::string& input) {
  if (convert::convertProcess == nullptr) return;
  convert::convertProcess->active = true;
  convert::convertProcess->inputFile = input;
  convert::convertProcess->outputFile = outputFileFor(input);
  convert::convertProcess->notifyTarget = mailbox_.ref<convert::ConvertProgress>();
  convert::convertProcess->arguments = convertArgs;
  // The audio file names its video: the page's title and address, or a local file's name.
  if (mode == RequestMode::ConvertLocalFile) {
    convert::convertProcess->tags = {std::filesystem::path(input).stem().string(), {}};
  } else {
    convert::convertProcess->tags = {title, pageAddress};
  }
  try {
    convert::convertProcess->run();
  } catch (const convert::ConvertError& error) {
    // Nothing runs: say why and end the request.
    errorBox(error.what());
    close(platform::ModalResult::Cancel);
    return;
  }
  view_.showConvertName(fileNamePart(convert::convertProcess->outputFile));
}

void DownloadRequest::onConvertProgress(const convert::ConvertProgress& info) {
  if (info.status == convert::ConvertProgress::Status::Failed) {
    // The converter failed: tell the user why, keep the video, end the request.
    errorBox("The conversion failed; the video file was kept.\n\n" + info.message);
    close(platform::ModalResult::Cancel);
    return;
  }
  if (info.status == convert::ConvertProgress::Status::Ok) convertPosition = std::clamp(info.percent, 0, 100);
  if (info.status == convert::ConvertProgress::Status::InUse)
    errorBox(resources::loadString(resources::StringId::OutputInUse));
  view_.showConvertProgress(convertPosition, info.elapsed, info.estimated);
  if (convertPosition < 100) return;
  if (mode != RequestMode::ConvertLocalFile && convert::convertProcess != nullptr)
    common::deleteFileSilently(convert::convertProcess->inputFile);
  close(platform::ModalResult::Cancel);
}

void DownloadRequest::stop() {
  if (!httpClient.url.empty()) httpClient.abort();
  if (convert::convertProcess != nullptr && convert::convertProcess->active) convert::convertProcess->kill(0);
  close(platform::ModalResult::Abort);
}

void DownloadRequest::close(int modalResult) {
  onWindowClosed();
  view_.closeWindow(modalResult);
}

void DownloadRequest::onWindowClosed() {
  if (closed_) return;
  closed_ = true;
  sources.clear();
  // A download still running when the window closes (the close box) ends with it.
  if (httpClient.state() != http::HttpState::Ready) httpClient.abort();
  if (convert::convertProcess != nullptr && convert::convertProcess->active) convert::convertProcess->kill(0);
}

}  // namespace download
