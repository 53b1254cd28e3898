#include "app/cli/CliJob.h"

#include "app/StartChecks.h"
#include "common/Addresses.h"
#include "common/AudioFormats.h"
#include "common/Settings.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "resources/Strings.h"

#include <QTimer>

#include <filesystem>
#include <system_error>

namespace cli {
namespace {

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
  const common::Settings settings = common::readSettings();
  outputFolder_ =
      absoluteFolder(!options.outputFolder.empty() ? options.outputFolder : settings.outputFolder);
  formatIndex_ = options.formatIndex >= 0 ? options.formatIndex : settings.formatIndex;
  if (common::audioFormatAt(formatIndex_) == nullptr) formatIndex_ = common::kDefaultAudioFormat;
  common::setFrontEnd(&frontEnd_);
}

CliJob::~CliJob() {
  job_.reset();
  common::setFrontEnd(nullptr);
}

void CliJob::start(std::function<void(int status)> ended) {
  ended_ = std::move(ended);
  QTimer::singleShot(0, &context_, [this] { nextItem(); });
}

void CliJob::stop() {
  if (job_) job_->stop();
}

void CliJob::nextItem() {
  job_.reset();
  view_.reset();
  while (next_ < options_.items.size() && platform::TerminationSignals::first() == 0) {
    if (startItem(options_.items[next_++])) return;  // the job tells its end
    failed_ = true;
  }
  end();
}

bool CliJob::startItem(const std::string& item) {
  report_.begin(item);
  // The checks of Start, as if the window's fields held the item, the folder and the format.
  const bool page = isPageAddress(item);
  const app::StartInput input{
      .source = page ? app::StartInput::Source::PageAddress : app::StartInput::Source::LocalFile,
      .address = page ? item : std::string(),
      .localFile = page ? std::string() : item,
      .outputFolder = outputFolder_,
      .formatIndex = formatIndex_,
      .splitChapters = options_.splitChapters,
      .evenLoudness = options_.evenLoudness};
  // A FIFO or a device named as a FILE would hold the converter (a pipeline or a cron job waits for ever):
  // only a regular file is converted.
  std::error_code error;
  if (!page && std::filesystem::exists(item, error) && !std::filesystem::is_regular_file(item, error)) {
    report_.fail(item, item + " is not a regular file");
    return false;
  }
  std::string outputDir;
  const std::optional<download::JobInput> checked = app::checkStart(input, outputDir);
  if (platform::TerminationSignals::first() != 0) return false;
  if (!checked) {
    // The checks said why, except for a folder that could not be created.
    if (!report_.failed())
      report_.fail(outputFolder_ + "," + resources::loadString(resources::StringId::OutputDirMissing));
    return false;
  }
  view_ = std::make_unique<ProgressView>(report_, [this](bool ok) { onItemEnded(ok); });
  job_ = std::make_unique<download::Job>(*checked, download::standardJobParts(), *view_);
  job_->start();
  return true;
}

// The job is not destroyed inside its own call: the next item starts from the event loop.
void CliJob::onItemEnded(bool ok) {
  if (!ok) failed_ = true;
  QTimer::singleShot(0, &context_, [this] { nextItem(); });
}

void CliJob::end() {
  int status = failed_ ? 1 : 0;
  if (const int signal = platform::TerminationSignals::first())
    status = platform::TerminationSignals::exitStatus(signal);
  if (ended_) ended_(status);
}

}  // namespace cli
