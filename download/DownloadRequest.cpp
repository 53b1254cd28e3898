#include "download/DownloadRequest.h"

#include "common/FrontEnd.h"
#include "common/Global.h"
#include "common/SystemProxy.h"
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "download/ExtractVideoAddress.h"
#include "download/StreamResolver.h"
#include "download/VideoFileName.h"
#include "net/http/FileStream.h"
#include "net/http/UrlParts.h"
#include "net/socket/SocketErrors.h"
#include "platform/Dialogs.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cctype>
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
// Stop. The download never asks for a range, so a part (206) is never what it asked for.
std::string downloadFailureCause(const http::HttpClient& client) {
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
  if (status == 206) return statusLineOf(client) + " (a part that was not asked for)";
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
  const std::string ext = "." + (stream.ext.empty() ? std::string("video") : stream.ext);
  fileName = titleToFileName(stream.title, ext);
  if (fileName.empty()) fileName = "get_video" + ext;
  return true;
}

// The resolver's request fields go where the client has them, the others after its own.
void DownloadRequest::useStreamHeaders() {
  std::vector<std::string> extra;
  for (const auto& [name, value] : streamHeaders) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "user-agent") {
      httpClient.agent = value;
    } else if (lower == "accept") {
      httpClient.accept = value;
    } else if (lower == "referer") {
      httpClient.reference = value;
    } else if (lower == "cookie") {
      httpClient.cookie = value;
    } else if (lower == "accept-language") {
      httpClient.acceptLanguage = value;
    } else {
      extra.push_back(name + ": " + value);
    }
  }
  if (extra.empty()) return;
  httpClient.onBeforeHeaderSend = [extra](http::HttpClient*, const std::string& method,
                                          std::vector<std::string>& lines) {
    if (method != "CONNECT") lines.insert(lines.end(), extra.begin(), extra.end());
  };
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

// Writes the body of downloadUrl into `target`, created anew. False with the reason in `failure` when
// the file could not be written or the request ended without the whole video (an error status, no
// reply, a transfer cut short, a reply that is not HTTP or holds no video, a failed write); a file this
// made is then removed. An empty reason after an abort, which is no failure to report.
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
  std::string cause;
  try {
    httpClient.get();
  } catch (const http::HttpException&) {
    // The error status or the failed transfer is read from the client below.
  } catch (const std::exception& error) {
    cause = error.what();
  }
  httpClient.setReceiveStream(nullptr);
  if (cause.empty()) cause = downloadFailureCause(httpClient);
  const bool aborted = httpClient.requestDoneError() == http::HttpError::Aborted;
  bool complete = cause.empty() && !aborted;
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
  // Only a plain file goes; a name that stands for a device or the like is never removed.
  std::error_code error;
  if (!complete && !closed_ && !failure.empty() && std::filesystem::is_regular_file(target, error))
    common::deleteFileSilently(target);
  return complete;
}

// Header lines are those of the reply being received: after a relocation, only the final reply's
// length counts.
void DownloadRequest::onHeaderData() {
  progress.onHeaderLines(httpClient.headerLines());
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
