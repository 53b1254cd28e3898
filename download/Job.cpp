#include "download/Job.h"

#include "common/Files.h"
#include "convert/ConvertProcess.h"
#include "download/VideoFileName.h"
#include "download/sites/PageLocator.h"
#include "download/sites/ResolverLocator.h"
#include "resources/Strings.h"

#include <filesystem>

namespace download {
namespace {

std::string fileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

JobParts standardJobParts() {
  return {
      .converter = convert::convertProcess,
      .pageRules = [] { return std::unique_ptr<StreamLocator>(std::make_unique<PageLocator>()); },
      .resolver = []() -> std::unique_ptr<StreamLocator> {
        if (!isResolverEnabled()) return nullptr;
        return std::make_unique<ResolverLocator>();
      },
      .retryPauseMs = StreamDownload::kRetryPauseMs,
  };
}

Job::Job(JobInput input, JobParts parts, JobListener& listener)
    : input_(std::move(input)),
      parts_(std::move(parts)),
      listener_(listener),
      mode_(input_.mode),
      mailbox_([this](Event& event) { handle(event); }) {}

Job::~Job() {
  if (search_) search_->stop();
  if (download_) download_->stop();
  if (conversion_) conversion_->stop();
}

void Job::start() {
  if (state_ != State::Idle) return;
  if (mode_ == RequestMode::ConvertLocalFile) {
    audioPath_ = audioFileFor(input_.source);
    startConversion(input_.source);
    return;
  }
  state_ = State::Searching;
  listener_.searching(input_.source);
  search_ = std::make_unique<StreamSearch>(parts_.pageRules, parts_.resolver);
  search_->start(input_.source,
                 [this](SearchResult result) { mailbox_.post(SearchEnded{std::move(result)}); });
}

void Job::stop() {
  if (state_ == State::Ended || state_ == State::Idle) return;
  std::vector<std::string> kept;
  if (search_) search_->stop();
  if (download_) {
    const std::string part = download_->stop();
    if (!part.empty()) kept.push_back(part);
  }
  if (conversion_) {
    conversion_->stop();
    if (mode_ != RequestMode::ConvertLocalFile && !videoPath_.empty()) kept.push_back(videoPath_);
  }
  finish(JobOutcome::stopped(std::move(kept)));
}

void Job::handle(Event& event) {
  std::visit(platform::Overloaded{
                 [this](SearchEnded& e) { onSearchEnded(e.result); },
                 [this](DownloadEnded& e) { onDownloadEnded(e.result); },
                 [this](ConversionEnded& e) { onConversionEnded(e.result); },
                 [this](Finished& e) { listener_.finished(e.outcome); },
             },
             event);
}

void Job::onSearchEnded(SearchResult& result) {
  search_.reset();
  if (state_ != State::Searching) return;
  if (!result.found) {
    finish(JobOutcome::failed(result.cause, std::move(result.message)));
    return;
  }
  stream_ = std::move(result.stream);
  if (stream_.downloadOnly) mode_ = RequestMode::DownloadOnly;
  startDownload();
}

void Job::startDownload() {
  state_ = State::Downloading;
  // The video's name and the audio file's fit the file system with the part's endings, and differ.
  const DownloadNames names = downloadNames(
      common::removeBadFileChars(stream_.fileName),
      mode_ == RequestMode::DownloadOnly ? std::string() : input_.targetExt, PartFile::kLongestEnding);
  videoPath_ = outputFolder() + names.video;
  audioPath_ = outputFolder() + names.audio;
  listener_.downloading(fileNamePart(videoPath_));
  download_ = std::make_unique<StreamDownload>();
  download_->setRetryPause(parts_.retryPauseMs);
  download_->start(
      {.url = stream_.url, .videoPath = videoPath_, .headers = stream_.headers},
      [this](const DownloadFigures& figures) { listener_.downloadProgress(figures); },
      [this](DownloadResult result) { mailbox_.post(DownloadEnded{std::move(result)}); });
}

// The download stage stays (idle) until the job goes: what its client last did can still be read.
void Job::onDownloadEnded(DownloadResult& result) {
  if (state_ != State::Downloading) return;
  if (result.status != DownloadResult::Status::Complete) {
    // Half a video is no video: nothing is converted or kept under its name.
    finish(JobOutcome::failed(JobOutcome::Cause::DownloadFailed, std::move(result.failure)));
    return;
  }
  if (mode_ == RequestMode::DownloadOnly) {
    finish(JobOutcome::done({videoPath_}));
    return;
  }
  startConversion(videoPath_);
}

void Job::startConversion(const std::string& input) {
  state_ = State::Converting;
  const std::string& output = audioPath_;
  listener_.converting(fileNamePart(output));
  if (parts_.converter == nullptr) {
    finish(JobOutcome::failed(JobOutcome::Cause::ConverterNotStarted,
                              resources::loadString(resources::StringId::ConvertProcessError)));
    return;
  }
  // The audio file names its video: the page's title and address, or a local file's name.
  convert::AudioTags tags;
  if (mode_ == RequestMode::ConvertLocalFile) {
    tags = {std::filesystem::path(input).stem().string(), {}};
  } else {
    tags = {stream_.title, input_.source};
  }
  conversion_ = std::make_unique<AudioConversion>(*parts_.converter);
  conversion_->start(
      {.input = input, .output = output, .arguments = input_.convertArgs, .tags = tags},
      [this](const ConversionFigures& figures) { listener_.conversionProgress(figures); },
      [this](ConversionResult result) { mailbox_.post(ConversionEnded{std::move(result)}); });
}

void Job::onConversionEnded(ConversionResult& result) {
  conversion_.reset();
  if (state_ != State::Converting) return;
  const std::string output = audioPath_;
  // The downloaded video goes once the audio file is there, and also when the user kept the older audio
  // file; a local source is never deleted.
  const bool deleteVideo =
      mode_ != RequestMode::ConvertLocalFile &&
      (result.status == ConversionResult::Status::Done || result.status == ConversionResult::Status::Kept);
  if (deleteVideo) common::deleteFileSilently(videoPath_);
  switch (result.status) {
    case ConversionResult::Status::Done:
      finish(JobOutcome::done({output}));
      return;
    case ConversionResult::Status::Kept:
      finish(JobOutcome::failed(JobOutcome::Cause::OutputKept, output + " has existed, kept it"));
      return;
    case ConversionResult::Status::InUse:
      finish(JobOutcome::failed(JobOutcome::Cause::OutputInUse,
                                resources::loadString(resources::StringId::OutputInUse)));
      return;
    case ConversionResult::Status::NotStarted:
      finish(JobOutcome::failed(JobOutcome::Cause::ConverterNotStarted, std::move(result.message)));
      return;
    case ConversionResult::Status::Failed:
      // The converter failed: the video is kept, and the user is told why.
      finish(JobOutcome::failed(JobOutcome::Cause::ConversionFailed,
                                "The conversion failed; the video file was kept.\n\n" + result.message));
      return;
  }
}

// The outcome is told from the event loop, once.
void Job::finish(JobOutcome outcome) {
  state_ = State::Ended;
  mailbox_.post(Finished{std::move(outcome)});
}

std::string Job::outputFolder() const {
  std::string folder = input_.outputFolder;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string Job::audioFileFor(const std::string& video) const {
  std::filesystem::path name = std::filesystem::path(video).filename();
  name.replace_extension(input_.targetExt);
  return outputFolder() + name.string();
}

}  // namespace download
