#include "download/DownloadRequest.h"

#include "common/FrontEnd.h"
#include "common/Global.h"
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "download/ExtractVideoAddress.h"
#include "net/http/FileStream.h"
#include "net/http/UrlParts.h"
#include "platform/Dialogs.h"  // the modal results
#include "resources/Strings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace download {
namespace {

std::string fileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
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
                 [this](ConvertProgress& info) { onConvertProgress(info); },
             },
             event);
}

void DownloadRequest::showPanel(Panel panel) {
  currentPanel = panel;
  view_.showPanel(panel);
}

void DownloadRequest::onWindowShown() {
  downloadUrl.clear();
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
  switch (extractVideoAddress(page, item, {fileName, downloadUrl, mode})) {
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
  if (!retrieval_) {
    mailbox_.post(StartDownload{});
    return;
  }
  const std::vector<std::string> items = sources;  // closing clears sources
  for (const std::string& item : items) {
    if (closed_) return;
    view_.showUrl(item);
    if (!common::isVideoPageUrl(item)) continue;
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
    if (fileName.empty()) fileName = "get_video.flv";
    mailbox_.post(StartDownload{});
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

// A system proxy, when one is switched on, serves the download unless no_proxy names its host.
void DownloadRequest::useSystemProxy() {
  if (!common::isSystemProxyEnabled()) return;
  const std::string host = http::splitAddress(downloadUrl).host;
  if (common::isProxyBypassed(common::systemProxyBypass(), host)) return;
  const common::ProxyAddress proxy = common::systemProxy("http");
  httpClient.proxy = proxy.host;
  httpClient.proxyPort = std::to_string(proxy.port);
}

// Writes the body of downloadUrl into `target`, created anew. False with the reason in `failure` when
// the file could not be written or the request ended without the whole video (a status other than
// 2xx, a transfer cut short, a failed write); a file this made is then removed. An empty reason after an
// abort, which is no failure to report.
bool DownloadRequest::downloadTo(const std::string& target, std::string& failure) {
  std::unique_ptr<http::FileStream> file;
  try {
    file = std::make_unique<http::FileStream>(target);
  } catch (const http::StreamError& error) {
    failure = error.what();
    return false;
  }
  const std::string shown = "Downloading: " + fileNamePart(target) + " ...";
  view_.showDownloadName(shown);
  httpClient.setReceiveStream(file.get());
  bool complete = true;
  try {
    httpClient.get();
  } catch (const http::HttpException& error) {
    complete = false;
    failure = httpClient.requestDoneError() == http::HttpError::Aborted ? "" : error.what();
  } catch (const std::exception& error) {
    complete = false;
    failure = error.what();
  }
  httpClient.setReceiveStream(nullptr);
  if (complete && (httpClient.statusCode() < 200 || httpClient.statusCode() > 299)) {
    // Ended without an error, yet without the video: a redirect past the relocation budget, say.
    complete = false;
    failure = httpClient.statusText();
  }
  try {
    file->close();  // the last writes reach the disk here, and so does their failure
  } catch (const http::StreamError& error) {
    if (complete) failure = error.what();
    complete = false;
  }
  file.reset();
  // Only a plain file goes; a name that stands for a device or the like is never removed.
  std::error_code error;
  if (!complete && !closed_ && !failure.empty() && std::filesystem::is_regular_file(target, error))
    common::deleteFileSilently(target);
  return complete;
}

void DownloadRequest::onHeaderData() {
  if (progress.onHeaderLines(httpClient.headerLines()))
    view_.showDownloadBar(httpClient.receivedCount(), progress.total);
}

void DownloadRequest::onDocumentData() {
  const std::int64_t received = httpClient.receivedCount();
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
  if (convertProcess == nullptr) return;
  convertProcess->active = true;
  convertProcess->inputFile = input;
  convertProcess->outputFile = outputFileFor(input);
  convertProcess->notifyTarget = mailbox_.ref<ConvertProgress>();
  convertProcess->arguments = convertArgs;
  try {
    convertProcess->run();
  } catch (const ConvertError& error) {
    // Nothing runs: say why and end the request.
    errorBox(error.what());
    close(platform::ModalResult::Cancel);
    return;
  }
  view_.showConvertName(fileNamePart(convertProcess->outputFile));
}

void DownloadRequest::onConvertProgress(const ConvertProgress& info) {
  if (info.status == ConvertProgress::Status::Failed) {
    // The converter failed: tell the user why, keep the video, end the request.
    errorBox("The conversion failed; the video file was kept.\n\n" + info.message);
    close(platform::ModalResult::Cancel);
    return;
  }
  if (info.status == ConvertProgress::Status::Ok) convertPosition = std::clamp(info.percent, 0, 100);
  if (info.status == ConvertProgress::Status::InUse)
    errorBox(resources::loadString(resources::StringId::OutputInUse));
  view_.showConvertProgress(convertPosition, info.elapsed, info.estimated);
  if (convertPosition < 100) return;
  if (mode != RequestMode::ConvertLocalFile && convertProcess != nullptr)
    common::deleteFileSilently(convertProcess->inputFile);
  close(platform::ModalResult::Cancel);
}

void DownloadRequest::stop() {
  if (!httpClient.url.empty()) httpClient.abort();
  if (convertProcess != nullptr && convertProcess->active) convertProcess->kill(0);
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
  if (convertProcess != nullptr && convertProcess->active) convertProcess->kill(0);
}

}  // namespace download
