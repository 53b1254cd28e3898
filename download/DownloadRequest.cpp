#include "download/DownloadRequest.h"

#include "common/Global.h"
#include "convert/ConvertError.h"
#include "convert/ConvertMessages.h"
#include "convert/ConvertProcess.h"
#include "download/DownloadMessages.h"
#include "download/ExtractVideoAddress.h"
#include "net/http/FileStream.h"
#include "net/http/UrlParts.h"
#include "platform/Dialogs.h"
#include "resources/Strings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace download {
namespace {

void ErrorBox(const std::string& text) {
  platform::CurrentDialogs().MessageBox(resources::loadString(resources::StringId::Title), text,
                                        platform::DialogIcon::Error, platform::DialogButtons::Ok);
}

void Notice(const std::string& text) {
  platform::CurrentDialogs().MessageBox(resources::loadString(resources::StringId::Title), text,
                                        platform::DialogIcon::Information, platform::DialogButtons::Ok);
}

std::string FileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Milliseconds of a monotonic clock, never 0 (0 marks "no sample yet").
std::uint64_t TickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::max<std::uint64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

DownloadRequest::DownloadRequest(const ConversionRequest& request, std::string outputFolder,
                                 RequestView& view)
    : Sources(request.Sources),
      Mode(request.Mode),
      TargetExt(request.TargetExt),
      ConvertArgs(request.ConvertArgs),
      outputFolder_(std::move(outputFolder)),
      view_(view),
      messages_([this](platform::Message& msg) { handleMessage(msg); }) {
  httpClient.Agent = "Mozilla/3.0 (compatible)";
  httpClient.Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  httpClient.SetRequestVer("1.0");
  httpClient.FollowRelocation = true;
  httpClient.LocationChangeMaxCount = 5;
  httpClient.NoCache = false;
  httpClient.MultiThreaded = false;
  httpClient.LocalAddr = "0.0.0.0";
  httpClient.ProxyPort = "80";
  httpClient.SocksLevel = "5";
  httpClient.OnHeaderData = [this](http::HttpClient*) { onHeaderData(); };
  httpClient.OnDocData = [this](http::HttpClient*, const char*, int) { onDocumentData(); };
}

DownloadRequest::~DownloadRequest() {
  onWindowClosed();
}

std::string DownloadRequest::OutputFolder() const {
  std::string folder = outputFolder_;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string DownloadRequest::OutputFileFor(const std::string& video) const {
  std::filesystem::path name = std::filesystem::path(video).filename();
  name.replace_extension(TargetExt);
  return OutputFolder() + name.string();
}

void DownloadRequest::handleMessage(platform::Message& msg) {
  if (closed_) return;  // a closed window handles nothing more
  switch (msg.id) {
    case RequestMessage::Close:
      Close(platform::ModalResult::Cancel);
      break;
    case RequestMessage::FetchPage:
      fetchPage();
      break;
    case RequestMessage::StartDownload:
      startDownload();
      break;
    case RequestMessage::StartConvert:
      startConvert();
      break;
    case ConvertMessage::Progress:
      if (auto info = std::static_pointer_cast<ConvertProgress>(msg.Payload)) onConvertProgress(*info);
      break;
    default:
      break;
  }
}

void DownloadRequest::ShowPanel(Panel panel) {
  CurrentPanel = panel;
  view_.ShowPanel(panel);
}

void DownloadRequest::onWindowShown() {
  DownloadUrl.clear();
  ConvertPosition = 0;
  if (Mode == RequestMode::ConvertLocalFile) {
    ShowPanel(Panel::Convert);
    StartConversion(Sources.empty() ? std::string() : Sources.front());
  } else {
    ShowPanel(Panel::FetchPage);
    platform::PostMessage(Handle(), RequestMessage::FetchPage);
  }
}

// Fetching the page and finding the stream address come with the page retrieval; until then no
// address is found, and the download step reports that.
void DownloadRequest::UseBrowsers(platform::WebBrowser& first, platform::WebBrowser& second) {
  retrieval_ = std::make_unique<PageRetrieval>(first, second);
}

PageRetrieval::PassOutcome DownloadRequest::ExtractionPass(const std::string& page, const std::string& item) {
  switch (ExtractVideoAddress(page, item, {FileName, DownloadUrl, Mode})) {
    case ExtractOutcome::Stopped:  // the age-verification notice was shown: the request ends here
      Stop();
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
    platform::PostMessage(Handle(), RequestMessage::StartDownload);
    return;
  }
  const std::vector<std::string> items = Sources;  // closing clears Sources
  for (const std::string& item : items) {
    if (closed_) return;
    view_.ShowUrl(item);
    if (!common::IsVideoPageUrl(item)) continue;
    const PageRetrieval::Result result = retrieval_->Retrieve(
        item, [&](const std::string& page) { return ExtractionPass(page, item); },
        [this] { return closed_; });
    if (result == PageRetrieval::Result::TextUnreadable) {
      platform::PostMessage(Handle(), RequestMessage::Close);
      return;
    }
    if (result == PageRetrieval::Result::BrowserFailed) {
      // The browser refused the page: say so rather than leave the window waiting for nothing.
      Notice(resources::loadString(resources::StringId::UnableGetHtmlFrom) + item);
      Stop();
      return;
    }
    if (result != PageRetrieval::Result::Finished) return;
    if (FileName.empty()) FileName = "get_video.flv";
    platform::PostMessage(Handle(), RequestMessage::StartDownload);
  }
}

void DownloadRequest::startDownload() {
  if (DownloadUrl.empty()) {
    Notice(resources::loadString(resources::StringId::UnableGetHtmlFrom) +
           (Sources.empty() ? std::string() : Sources.front()));
    Stop();
    return;
  }
  ShowPanel(Panel::Download);
  view_.CentreOnOwner();
  Progress.Reset();
  view_.ShowDownloadBar(0, Progress.Total);
  const std::string target = OutputFolder() + common::RemoveBadFileChars(FileName);
  UseSystemProxy();
  httpClient.URL = DownloadUrl;
  std::string failure;
  const bool complete = downloadTo(target, failure);
  if (closed_) return;  // Stop or the close box: what was received stays in the file, nothing follows
  if (!complete) {
    // Half a video is no video: nothing is converted or kept under its name.
    if (!failure.empty()) ErrorBox(failure);
    Close(platform::ModalResult::Cancel);
    return;
  }
  platform::PostMessage(
      Handle(), Mode == RequestMode::DownloadOnly ? RequestMessage::Close : RequestMessage::StartConvert);
}

// A system proxy, when one is switched on, serves the download unless no_proxy names its host.
void DownloadRequest::UseSystemProxy() {
  if (!common::IsSystemProxyEnabled()) return;
  const std::string host = http::SplitAddress(DownloadUrl).Host;
  if (common::IsProxyBypassed(common::systemProxyBypass(), host)) return;
  const common::ProxyAddress proxy = common::systemProxy("http");
  httpClient.Proxy = proxy.Host;
  httpClient.ProxyPort = std::to_string(proxy.Port);
}

// Writes the body of DownloadUrl into `target`, created anew. False with the reason in `failure` when
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
  const std::string shown = "Downloading: " + FileNamePart(target) + " ...";
  view_.ShowDownloadName(shown);
  httpClient.SetReceiveStream(file.get());
  bool complete = true;
  try {
    httpClient.Get();
  } catch (const http::HttpException& error) {
    complete = false;
    failure = httpClient.RequestDoneError() == http::HttpError::Aborted ? "" : error.what();
  } catch (const std::exception& error) {
    complete = false;
    failure = error.what();
  }
  httpClient.SetReceiveStream(nullptr);
  if (complete && (httpClient.StatusCode() < 200 || httpClient.StatusCode() > 299)) {
    // Ended without an error, yet without the video: a redirect past the relocation budget, say.
    complete = false;
    failure = httpClient.StatusText();
  }
  try {
    file->Close();  // the last writes reach the disk here, and so does their failure
  } catch (const http::StreamError& error) {
    if (complete) failure = error.what();
    complete = false;
  }
  file.reset();
  // Only a plain file goes; a name that stands for a device or the like is never removed.
  std::error_code error;
  if (!complete && !closed_ && !failure.empty() && std::filesystem::is_regular_file(target, error))
    common::DeleteFileSilently(target);
  return complete;
}

void DownloadRequest::onHeaderData() {
  if (Progress.onHeaderLines(httpClient.HeaderLines()))
    view_.ShowDownloadBar(httpClient.ReceivedCount(), Progress.Total);
}

void DownloadRequest::onDocumentData() {
  const std::int64_t received = httpClient.ReceivedCount();
  Progress.onBodyReceived(received, TickCount());
  view_.ShowDownloadBar(received, Progress.Total);
  view_.ShowDownloadDetails(Progress.ReceivedText, Progress.TimeLeftText, Progress.SpeedText);
}

void DownloadRequest::startConvert() {
  const std::string video = OutputFolder() + common::RemoveBadFileChars(FileName);
  ShowPanel(Panel::Convert);
  StartConversion(video);
}

void DownloadRequest::StartConversion(const std::string& input) {
  if (convertProcess == nullptr) return;
  convertProcess->Active = true;
  convertProcess->InputFile = input;
  convertProcess->OutputFile = OutputFileFor(input);
  convertProcess->notifyTarget = Handle();
  convertProcess->Arguments = ConvertArgs;
  try {
    convertProcess->Run();
  } catch (const ConvertError& error) {
    // Nothing runs: say why and end the request.
    ErrorBox(error.what());
    Close(platform::ModalResult::Cancel);
    return;
  }
  view_.ShowConvertName(FileNamePart(convertProcess->OutputFile));
}

void DownloadRequest::onConvertProgress(const ConvertProgress& info) {
  if (info.status == ConvertProgress::Status::Failed) {
    // The converter failed: tell the user why, keep the video, end the request.
    ErrorBox("The conversion failed; the video file was kept.\n\n" + info.message);
    Close(platform::ModalResult::Cancel);
    return;
  }
  if (info.status == ConvertProgress::Status::Ok) ConvertPosition = std::clamp(info.percent, 0, 100);
  if (info.status == ConvertProgress::Status::InUse)
    ErrorBox(resources::loadString(resources::StringId::OutputInUse));
  view_.ShowConvertProgress(ConvertPosition, info.elapsed, info.estimated);
  if (ConvertPosition < 100) return;
  if (Mode != RequestMode::ConvertLocalFile && convertProcess != nullptr)
    common::DeleteFileSilently(convertProcess->InputFile);
  Close(platform::ModalResult::Cancel);
}

void DownloadRequest::Stop() {
  if (!httpClient.URL.empty()) httpClient.Abort();
  if (convertProcess != nullptr && convertProcess->Active) convertProcess->Kill(0);
  Close(platform::ModalResult::Abort);
}

void DownloadRequest::Close(int modalResult) {
  onWindowClosed();
  view_.CloseWindow(modalResult);
}

void DownloadRequest::onWindowClosed() {
  if (closed_) return;
  closed_ = true;
  Sources.clear();
  // A download still running when the window closes (the close box) ends with it.
  if (httpClient.State() != http::HttpState::Ready) httpClient.Abort();
  if (convertProcess != nullptr && convertProcess->Active) convertProcess->Kill(0);
}

}  // namespace download
