#include "app/cli/CliJob.h"

#include "app/StartChecks.h"
#include "common/Addresses.h"
#include "common/AudioFormats.h"
#include "common/Settings.h"
#include "common/Text.h"
#include "download/sites/ResolverLocator.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"
#include "queue/QueueItem.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

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

std::string videosText(std::size_t count) {
  return count == 1 ? resources::translate("CliJob", "1 video")
                    : common::fillIn(resources::translate("CliJob", "%1 videos"), {std::to_string(count)});
}

}  // namespace

bool isPageAddress(const std::string& item) {
  if (platform::fileExists(item)) return false;
  return item.find("://") != std::string::npos || common::isVideoPageUrl(item);
}

CliJob::CliJob(const CliOptions& options, std::vector<CliItem> items, bool listFailed, Terminal& terminal)
    : options_(options),
      terminal_(terminal),
      items_(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end())),
      report_(terminal),
      frontEnd_(options.overwrite, report_),
      failed_(listFailed) {
  const common::Settings settings = common::readSettings();
  outputFolder_ =
      absoluteFolder(!options.outputFolder.empty() ? options.outputFolder : settings.outputFolder);
  formatIndex_ = options.formatIndex >= 0 ? options.formatIndex : settings.formatIndex;
  if (common::audioFormatAt(formatIndex_) == nullptr) formatIndex_ = common::kDefaultAudioFormat;
  common::setFrontEnd(&frontEnd_);
}

CliJob::~CliJob() {
  probe_.stop();
  job_.reset();
  common::setFrontEnd(nullptr);
}

void CliJob::start(std::function<void(int status)> ended) {
  ended_ = std::move(ended);
  if (!options_.archiveFile.empty()) {
    // Without the list of what was finished everything would be done again: nothing starts.
    std::string error;
    archive_.emplace();
    if (!archive_->load(options_.archiveFile, error)) {
      terminal_.message(error);
      failed_ = true;
      items_.clear();
    }
  }
  scheduleNext();
}

void CliJob::stop() {
  if (job_) job_->stop();
  if (probe_.running()) {
    probe_.stop();
    scheduleNext();  // sees the signal and ends
  }
}

void CliJob::scheduleNext() {
  QTimer::singleShot(0, &context_, [this] { nextItem(); });
}

void CliJob::nextItem() {
  job_.reset();
  view_.reset();
  while (!items_.empty() && platform::TerminationSignals::first() == 0) {
    CliItem item = std::move(items_.front());
    items_.pop_front();
    if (needsProbe(item)) {
      probe(std::move(item));
      return;
    }
    const Begun begun = startItem(item);
    if (begun == Begun::Started) return;  // the job tells its end
    if (begun == Begun::Failed) failed_ = true;
  }
  end();
}

bool CliJob::needsProbe(const CliItem& item) const {
  return !item.listChecked && options_.playlist != PlaylistChoice::VideoOnly && isPageAddress(item.text) &&
         download::mayHoldPlaylist(item.text) && download::isResolverEnabled();
}

void CliJob::probe(CliItem item) {
  terminal_.line(
      common::fillIn(resources::translate("CliJob", "Looking for a list of videos: %1"), {item.text}));
  const std::string page = item.text;
  probe_.start(page, [this, item = std::move(item)](download::PlaylistAnswer answer) mutable {
    // The probe is not asked again from inside its own call: the answer is taken from the event loop.
    QTimer::singleShot(0, &context_, [this, item = std::move(item), answer = std::move(answer)]() mutable {
      onProbed(std::move(item), answer);
    });
  });
}

void CliJob::onProbed(CliItem item, const download::PlaylistAnswer& answer) {
  item.listChecked = true;
  if (platform::TerminationSignals::first() != 0) return end();
  if (answer.status == download::PlaylistAnswer::Status::Failed)
    terminal_.line(common::fillIn(
        resources::translate(
            "CliJob", "Whether the page holds a list is not known (%1); its video alone is converted."),
        {answer.message}));
  if (answer.status != download::PlaylistAnswer::Status::Playlist || !takeWholeList(item, answer))
    items_.push_front(std::move(item));
  nextItem();
}

