#include "download/DownloadRequest.h"

#include "common/Global.h"
#include "convert/ConvertMessages.h"
#include "convert/ConvertProcess.h"
#include "convert/EConvertError.h"
#include "download/DownloadMessages.h"
#include "platform/Dialogs.h"
#include "resources/Strings.h"

#include <algorithm>
#include <filesystem>

namespace download {
namespace {

void ErrorBox(const std::string& text) {
  platform::CurrentDialogs().MessageBox(resources::LoadStr(resources::sTitle), text,
                                        platform::DialogIcon::Error, platform::DialogButtons::Ok);
}

std::string FileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
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
      messages_([this](platform::Message& msg) { WndProc(msg); }) {}

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
void TDownloadRequest::WMFetchPage() {
  platform::PostMessage(Handle(), WM_START_DOWNLOAD);
}

void TDownloadRequest::WMStartDownload() {
  if (DownloadUrl.empty()) {
    platform::CurrentDialogs().MessageBox(resources::LoadStr(resources::sTitle),
                                          resources::LoadStr(resources::sUnableGetHtmlFrom) +
                                              (Sources.empty() ? std::string() : Sources.front()),
                                          platform::DialogIcon::Information, platform::DialogButtons::Ok);
    Stop();
    return;
  }
  // The HTTP download of the video into the output folder runs here once the client is in place.
  ShowPanel(Panel::Download);
  platform::PostMessage(Handle(), Mode == rmDownloadOnly ? WM_CLOSE : WM_START_CONVERT);
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
  if (ConvertProcess != nullptr && ConvertProcess->Active) ConvertProcess->Kill(0);
}

}  // namespace download
