#include "app/cli/CliJob.h"

#include "app/FormatTable.h"
#include "app/StartRequest.h"
#include "app/cli/ProgressView.h"
#include "common/Addresses.h"
#include "download/DownloadRequest.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "platform/browser/CreateWebBrowser.h"
#include "resources/Strings.h"

#include <QEventLoop>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <system_error>

namespace cli {
namespace {

// The window's settings: the section and keys it writes when it closes.
const char* const kSection = "Options";

std::string absoluteFolder(const std::string& folder) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
  return error ? folder : absolute.lexically_normal().string();
}

}  // namespace

bool isPageAddress(const std::string& item) {
  if (platform::fileExists(item)) return false;
  return item.find("://") != std::string::npos || common::isVideoPageUrl(item);
}

CliJob::CliJob(const CliOptions& options, Terminal& terminal)
    : options_(options), report_(terminal), frontEnd_(options.overwrite, report_) {
  const platform::IniFile settings(platform::settingsFilePath());
  const std::string folder =
      !options.outputFolder.empty()
          ? options.outputFolder
          : settings.readString(kSection, "OutputDirectory", platform::defaultOutputDir());
  outputFolder_ = absoluteFolder(folder);
  formatIndex_ =
      options.formatIndex >= 0 ? options.formatIndex : settings.readInteger(kSection, "ConvertFormat", 1);
  if (formatIndex_ < 0 || formatIndex_ >= static_cast<int>(app::formatListTexts().size())) formatIndex_ = 1;
  common::setFrontEnd(&frontEnd_);
}

CliJob::~CliJob() {
  common::setFrontEnd(nullptr);
}

int CliJob::run() {
  bool failed = false;
  for (const std::string& item : options_.items) {
    if (platform::TerminationSignals::first() != 0) break;
    if (!runItem(item)) failed = true;
  }
  if (const int signal = platform::TerminationSignals::first())
    return platform::TerminationSignals::exitStatus(signal);
  return failed ? 1 : 0;
}

void CliJob::stop() {
  if (running_ != nullptr) running_->stop();
}

bool CliJob::runItem(const std::string& item) {
  report_.begin(item);
  // The checks of Start, as if the window's fields held the item, the folder and the format.
  const bool page = isPageAddress(item);
  app::MainWindowFields fields;
  fields.downloadConvert = page;
  fields.convertLocal = !page;
  (page ? fields.url : fields.fileName) = item;
  fields.outputFolder = outputFolder_;
  fields.formatIndex = formatIndex_;
  fields.formatText = app::formatListTexts()[static_cast<std::size_t>(formatIndex_)];
  std::string outputDir;
  const std::optional<download::ConversionRequest> checked = app::checkRequest(fields, outputDir);
  if (platform::TerminationSignals::first() != 0) return false;
  if (!checked) {
    // The checks said why, except for a folder that could not be created.
    if (!report_.failed())
      report_.fail(outputFolder_ + "," + resources::loadString(resources::StringId::OutputDirMissing));
    return false;
  }

  // The request, as the download window runs it: shown, then driven by its own events until it closes.
  QEventLoop loop;
  ProgressView view(report_, [&loop](int) { loop.quit(); });
  std::unique_ptr<platform::WebBrowser> firstBrowser;  // outlive the request, which uses them
  std::unique_ptr<platform::WebBrowser> secondBrowser;
  download::DownloadRequest request(*checked, outputFolder_, view);
  view.setRequest(&request);
  view.setStop([&] {
    QTimer::singleShot(0, &loop, [&] {
      if (!view.closed()) request.stop();
    });
  });
  if (checked->mode != download::RequestMode::ConvertLocalFile) {
    // The engine behind the controls starts with their first page: never for a local file.
    firstBrowser = platform::createWebBrowser();
    secondBrowser = platform::createWebBrowser();
    request.useBrowsers(*firstBrowser, *secondBrowser);
  }
  running_ = &request;
  request.onWindowShown();
  if (!view.closed()) loop.exec();
  running_ = nullptr;

  if (platform::TerminationSignals::first() != 0) return false;
  if (view.finished()) return true;
  if (!report_.failed()) {
    // Ended without a word: the page's text could not be read (the window closes silently then).
    report_.fail(request.currentPanel == download::Panel::FetchPage
                     ? resources::loadString(resources::StringId::UnableGetHtmlRetry)
                     : "ended before the audio file was written");
  }
  return false;
}

}  // namespace cli