// The list's videos take the page's place, in order, as tracks of an album named after the list; false
// when only the page's video is wanted.
bool CliJob::takeWholeList(const CliItem& item, const download::PlaylistAnswer& answer) {
  const std::size_t count = answer.entries.size();
  bool all = options_.playlist == PlaylistChoice::All;
  if (options_.playlist == PlaylistChoice::Ask && terminal_.canAsk())
    all = terminal_.ask(
        common::fillIn(resources::translate("CliJob", "This page holds a list of %1. Convert all of them?"),
                       {videosText(count)}));
  if (!all) {
    terminal_.line(common::fillIn(
        resources::translate("CliJob", "The page holds a list of %1; its video alone is converted."),
        {videosText(count)}));
    return false;
  }
  std::string told = answer.title.empty()
                         ? common::fillIn(resources::translate("CliJob", "The list: %1"), {videosText(count)})
                         : common::fillIn(resources::translate("CliJob", "The list \"%1\": %2"),
                                          {answer.title, videosText(count)});
  if (answer.leftOut > 0)
    told += common::fillIn(resources::translate("CliJob", " (%1 more left out)"),
                           {std::to_string(answer.leftOut)});
  terminal_.line(common::fillIn(resources::translate("CliJob", "%1 from %2"), {told, item.text}));
  for (std::size_t k = count; k-- > 0;) {
    items_.push_front({.text = answer.entries[k].url,
                       .trackNumber = static_cast<int>(k + 1),
                       .trackCount = static_cast<int>(count),
                       .album = answer.title,
                       .listChecked = true});
  }
  return true;
}

CliJob::Begun CliJob::startItem(const CliItem& cliItem) {
  const std::string& item = cliItem.text;
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
    report_.fail(item, common::fillIn(resources::translate("CliJob", "%1 is not a regular file"), {item}));
    return Begun::Failed;
  }
  std::string outputDir;
  std::optional<download::JobInput> checked = app::checkStart(input, outputDir);
  if (platform::TerminationSignals::first() != 0) return Begun::Failed;
  if (!checked) {
    // The checks said why, except for a folder that could not be created.
    if (!report_.failed())
      report_.fail(resources::loadString(resources::StringId::OutputDirMissing, {outputFolder_}));
    return Begun::Failed;
  }
  checked->trackNumber = cliItem.trackNumber;
  checked->trackCount = cliItem.trackCount;
  checked->album = cliItem.album;
  archiveSource_.clear();
  if (archive_) {
    archiveSource_ = page ? checked->source : archiveFileKey(checked->source);
    archiveFormat_ = queue::formatKey(*checked);
    if (archive_->holds(archiveSource_, archiveFormat_)) {
      terminal_.line(
          common::fillIn(resources::translate("CliJob", "Already done (in the archive): %1"), {item}));
      archiveSource_.clear();
      return Begun::Skipped;
    }
  }
  view_ = std::make_unique<ProgressView>(report_, [this](bool ok) { onItemEnded(ok); });
  job_ = std::make_unique<download::Job>(*checked, download::standardJobParts(), *view_);
  job_->start();
  return Begun::Started;
}

// The job is not destroyed inside its own call: the next item starts from the event loop.
void CliJob::onItemEnded(bool ok) {
  if (!ok) failed_ = true;
  if (ok && archive_ && !archiveSource_.empty()) {
    std::string error;
    if (!archive_->add(archiveSource_, archiveFormat_, error)) {
      terminal_.message(error);
      failed_ = true;
    }
  }
  archiveSource_.clear();
  scheduleNext();
}

void CliJob::end() {
  int status = failed_ ? 1 : 0;
  if (const int signal = platform::TerminationSignals::first())
    status = platform::TerminationSignals::exitStatus(signal);
  if (ended_) ended_(status);
}

}  // namespace cli
