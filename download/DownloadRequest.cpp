#include "download/DownloadRequest.h"

#include "common/Global.h"
#include "convert/ConvertMessages.h"
#include "convert/ConvertProcess.h"
#include "convert/EConvertError.h"
#include "download/DownloadMessages.h"
#include "download/ExtractVideoAddress.h"
#include "net/http/TFileStream.h"
#include "net/http/UrlParts.h"
#include "platform/Dialogs.h"
#include "resources/Strings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace download {
namespace {

void ErrorBox(const std::string& text) {
  platform::CurrentDialogs().MessageBox(resources::LoadStr(resources::sTitle), text,
                                        platform::DialogIcon::Error, platform::DialogButtons::Ok);
}

void Notice(const std::string& text) {
  platform::CurrentDialogs().MessageBox(resources::LoadStr(resources::sTitle), text,
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

TDownloadRequest::TDownloadRequest(const ConversionRequest& request, std::string outputFolder,
                                   RequestView& view)
    : Sources(request.Sources),
      Mode(request.Mode),
      TargetExt(request.TargetExt),
      ConvertArgs(request.ConvertArgs),
      outputFolder_(std::move(outputFolder)),
      view_(view),
      messages_([this](platform::Message& msg) { WndProc(msg); }) {
  HttpCli1.Agent = "Mozilla/3.0 (compatible)";
  HttpCli1.Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
  HttpCli1.SetRequestVer("1.0");
  HttpCli1.FollowRelocation = true;
  HttpCli1.LocationChangeMaxCount = 5;
  HttpCli1.NoCache = false;
  HttpCli1.MultiThreaded = false;
  HttpCli1.LocalAddr = "0.0.0.0";
  HttpCli1.ProxyPort = "80";
  HttpCli1.SocksLevel = "5";
  HttpCli1.OnHeaderData = [this](http::THttpCli*) { HttpCli1HeaderData(); };
  HttpCli1.OnDocData = [this](http::THttpCli*, const char*, int) { HttpCli1DocData(); };
}

TDownloadRequest::~TDownloadRequest() {
  FormClose();
}

std::string TDownloadRequest::OutputFolder() const {
  std::string folder = outputFolder_;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string TDownloadRequest::OutputFileFor(const std::string& video) const {
  std::filesystem::path name = std::filesystem::path(video).filename();
  name.replace_extension(TargetExt);
  return OutputFolder() + name.string();
}

void TDownloadRequest::WndProc(platform::Message& msg) {
  if (closed_) return;  // a closed window handles nothing more
  switch (msg.Msg) {
    case WM_CLOSE:
      Close(platform::mrCancel);
      break;
    case WM_FETCH_PAGE:
      WMFetchPage();
      break;
    case WM_START_DOWNLOAD:
      WMStartDownload();
      break;
    case WM_START_CONVERT:
      WMStartConvert();
      break;
    case WM_CONVERT_PROGRESS:
      if (auto info = std::static_pointer_cast<TProcessInfo>(msg.Payload)) WMConvertProgress(*info);
      break;
    default:
      break;
  }
}

void TDownloadRequest::ShowPanel(Panel panel) {
  CurrentPanel = panel;
  view_.ShowPanel(panel);
}

void TDownloadRequest::FormShow() {
  DownloadUrl.clear();
  ConvertPosition = 0;
  if (Mode == rmConvertLocalFile) {
    ShowPanel(Panel::Convert);
    StartConversion(Sources.empty() ? std::string() : Sources.front());
  } else {
    ShowPanel(Panel::FetchPage);
    platform::PostMessage(Handle(), WM_FETCH_PAGE);
  }
}

// Fetching the page and finding the stream address come with the page retrieval; until then no
// address is found, and the download step reports that.
void TDownloadRequest::UseBrowsers(platform::WebBrowser& first, platform::WebBrowser& second) {
  retrieval_ = std::make_unique<PageRetrieval>(first, second);
}

PageRetrieval::PassOutcome TDownloadRequest::ExtractionPass(const std::string& page,
                                                            const std::string& item) {
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

void TDownloadRequest::WMFetchPage() {
  if (!retrieval_) {
    platform::PostMessage(Handle(), WM_START_DOWNLOAD);
    return;
  }
  const std::vector<std::string> items = Sources;  // closing clears Sources
  for (const std::string& item : items) {
    if (closed_) return;
    view_.ShowUrl(item);
    if (!global::IsVideoPageUrl(item)) continue;
    const PageRetrieval::Result result = retrieval_->Retrieve(
        item, [&](const std::string& page) { return ExtractionPass(page, item); },
        [this] { return closed_; });
    if (result == PageRetrieval::Result::TextUnreadable) {
      platform::PostMessage(Handle(), WM_CLOSE);
      return;
    }
    if (result == PageRetrieval::Result::BrowserFailed) {
      // The browser refused the page: say so rather than leave the window waiting for nothing.
      Notice(resources::LoadStr(resources::sUnableGetHtmlFrom) + item);
      Stop();
      return;
    }
    if (result != PageRetrieval::Result::Finished) return;
    if (FileName.empty()) FileName = "get_video.flv";
    platform::PostMessage(Handle(), WM_START_DOWNLOAD);
  }
}

void TDownloadRequest::WMStartDownload() {
  if (DownloadUrl.empty()) {
    Notice(resources::LoadStr(resources::sUnableGetHtmlFrom) +
           (Sources.empty() ? std::string() : Sources.front()));
    Stop();
    return;
  }
  ShowPanel(Panel::Download);
  view_.CentreOnOwner();
  Progress.Reset();
  view_.ShowDownloadBar(0, Progress.Total);
  const std::string target = OutputFolder() + global::RemoveBadFileChars(FileName);
  UseSystemProxy();
  HttpCli1.URL = DownloadUrl;
  std::string failure;
  const bool complete = Download(target, failure);
  if (closed_) return;  // Stop or the close box: what was received stays in the file, nothing follows
  if (!complete) {
    // Half a video is no video: nothing is converted or kept under its name.
    if (!failure.empty()) ErrorBox(failure);
    Close(platform::mrCancel);
    return;
  }
  platform::PostMessage(Handle(), Mode == rmDownloadOnly ? WM_CLOSE : WM_START_CONVERT);
}

// A system proxy, when one is switched on, serves the download unless no_proxy names its host.
void TDownloadRequest::UseSystemProxy() {
  if (!global::IsSystemProxyEnabled()) return;
  const std::string host = http::SplitAddress(DownloadUrl).Host;
  if (global::IsProxyBypassed(global::GetSystemProxyBypass(), host)) return;
  const global::ProxyAddress proxy = global::GetSystemProxy("http");
  HttpCli1.Proxy = proxy.Host;
  HttpCli1.ProxyPort = std::to_string(proxy.Port);
}

// Writes the body of DownloadUrl into `target`, created anew. False with the reason in `failure` when
// the file could not be written or the request ended without the whole video (a status other than
// 2xx, a transfer cut short, a failed write); a file this made is then removed. An empty reason after an
// abort, which is no failure to report.
bool TDownloadRequest::Download(const std::string& target, std::string& failure) {
  std::unique_ptr<http::TFileStream> file;
  try {
    file = std::make_unique<http::TFileStream>(target);
  } catch (const http::EStreamError& error) {
    failure = error.what();
    return false;
  }
  const std::string shown = "Downloading: " + FileNamePart(target) + " ...";
  view_.ShowDownloadName(shown);
  HttpCli1.SetReceiveStream(file.get());
  bool complete = true;
  try {
    HttpCli1.Get();
  } catch (const http::EHttpException& error) {
    complete = false;
    failure = HttpCli1.RequestDoneError() == http::httperrAborted ? "" : error.what();
  } catch (const std::exception& error) {
    complete = false;
    failure = error.what();
  }
  HttpCli1.SetReceiveStream(nullptr);
  if (complete && (HttpCli1.StatusCode() < 200 || HttpCli1.StatusCode() > 299)) {
    // Ended without an error, yet without the video: a redirect past the relocation budget, say.
    complete = false;
    failure = HttpCli1.StatusText();
  }
  try {
    file->Close();  // the last writes reach the disk here, and so does their failure
  } catch (const http::EStreamError& error) {
    if (complete) failure = error.what();
    complete = false;
  }
  file.reset();
  // Only a plain file goes; a name that stands for a device or the like is never removed.
  std::error_code error;
  if (!complete && !closed_ && !failure.empty() && std::filesystem::is_regular_file(target, error))
    global::DeleteFileSilently(target);
  return complete;
}

void TDownloadRequest::HttpCli1HeaderData() {
  if (Progress.HeaderData(HttpCli1.HeaderLines()))
    view_.ShowDownloadBar(HttpCli1.ReceivedCount(), Progress.Total);
}

void TDownloadRequest::HttpCli1DocData() {
  const std::int64_t received = HttpCli1.ReceivedCount();
  Progress.DocData(received, TickCount());
  view_.ShowDownloadBar(received, Progress.Total);
  view_.ShowDownloadDetails(Progress.ReceivedText, Progress.TimeLeftText, Progress.SpeedText);
}

void TDownloadRequest::WMStartConvert() {
  const std::string video = OutputFolder() + global::RemoveBadFileChars(FileName);
  ShowPanel(Panel::Convert);
  StartConversion(video);
}

void TDownloadRequest::StartConversion(const std::string& input) {
  if (ConvertProcess == nullptr) return;
  ConvertProcess->Active = true;
  ConvertProcess->InputFile = input;
  ConvertProcess->OutputFile = OutputFileFor(input);
  ConvertProcess->NotifyWindow = Handle();
  ConvertProcess->Arguments = ConvertArgs;
  try {
    ConvertProcess->Run();
  } catch (const EConvertError& error) {
    // Nothing runs: say why and end the request.
    ErrorBox(error.what());
    Close(platform::mrCancel);
    return;
  }
  view_.ShowConvertName(FileNamePart(ConvertProcess->OutputFile));
}

void TDownloadRequest::WMConvertProgress(const TProcessInfo& info) {
  if (info.Status == TProcessInfo::StatusFailed) {
    // The converter failed: tell the user why, keep the video, end the request.
    ErrorBox("The conversion failed; the video file was kept.\n\n" + info.Message);
    Close(platform::mrCancel);
    return;
  }
  if (info.Status == TProcessInfo::StatusOk) ConvertPosition = std::clamp(info.Percent, 0, 100);
  if (info.Status == TProcessInfo::StatusInUse) ErrorBox(resources::LoadStr(resources::sOutputInUse));
  view_.ShowConvertProgress(ConvertPosition, info.Elapsed, info.Estimated);
  if (ConvertPosition < 100) return;
  if (Mode != rmConvertLocalFile && ConvertProcess != nullptr)
    global::DeleteFileSilently(ConvertProcess->InputFile);
  Close(platform::mrCancel);
}

void TDownloadRequest::Stop() {
  if (!HttpCli1.URL.empty()) HttpCli1.Abort();
  if (ConvertProcess != nullptr && ConvertProcess->Active) ConvertProcess->Kill(0);
  Close(platform::mrAbort);
}

void TDownloadRequest::Close(int modalResult) {
  FormClose();
  view_.CloseWindow(modalResult);
}

void TDownloadRequest::FormClose() {
  if (closed_) return;
  closed_ = true;
  Sources.clear();
  // A download still running when the window closes (the close box) ends with it.
  if (HttpCli1.State() != http::httpReady) HttpCli1.Abort();
  if (ConvertProcess != nullptr && ConvertProcess->Active) ConvertProcess->Kill(0);
}

}  // namespace download
